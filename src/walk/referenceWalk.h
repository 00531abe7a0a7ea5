// The one walk over every reference interval that the median, center and
// reference-based searches share: left border by left border over the
// chromosomes of the reference genomes, with ranks, border rows, the
// pattern, progress and cancellation kept current.
#pragma once

#include "index/initDatastructures.h"
#include "walk/arraysLnR.h"
#include "walk/pattern.h"
#include "walk/progress.h"

// What a search tells the walk after a left border.
enum class LeftBorder {
    done,     // counted in the progress
    skipped,  // left out of the progress (nothing was searched there)
    cancel,   // stop the walk
};

class ReferenceWalk {
public:
    // D: the border depth the search reads; primed: keep L_prime and R_prime too.
    ReferenceWalk(const OccurrenceIndex& index, int D, bool primed, Progress& progress)
        : index_(index), tables_(index, D, primed), progress_(progress),
          pattern_(initPattern(index.alphabetSize() + 1, index.genomeCount())) {}

    // For every left border i of every chromosome of genomes 0..refGenomeCount-1:
    // brings the ranks and border rows up to the suffix starting at i, resets
    // the pattern to the empty interval at i and calls atLeftBorder(ref, i),
    // which grows the interval with grow() and answers a LeftBorder. False
    // when the run was cancelled (by the poll or by the search); the progress
    // line is closed then. After a complete walk the caller closes it.
    template <typename AtLeftBorder>
    bool run(int refGenomeCount, AtLeftBorder&& atLeftBorder);

    // Grows the pattern by the character at position j of ref and every
    // position after it that holds a character already in it; false at the
    // end of the chain (see getNextI_ref).
    bool grow(int j, const ChromIndex& ref) { return getNextI_ref(j, pattern_, ref); }

    Pattern& pattern() { return pattern_; }
    WalkTables& tables() { return tables_; }
    const std::vector<int>& rank() const { return tables_.rank; }
    Progress& progress() { return progress_; }

    // Brings ranks, rows and pattern to left border i of ref (i = 1 rebuilds).
    void moveLeftBorder(const ChromIndex& ref, int i);

private:
    const OccurrenceIndex& index_;
    WalkTables tables_;
    Progress& progress_;
    Pattern pattern_;
};

inline void ReferenceWalk::moveLeftBorder(const ChromIndex& ref, int i) {
    updateRank(tables_, index_.alphabetSize(), ref, i);
    tables_.forgetRows();
    resetPattern(pattern_, index_.alphabetSize(), tables_.D, ref.genome, ref.number, i);
}

template <typename AtLeftBorder>
bool ReferenceWalk::run(int refGenomeCount, AtLeftBorder&& atLeftBorder) {
    for (int g = 0; g < refGenomeCount && g < index_.genomeCount(); ++g)
        for (const ChromIndex& ref : index_.genome(g)) {
            const int n = ref.length;
            progress_.printProgressNewRefChr(ref.number, g, ref.name(), n);
            for (int i = 1; i <= n; ++i) {
                LeftBorder step = LeftBorder::cancel;
                if (progress_.continueComputation()) {
                    moveLeftBorder(ref, i);
                    step = atLeftBorder(ref, i);
                }
                if (step == LeftBorder::cancel) {
                    progress_.emptyProgress();
                    return false;
                }
                if (step == LeftBorder::done) progress_.updateProgress_after_i(n - i + 1);
            }
            progress_.updateProgress_after_chr(static_cast<long long>(n) * (n + 1) / 2);
        }
    return true;
}
