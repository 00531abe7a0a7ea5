// Progress counters and their two output forms.
#include "walk/progress.h"

#include <climits>

#include "index/occurrenceIndex.h"

namespace tamsu::detail {

bool Progress::countStep() {
    if (!keepGoing_) return true;
    if (++stepCounter_ % 1000 != 0) return true;
    stepCounter_ = 0;
    return keepGoing_();
}

void Progress::beginRun(const OccurrenceIndex& index, ChromRange refs) {
    long long total = 0;
    for (int flat = refs.first; flat < refs.end; ++flat) {
        const ChromIndex& chrom = index.chromosomes()[static_cast<size_t>(flat)];
        long long n = chrom.length > 0 ? chrom.length : 0;
        total += n * (n + 1) / 2;
    }
    substringCount_ = total;
    std::fprintf(err_, "number of Substrings: %lld\n", substringCount_);
    old_I_ref_Counter_ = 0;
    temp_I_ref_Counter_ = 0;
    // The host's progress bar counts in int: a larger total is handed over in
    // units of several intervals.
    sinkUnit_ = substringCount_ / INT_MAX + 1;
    if (sink_ != nullptr) sink_->initProgressBar(static_cast<int>(substringCount_ / sinkUnit_));
    else if (form_ == tamsu::ProgressForm::percent) percentLines_.start(out_);
    printProgress(0);
}

double Progress::percentOf(long long value) const {
    // With no work at all the run is complete from the start.
    return substringCount_ > 0 ? 100.0 * static_cast<double>(value) / static_cast<double>(substringCount_) : 100.0;
}

void Progress::printProgress(long long value) {
    if (sink_ != nullptr) {
        sink_->setProgressStatus(static_cast<int>(value / sinkUnit_));
        return;
    }
    if (form_ == tamsu::ProgressForm::percent) percentLines_.show(percentOf(value));
    if (!fullLines()) return;
    std::fprintf(out_, "\rprogress: %.2f %%", percentOf(value));
    std::fflush(out_);
}

void Progress::beforeCandidates(long long x) { printProgress(temp_I_ref_Counter_ + old_I_ref_Counter_ + x); }

void Progress::afterLeftBorder(long long x) {
    temp_I_ref_Counter_ += x;
    printProgress(temp_I_ref_Counter_ + old_I_ref_Counter_);
}

void Progress::afterChromosome(long long x) {
    old_I_ref_Counter_ += x;
    temp_I_ref_Counter_ = 0;
    printProgress(old_I_ref_Counter_);
}

void Progress::newReferenceChromosome(int chromNumber, int genomeNumber, const std::string& chromName, int geneCount) {
    if (!fullLines()) return;
    std::fprintf(out_, "\r%104s", "");
    std::fprintf(out_, "\rprogress: %.2f %%  current ref: chr %d of genome %d %s(%d genes)",
                 percentOf(old_I_ref_Counter_), chromNumber, genomeNumber, chromName.c_str(), geneCount);
    std::fflush(out_);
}

void Progress::endRun() {
    if (form_ == tamsu::ProgressForm::percent) percentLines_.finish();
    if (!fullLines()) return;
    std::fprintf(out_, "\r%104s", "");
    std::fprintf(out_, "\n");
    std::fflush(out_);
}

}  // namespace tamsu::detail
