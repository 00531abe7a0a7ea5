// Progress counters and their two output forms; the cancellation poll.
#include "entry/progress.h"

#include <cstdio>

ProgressState progress;

void setProgressHost(ProgressHost* host) { progress.host = host; }

int count_I_refs(const SetOfSeqs& set) {
    long long total = 0;
    for (int g = 0; g < progress.refGenomeCount && g < set.genomeCount; ++g)
        for (const Chromosome& chrom : set.genomes[g].chromosomes) {
            long long n = chrom.length > 0 ? chrom.length : 0;
            total += n * (n + 1) / 2;
        }
    int count = static_cast<int>(total);
    std::fprintf(stderr, "number of Substrings: %d\n", count);
    return count;
}

void initProgress(const SetOfSeqs& set, const ParameterArray& params, int refGenomeCount) {
    progress.refGenomeCount = refGenomeCount;
    progress.substringCount = count_I_refs(set);
    progress.old_I_ref_Counter = 0;
    progress.temp_I_ref_Counter = 0;
    if (params.gui) {
        init_progressbar(progress.substringCount);
        progress.gui = true;
    } else {
        progress.gui = false;
    }
    printProgress(0);
}

void printProgress(int value) {
    if (progress.gui) {
        set_progressbar_value(value);
        return;
    }
    // With no work at all the run is complete from the start.
    double percent = progress.substringCount > 0 ? 100.0 * value / progress.substringCount : 100.0;
    std::printf("\rprogress: %.2f %%", percent);
    std::fflush(stdout);
}

void updateProgress_before_step2(int x) {
    printProgress(progress.temp_I_ref_Counter + progress.old_I_ref_Counter + x);
}

void updateProgress_after_i(int x) {
    progress.temp_I_ref_Counter += x;
    printProgress(progress.temp_I_ref_Counter + progress.old_I_ref_Counter);
}

void updateProgress_after_chr(int x) {
    progress.old_I_ref_Counter += x;
    progress.temp_I_ref_Counter = 0;
    printProgress(progress.old_I_ref_Counter);
}

static void printBlankLine() {
    std::printf("\r%104s", "");
}

void printProgressNewRefChr(int chromNumber, int genomeNumber, const std::string& chromName, int geneCount) {
    if (progress.gui) return;
    printBlankLine();
    double percent = progress.substringCount > 0 ? 100.0 * progress.old_I_ref_Counter / progress.substringCount : 100.0;
    std::printf("\rprogress: %.2f %%  current ref: chr %d of genome %d %s(%d genes)", percent, chromNumber,
                genomeNumber, chromName.c_str(), geneCount);
    std::fflush(stdout);
}

void emptyProgress() {
    if (progress.gui) return;
    printBlankLine();
    std::printf("\n");
    std::fflush(stdout);
}

void init_progressbar(int maximum) {
    if (progress.host) progress.host->initProgressBar(maximum);
}

void set_progressbar_value(int value) {
    if (progress.host) progress.host->setProgressStatus(value);
}

bool tamsu2_continue_computation() {
    return progress.host == nullptr || progress.host->continueComputation();
}
