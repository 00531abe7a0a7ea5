// Progress counters of a run, reported to its status.
#include "walk/progress.h"

#include "index/occurrenceIndex.h"

namespace tamsu::detail {

bool Progress::countStep() {
    if (++stepCounter_ % 1000 != 0) return true;
    stepCounter_ = 0;
    return status_.keepGoing();
}

void Progress::beginRun(const OccurrenceIndex& index, ChromRange refs) {
    long long total = 0;
    for (int flat = refs.first; flat < refs.end; ++flat) {
        const ChromIndex& chrom = index.chromosomes()[static_cast<size_t>(flat)];
        long long n = chrom.length > 0 ? chrom.length : 0;
        total += n * (n + 1) / 2;
    }
    status_.print(Stream::err, formatText("number of Substrings: %lld\n", total));
    finishedChromosomes_ = 0;
    currentChromosome_ = 0;
    status_.workStarted(total);
    status_.workDone(0);
}

void Progress::beforeCandidates(long long x) { status_.workDone(currentChromosome_ + finishedChromosomes_ + x); }

void Progress::afterLeftBorder(long long x) {
    currentChromosome_ += x;
    status_.workDone(currentChromosome_ + finishedChromosomes_);
}

void Progress::afterChromosome(long long x) {
    finishedChromosomes_ += x;
    currentChromosome_ = 0;
    status_.workDone(finishedChromosomes_);
}

void Progress::newReferenceChromosome(int chromNumber, int genomeNumber, const std::string& chromName, int geneCount) {
    status_.referenceChromosome(chromNumber, genomeNumber, chromName, geneCount, finishedChromosomes_);
}

}  // namespace tamsu::detail
