// The one walk over every reference interval that the median, center and
// reference-based searches share: left border by left border over the
// chromosomes of the reference genomes, with ranks, border rows, the
// pattern, progress and cancellation kept current.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "index/occurrenceIndex.h"
#include "walk/pattern.h"
#include "walk/progress.h"
#include "walk/walkTables.h"

namespace tamsu::detail {

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
        : index_(index),
          tables_(index, D, primed),
          progress_(progress),
          pattern_(makePattern(index.alphabetSize() + 1, index.genomeCount())) {}

    // For every left border i of every reference chromosome of refs: brings
    // the ranks and border rows up to the suffix starting at i, resets the
    // pattern to the empty interval at i and calls atLeftBorder(ref, i), which
    // grows the interval with grow() and answers a LeftBorder. False when the
    // run was cancelled (by the poll or by the search); the progress line is
    // closed then. After a complete walk the caller closes it.
    template <typename AtLeftBorder>
    bool run(ChromRange refs, AtLeftBorder&& atLeftBorder);

    // Grows the pattern by the character at position j of ref and every
    // position after it that holds a character already in it; false at the
    // end of the chain (see growReferenceInterval).
    bool grow(int j, const ChromIndex& ref) { return growReferenceInterval(j, pattern_, ref); }

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
bool ReferenceWalk::run(ChromRange refs, AtLeftBorder&& atLeftBorder) {
    for (int flat = refs.first; flat < refs.end; ++flat) {
        const ChromIndex& ref = index_.chromosomes()[static_cast<size_t>(flat)];
        const int n = ref.length;
        progress_.newReferenceChromosome(ref.number, ref.genome, ref.name(), n);
        for (int i = 1; i <= n; ++i) {
            LeftBorder step = LeftBorder::cancel;
            if (progress_.continueComputation()) {
                moveLeftBorder(ref, i);
                step = atLeftBorder(ref, i);
            }
            if (step == LeftBorder::cancel) {
                progress_.endRun();
                return false;
            }
            if (step == LeftBorder::done) progress_.afterLeftBorder(n - i + 1);
        }
        progress_.afterChromosome(static_cast<long long>(n) * (n + 1) / 2);
    }
    return true;
}

// The progress of one walked reference chromosome, written afterwards exactly
// as run() writes it along the way; done[i-1]: left border i was counted. A
// chromosome with fewer flags than left borders was stopped inside.
// replay(ref, i) writes what left border i reported on its own before its
// progress (the filter search's progress before each filter's candidates).
struct NoReplay {
    void operator()(const ChromIndex&, int) const {}
};

template <typename Replay = NoReplay>
void reportChromosomeProgress(Progress& progress, const ChromIndex& ref, const std::vector<unsigned char>& done,
                              Replay&& replay = {}) {
    const int n = ref.length;
    progress.newReferenceChromosome(ref.number, ref.genome, ref.name(), n);
    for (size_t i = 1; i <= done.size(); ++i) {
        replay(ref, static_cast<int>(i));
        if (done[i - 1] != 0) progress.afterLeftBorder(n - static_cast<long long>(i) + 1);
    }
    if (static_cast<int>(done.size()) == n) progress.afterChromosome(static_cast<long long>(n) * (n + 1) / 2);
}

// The progress of a walk over refs whose results were found elsewhere (by
// the shards of a split run): isDone(ref, i) tells whether left border i
// counts. Writes what run() would have written.
template <typename IsDone>
void replayReferenceWalk(const OccurrenceIndex& index, ChromRange refs, Progress& progress, IsDone&& isDone) {
    for (int flat = refs.first; flat < refs.end; ++flat) {
        const ChromIndex& ref = index.chromosomes()[static_cast<size_t>(flat)];
        std::vector<unsigned char> done(static_cast<size_t>(std::max(ref.length, 0)));
        for (int i = 1; i <= ref.length; ++i) done[static_cast<size_t>(i - 1)] = isDone(ref, i) ? 1 : 0;
        reportChromosomeProgress(progress, ref, done);
    }
}

// The walk of ReferenceWalk::run spread over `threads` workers, one reference
// chromosome at a time. Every worker owns a ReferenceWalk (ranks, rows,
// pattern) and whatever makeWorker(walk) returns: a callable
// (ref, i) -> LeftBorder, run at every left border of the chromosomes the
// worker takes, which keeps its results by chromosome (ref.flat is the
// chromosome's place in walk order). Workers touch neither the progress nor
// the host: the calling thread polls cancellation and, as each chromosome in
// walk order is done, writes its progress exactly as run() would have. False
// when cancelled (the progress line is closed then). replay: as for
// reportChromosomeProgress, run on the calling thread once the chromosome is
// done.
template <typename MakeWorker, typename Replay = NoReplay>
bool runReferenceWalkInParallel(const OccurrenceIndex& index, int D, bool primed, Progress& progress, ChromRange refs,
                                int threads, MakeWorker&& makeWorker, Replay&& replay = {}) {
    const size_t first = static_cast<size_t>(refs.first);
    const size_t count = static_cast<size_t>(std::max(refs.end - refs.first, 0));
    struct Slot {
        std::vector<unsigned char> done;  // per left border: counted in the progress
        bool finished = false;
    };
    std::vector<Slot> slots(count);
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable changed;
    std::exception_ptr error;

    auto work = [&] {
        try {
            ReferenceWalk walk(index, D, primed, progress);
            auto atLeftBorder = makeWorker(walk);
            for (size_t s = next++; s < count && !stop; s = next++) {
                const ChromIndex& ref = index.chromosomes()[first + s];
                std::vector<unsigned char> done;
                done.reserve(static_cast<size_t>(std::max(ref.length, 0)));
                for (int i = 1; i <= ref.length && !stop; ++i) {
                    walk.moveLeftBorder(ref, i);
                    const LeftBorder step = atLeftBorder(ref, i);
                    if (step == LeftBorder::cancel) {
                        stop = true;
                        break;
                    }
                    done.push_back(step == LeftBorder::done ? 1 : 0);
                }
                std::lock_guard lock(mutex);
                slots[s].done = std::move(done);
                slots[s].finished = true;
                changed.notify_all();
            }
        } catch (...) {
            std::lock_guard lock(mutex);
            if (!error) error = std::current_exception();
            stop = true;
            changed.notify_all();
        }
    };
    size_t s = 0;
    {
        std::vector<std::jthread> workers;
        for (int t = 0; t < threads; ++t) workers.emplace_back(work);
        while (s < count) {
            std::unique_lock lock(mutex);
            changed.wait_for(lock, std::chrono::milliseconds(50),
                             [&] { return slots[s].finished || error || stop; });
            if (error) break;
            if (!slots[s].finished) {
                if (stop) break;
                lock.unlock();
                if (!progress.continueComputation()) stop = true;
                continue;
            }
            const std::vector<unsigned char> done = std::move(slots[s].done);
            lock.unlock();
            const ChromIndex& ref = index.chromosomes()[first + s];
            reportChromosomeProgress(progress, ref, done, replay);
            if (static_cast<int>(done.size()) < ref.length) break;  // stopped inside this chromosome
            ++s;
        }
        stop = true;  // the workers leave once the answer is complete or given up
    }
    if (error) std::rethrow_exception(error);
    if (s < count) {
        progress.endRun();
        return false;
    }
    return true;
}

}  // namespace tamsu::detail
