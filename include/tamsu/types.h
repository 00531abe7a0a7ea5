// The vocabulary of the library: the query, the run context and the uniform
// result records. Plain data that depends on nothing but the standard library,
// so every layer of the library may use it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tamsu {

// The two text streams of a run: the report stream (standard output on the
// command line) and the diagnostic stream (standard error).
enum class Stream { out, err };

// The one error type of the library: a fatal condition with the exact text to
// print and the stream it belongs on. The library never ends the process;
// `main` prints the error and exits 1, the host bridge prints it and returns
// null to the JVM.
class Error : public std::runtime_error {
public:
    Error(Stream stream, std::string text) : std::runtime_error(text), stream_(stream), text_(std::move(text)) {}
    // An error whose text is printf-formatted.
    static Error formatted(Stream stream, const char* format, ...);

    Stream stream() const { return stream_; }
    // The exact text, newlines included (some messages have none).
    const std::string& text() const { return text_; }

    // Prints the message on out or err, as its stream says.
    void print(FILE* out, FILE* err) const {
        FILE* to = stream_ == Stream::out ? out : err;
        std::fputs(text_.c_str(), to);
        std::fflush(to);
    }

private:
    Stream stream_;
    std::string text_;
};

enum class Mode {
    median,     // a gene set within delta of one chosen interval per genome, summed
    center,     // a gene set within delta of every chosen interval
    reference,  // the gene sets of a reference genome's intervals, with their best occurrences
    perfect,    // reference-based with delta 0
};

enum class RefType {
    none,
    genome,     // genome 0 is the only reference
    cluster,    // the first chromosome of genome 0 is the gene set
    discovery,  // every genome up to the quorum serves as reference
};

// What lacking a cluster costs a genome under a quorum.
enum class CostType {
    zero,           // nothing
    proportionate,  // the distance budget divided by the genome count
    sizeDependent,  // the size of the median
};

// The one-letter names the command line, the reports and the host use.
char modeChar(Mode mode);

// A quorum: how many genomes a cluster has to occur in, and what a genome
// without it costs (the last two cost types: median mode only). A count
// below 1 is refused by validate as a cost type given without a quorum.
struct Quorum {
    int genomes = 0;
    CostType cost = CostType::zero;
};

// One query as entered. The values the searches use are derived from it and
// the genome count (see validate and findClusters); the query itself is never
// changed by a run.
struct Query {
    Mode mode = Mode::median;
    int delta = -1;           // distance threshold
    int minClusterSize = -1;  // s; -1 when not given
    // Without a quorum a cluster has to occur in every genome.
    std::optional<Quorum> quorum;
    RefType refType = RefType::none;
    double minOccSize = 0.0;   // share of a cluster's genes an occurrence must hold
    bool useNUM = true;        // the quadratic distinct-count table, where it fits a small budget
};

// How the percentage of a run's work is shown on its report stream (a host's
// progress bar is fed the same way whatever the form).
enum class ProgressForm {
    lines,    // a "progress:" line per reference left border, in place
    percent,  // one line per whole percent reached (in place on a terminal)
    none,
};

// The two forms of the output file.
enum class OutputFormat { tsv, json };

// What a run tells while it works. The searches report what happens; the
// Status decides what is shown: StatusPrinter (tamsu.h) writes the lines of
// the command line, a host may show a progress bar instead, or nothing.
class Status {
public:
    virtual ~Status() = default;
    // Text of the run's report for one of its two streams: status lines
    // ("cluster computation finished"), counts, the query header.
    virtual void print(Stream stream, const std::string& text) = 0;
    // The walk over the reference intervals begins: total intervals to walk.
    virtual void workStarted(long long total) = 0;
    // Intervals walked so far (it only grows; total at the end).
    virtual void workDone(long long done) = 0;
    // A reference chromosome (number within its genome) begins; done:
    // intervals walked before it.
    virtual void referenceChromosome(int chromosome, int genome, const std::string& name, int genes,
                                     long long done) = 0;
    // The walk is over (complete or stopped).
    virtual void workFinished() = 0;
    // Polled once per reference left border and every 1000 median steps;
    // false stops the run (the result is then "cancelled").
    virtual bool keepGoing() = 0;
};

// Where one run writes and whom it asks. Null streams silence the run; a
// caller may also hand in memory streams (open_memstream) to capture it.
struct RunContext {
    FILE* out = stdout;    // the reports; status lines and progress without a status
    FILE* err = stderr;    // the cluster listing; query header and diagnostics without a status
    FILE* keys = nullptr;  // key presses for the listing's pauses; null: no pause
    // What the run reports while it works; null: a StatusPrinter on out and err
    // with the full progress lines.
    Status* status = nullptr;
    // Bytes the search's growing lists may hold before the run is stopped
    // with an error; 0: 80% of the physical memory.
    std::size_t maxMemory = 0;
    // Reference chromosomes searched at once, in every mode (the answer and
    // the report are the same for any number).
    int threads = 1;
    // The gene-family statistics file of the run (statisticsFileName of the
    // caller's output file; empty: none). Its notices are part of the run's
    // report; the text is in Result::statisticsText.
    std::string statisticsPath;
    // Whether the run writes that file itself once it succeeded (the host
    // bridge asks for it). By default a run writes no file: writeStatisticsFile
    // writes the result's, and the command line commits it with its output file.
    bool writeStatistics = false;
    // Whether a reference-mode result holds its clusters as records
    // (Result::clusters). Without, the writers (writeReports, writeClusters,
    // writeClusterGenes) make each record as they write it: a large result is
    // then held once, in the compact form the search keeps.
    bool clusterRecords = true;
};

// ---------------------------------------------------------------------------
// The clusters of a run, every mode in one form. Genomes and chromosomes are
// indices in the input order (Genomes names them); gene families are the ids
// as read.

// One occurrence of a cluster: an interval of one chromosome.
struct Occurrence {
    int genome = 0;
    int chromosome = 0;
    int first = 0;  // first gene position (1-based)
    int last = 0;   // last gene position
    int distance = 0;  // set distance to the cluster's gene set (0: an exact occurrence)
    double pValue = 1.0;
};

// Occurrences rated together: at most one interval per genome in median and
// center mode, every location within the distance in the reference modes.
struct OccurrenceSet {
    std::vector<std::vector<Occurrence>> perGenome;  // one list per genome
    int genomesWithOccurrence = 0;
    int exactOccurrences = 0;  // genomes whose occurrence is exact (reference modes: genomes with one)
    double pValue = 1.0;
    double log10PValue = 0.0;  // log10 of pValue, summed factor by factor (never overflows)
    int totalDistance = 0;
    int minDistance = 0;  // smallest distance of an occurrence (reference modes: 0)
    int maxDistance = 0;
};

struct Cluster {
    Mode mode = Mode::median;
    int referenceGenome = -1;  // reference modes: the genome whose interval gave the set
    double pValue = 1.0;
    double log10PValue = 0.0;  // log10 of pValue, summed factor by factor (never overflows)
    int minTotalDistance = 0;
    std::vector<int> families;  // the gene set: family ids as read
    std::vector<OccurrenceSet> best;  // the best-rated occurrence sets
    std::vector<OccurrenceSet> all;   // every occurrence set of this gene set
};

// Counts of a median or center search.
struct SearchCounts {
    int filterCount = 0;
    double kTupleCount = 0.0;
    double partialKTupleCount = 0.0;
    double completeKTupleCount = 0.0;
    int optBorderMedianCount = 0;
    int minSizeMedianCount = 0;
    int distinctKTupleCount = 0;
    int optimalMedianCount = 0;
    int overlapFreeMedianCount = 0;
    int refBasedKTupleCount = 0;
    int medianCenterCount = 0;
};

}  // namespace tamsu
