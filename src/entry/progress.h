// Progress reporting and cancellation of the long searches: a percentage line
// on stdout for the command line, or a progress bar and a "run" poll in the
// host when the run comes from the JVM.
#pragma once

#include <string>

#include "genomes/setOfSeqs.h"
#include "params/parameterArray.h"

// What the host offers during a call; the bridge installs one for the length
// of a call (tests may install their own).
class ProgressHost {
public:
    virtual ~ProgressHost() = default;
    virtual void initProgressBar(int maximum) = 0;
    virtual void setProgressStatus(int value) = 0;
    // True while the host wants the computation to go on.
    virtual bool continueComputation() = 0;
};

// Process-wide progress state (one computation at a time per process).
struct ProgressState {
    bool gui = false;
    int refGenomeCount = 0;
    int substringCount = 0;
    int old_I_ref_Counter = 0;
    int temp_I_ref_Counter = 0;
    ProgressHost* host = nullptr;
};
extern ProgressState progress;

// Installs the host for the current call (nullptr removes it).
void setProgressHost(ProgressHost* host);

void initProgress(const SetOfSeqs& set, const ParameterArray& params, int refGenomeCount);
int count_I_refs(const SetOfSeqs& set);
void printProgress(int value);
void updateProgress_before_step2(int x);
void updateProgress_after_i(int x);
void updateProgress_after_chr(int x);
void printProgressNewRefChr(int chromNumber, int genomeNumber, const std::string& chromName, int geneCount);
void emptyProgress();

void init_progressbar(int maximum);
void set_progressbar_value(int value);
// The host's answer whether to go on; true when no host is installed.
bool tamsu2_continue_computation();
