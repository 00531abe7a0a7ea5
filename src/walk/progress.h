// Progress reporting and cancellation of one run: percentage lines on the
// report stream, or a progress bar and a cancellation poll offered by a host.
// Owned by the run, so two runs never share counters.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "tamsu/types.h"
#include "util/progressLines.h"

namespace tamsu::detail {

class OccurrenceIndex;
struct ChromRange;

class Progress {
public:
    // sink: the host's progress bar (null: percentage lines on out, in the
    // given form); keepGoing: the cancellation poll (null: never cancelled).
    Progress(FILE* out, FILE* err, tamsu::ProgressSink* sink, std::function<bool()> keepGoing,
             tamsu::ProgressForm form = tamsu::ProgressForm::lines)
        : out_(out), err_(err), sink_(sink), keepGoing_(std::move(keepGoing)), form_(form) {}

    FILE* out() const { return out_; }
    FILE* err() const { return err_; }

    // False once the caller wants the run stopped.
    bool continueComputation() const { return !keepGoing_ || keepGoing_(); }
    // Counts one median recursion step and polls every 1000 steps.
    bool countStep();

    // Counts the reference intervals of the reference chromosomes refs (the
    // whole of the work) and prints the start.
    void beginRun(const OccurrenceIndex& index, ChromRange refs);
    void printProgress(long long value);
    void beforeCandidates(long long x);
    void afterLeftBorder(long long x);
    void afterChromosome(long long x);
    void newReferenceChromosome(int chromNumber, int genomeNumber, const std::string& chromName, int geneCount);
    void endRun();

private:
    double percentOf(long long value) const;
    // Whether the full progress lines are written (no host, the default form).
    bool fullLines() const { return sink_ == nullptr && form_ == tamsu::ProgressForm::lines; }

    FILE* out_;
    FILE* err_;
    tamsu::ProgressSink* sink_;
    std::function<bool()> keepGoing_;
    tamsu::ProgressForm form_;
    PercentLines percentLines_;  // the percent form's lines
    unsigned int stepCounter_ = 0;
    long long substringCount_ = 0;
    long long sinkUnit_ = 1;  // intervals per step of the host's progress bar
    long long old_I_ref_Counter_ = 0;
    long long temp_I_ref_Counter_ = 0;
};

}  // namespace tamsu::detail
