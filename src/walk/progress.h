// The run's side of its status: counts the walked reference intervals and
// the median steps, and hands text, progress and the cancellation poll to the
// run's Status. Owned by the run, so two runs never share counters.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "tamsu/types.h"
#include "util/errors.h"

namespace tamsu::detail {

class OccurrenceIndex;
struct ChromRange;

// A status that shows nothing; keepGoing (none: always) is its poll. For
// searches whose report another thread writes, and for quiet callers.
class SilentStatus final : public tamsu::Status {
public:
    explicit SilentStatus(std::function<bool()> keepGoing = {}) : keepGoing_(std::move(keepGoing)) {}
    void print(Stream, const std::string&) override {}
    void workStarted(long long) override {}
    void workDone(long long) override {}
    void referenceChromosome(int, int, const std::string&, int, long long) override {}
    void workFinished() override {}
    bool keepGoing() override { return !keepGoing_ || keepGoing_(); }

private:
    std::function<bool()> keepGoing_;
};

class Progress {
public:
    explicit Progress(tamsu::Status& status) : status_(status) {}

    // Text of the run's report on one of its streams.
    void print(Stream stream, const std::string& text) { status_.print(stream, text); }
    // What print(FILE*) writes, handed to the status as one text: for the
    // reports that are written to a stream.
    template <typename Print>
    void printWith(Stream stream, Print&& print);

    // False once the caller wants the run stopped.
    bool continueComputation() const { return status_.keepGoing(); }
    // Counts one median recursion step and polls every 1000 steps.
    bool countStep();

    // Counts the reference intervals of the reference chromosomes refs (the
    // whole of the work) and reports the start.
    void beginRun(const OccurrenceIndex& index, ChromRange refs);
    void beforeCandidates(long long x);
    void afterLeftBorder(long long x);
    void afterChromosome(long long x);
    void newReferenceChromosome(int chromNumber, int genomeNumber, const std::string& chromName, int geneCount);
    void endRun() { status_.workFinished(); }

private:
    tamsu::Status& status_;
    unsigned int stepCounter_ = 0;
    long long finishedChromosomes_ = 0;  // intervals of the chromosomes walked to the end
    long long currentChromosome_ = 0;    // intervals of the left borders done in the current one
};

template <typename Print>
void Progress::printWith(Stream stream, Print&& print) {
    char* text = nullptr;
    size_t size = 0;
    FILE* memory = open_memstream(&text, &size);
    if (memory == nullptr) throw tamsu::Error(Stream::err, "error: out of memory\n");
    print(memory);
    std::fclose(memory);
    std::string copy(text, size);
    std::free(text);
    status_.print(stream, copy);
}

}  // namespace tamsu::detail
