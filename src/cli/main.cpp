// Command-line entry: parses the query, reads the genomes, runs the search and
// writes the reports; a fatal error prints its message and exits 1.
#include <signal.h>
#include <time.h>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arguments.h"
#include "commandLine.h"
#include "subcommands.h"
#include "tamsu/tamsu.h"

namespace {

// The signal that asked the running search to stop (0: none did), and when
// (monotonic milliseconds). Only the handler writes them; the search reads
// the signal at its polls.
volatile std::sig_atomic_t stopSignal = 0;
long long stopTime = 0;

long long monotonicMilliseconds() {
    struct timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);  // safe in a signal handler
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The first signal asks the search to stop. One sent again a second or more
// later (a user who will not wait) ends the process at once; sooner, it is
// the same request delivered twice (timeout, for one, signals the process
// and then its group).
extern "C" void noteStopSignal(int signal) {
    const long long now = monotonicMilliseconds();
    if (stopSignal == 0) {
        stopTime = now;
        stopSignal = signal;
    } else if (now - stopTime >= 1000) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}

// While a search runs, an interrupt, termination or hang-up stops it at its
// next poll instead of killing the process, so that its temporary output
// files are removed; main then raises the signal again, and the caller sees
// the run end by it. A signal the run was started with ignored stays ignored
// (a background job of a shell).
class StopSignals {
public:
    StopSignals() {
        struct sigaction action = {};
        action.sa_handler = noteStopSignal;
        sigemptyset(&action.sa_mask);
        for (int signal : kSignals) sigaddset(&action.sa_mask, signal);  // one handler at a time
        for (size_t at = 0; at < kSignals.size(); ++at) {
            sigaction(kSignals[at], &action, &previous_[at]);
            if (previous_[at].sa_handler == SIG_IGN) sigaction(kSignals[at], &previous_[at], nullptr);
        }
    }
    ~StopSignals() {
        for (size_t at = 0; at < kSignals.size(); ++at) sigaction(kSignals[at], &previous_[at], nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    static constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, 3> previous_{};
};

// A run a signal stopped writes no output file, even when the signal came
// after the search.
void requireNotStopped() {
    if (stopSignal != 0)
        throw tamsu::Error(tamsu::Stream::err, "error: the run was stopped by a signal; no output file was written\n");
}

// Where a run's reports go: the terminal, a log file (--log) or nowhere
// (--quiet). The log file is opened only once the inputs are known, so that
// it cannot replace one; until then the reports wait in memory.
class ReportStreams {
public:
    explicit ReportStreams(const CommandLine& line) : line_(line) {
        if (line.quiet || !line.logPath.empty()) {
            early_.reset(open_memstream(&earlyText_, &earlySize_));
            if (!early_) throw tamsu::Error(tamsu::Stream::err, "error: no memory for the reports\n");
            // The announcement the terminal did not get (see readParameters).
            std::fputs("reading query parameters\n", early_.get());
        }
    }
    ~ReportStreams() {
        early_.reset();
        std::free(earlyText_);
    }
    FILE* out() const { return log_ ? log_.get() : early_ ? early_.get() : stdout; }
    FILE* err() const { return log_ ? log_.get() : early_ ? early_.get() : stderr; }
    // The inputs are known: a quiet run drops what it held, a logging one
    // opens its file and writes it there.
    void inputsKnown(const std::vector<std::string>& inputs) {
        if (!early_) return;
        if (line_.logPath.empty() || line_.quiet) {
            log_.reset(std::fopen("/dev/null", "w"));
        } else {
            tamsu::checkOutputPath(line_.logPath, inputs);
            log_.reset(std::fopen(line_.logPath.c_str(), "w"));
            if (!log_)
                throw tamsu::Error(tamsu::Stream::err, "error: cannot write the log file \"" + line_.logPath +
                                                           "\": " + std::strerror(errno) + "\n");
        }
        std::fflush(early_.get());
        std::fwrite(earlyText_, 1, earlySize_, log_.get());
        early_.reset();
    }
    // A log file that could not be written fails the run.
    void requireWritten() {
        if (log_ && (std::fflush(log_.get()) != 0 || std::ferror(log_.get())))
            throw tamsu::Error(tamsu::Stream::err, "error: writing the log file \"" + line_.logPath + "\" failed\n");
    }

private:
    struct Closer {
        void operator()(FILE* file) const { std::fclose(file); }
    };
    const CommandLine& line_;
    char* earlyText_ = nullptr;
    size_t earlySize_ = 0;
    std::unique_ptr<FILE, Closer> early_;
    std::unique_ptr<FILE, Closer> log_;
};

// The status of a run whose reports go to a log file or nowhere: the run's
// text goes with them, the progress to standard output in the form asked.
class ReportStatus final : public tamsu::Status {
public:
    ReportStatus(FILE* reports, tamsu::ProgressForm form, std::function<bool()> keepGoing)
        : text_(reports, reports, tamsu::ProgressForm::none), progress_(stdout, stderr, form, std::move(keepGoing)) {}
    void print(tamsu::Stream stream, const std::string& text) override { text_.print(stream, text); }
    void workStarted(long long total) override { progress_.workStarted(total); }
    void workDone(long long done) override { progress_.workDone(done); }
    void referenceChromosome(int chromosome, int genome, const std::string& name, int genes, long long done) override {
        progress_.referenceChromosome(chromosome, genome, name, genes, done);
    }
    void workFinished() override { progress_.workFinished(); }
    bool keepGoing() override { return progress_.keepGoing(); }

private:
    tamsu::StatusPrinter text_;
    tamsu::StatusPrinter progress_;
};

// The search of a run, its reports and its output file; with shards, the
// run's rest from the results of every shard instead of the search.
int runSearch(const CommandLine& line, const std::vector<tamsu::ShardResult>* shards) {
    const tamsu::Query& query = line.query;
    const StopSignals stopSignals;
    ReportStreams reports(line);
    tamsu::printParameters(reports.out(), query, line.outputFile);
    const tamsu::Genomes genomes = tamsu::Genomes::read(line.genomeListPath, reports.out());
    genomes.printStatistics(reports.out());
    const std::string& name = line.outputFile;
    const std::string stem = tamsu::outputStem(name);
    // Neither output may overwrite an input, and an unwritable name fails now,
    // not after the search: the files are created (under temporary names) first.
    const std::vector<std::string> inputs{line.genomeListPath, genomes.annotationPath()};
    reports.inputsKnown(inputs);
    const bool terminal = !line.quiet && line.logPath.empty();
    tamsu::RunContext context;
    context.out = reports.out();
    context.err = reports.err();
    // On the terminal the listing pauses for a key after each cluster.
    context.keys = terminal && !line.noPause ? stdin : nullptr;
    // A closed standard output (a pipe whose reader ended) stops the search:
    // nothing of it would be seen, and the run fails below.
    // A signal stops it too (StopSignals).
    auto keepGoing = [] { return !std::ferror(stdout) && stopSignal == 0; };
    tamsu::StatusPrinter terminalStatus(stdout, stderr, line.progress, keepGoing);
    // Away from the terminal the percentage shows only when asked for.
    ReportStatus reportStatus(reports.out(), line.progressGiven ? line.progress : tamsu::ProgressForm::none, keepGoing);
    context.status = terminal ? static_cast<tamsu::Status*>(&terminalStatus) : &reportStatus;
    context.maxMemory = line.maxMemory;
    context.threads = line.threads;
    context.writeStatistics = false;  // committed together with the output file
    context.clusterRecords = false;   // the writers make them one at a time

    if (line.shardCount > 0) {
        const std::string partial =
            !line.shardResultPath.empty()
                ? line.shardResultPath
                : stem + ".shard" + std::to_string(line.shard) + "of" + std::to_string(line.shardCount) + ".json";
        tamsu::checkOutputPath(partial, inputs);
        tamsu::AtomicOutputFile out(partial);
        tamsu::ShardResult result = tamsu::findShardClusters(genomes, query, line.shard, line.shardCount, context);
        requireWritableStandardStreams();
        requireNotStopped();
        if (!result.clusters) throw tamsu::Error(tamsu::Stream::err, "error: the search was stopped\n");
        result.command = line.command;
        result.inputFingerprint = tamsu::inputFingerprint(genomes);
        tamsu::writeShardResult(out.get(), result, genomes);
        requireNotStopped();
        out.commit();
        std::fprintf(reports.err(), "shard result: %s\n", partial.c_str());
        reports.requireWritten();
        return 0;
    }

    tamsu::checkOutputPath(name, inputs);
    const std::string statisticsName = tamsu::statisticsFileName(name);
    if (!statisticsName.empty()) tamsu::checkOutputPath(statisticsName, inputs);
    if (statisticsName == name)
        throw tamsu::Error(tamsu::Stream::err, "error: the output file \"" + name +
                                                   "\" would be its own statistics file; choose another name (-o)\n");
    if (!line.genesPath.empty()) {
        tamsu::checkOutputPath(line.genesPath, inputs);
        if (line.genesPath == name || line.genesPath == statisticsName)
            throw tamsu::Error(tamsu::Stream::err, "error: --genes names the output file \"" + line.genesPath + "\"\n");
    }
    tamsu::AtomicOutputFile table(name);
    std::optional<tamsu::AtomicOutputFile> genes;
    if (!line.genesPath.empty()) genes.emplace(line.genesPath);
    std::optional<tamsu::AtomicOutputFile> statistics;
    if (!statisticsName.empty()) statistics.emplace(statisticsName);
    context.statisticsPath = statisticsName;
    tamsu::Result result;
    if (shards != nullptr) {
        // The fingerprint of the bytes this run read, against the shards'.
        const std::string fingerprint = tamsu::inputFingerprint(genomes);
        if (fingerprint != shards->front().inputFingerprint)
            throw tamsu::Error(tamsu::Stream::err, "error: the input files are not those the shards searched (" +
                                                       fingerprint + " now, " + shards->front().inputFingerprint +
                                                       " then)\n");
        result = tamsu::mergeShards(genomes, query, *shards, context);
    } else {
        result = tamsu::findClusters(genomes, query, context);
    }
    requireWritableStandardStreams();
    requireNotStopped();
    if (result.cancelled) throw tamsu::Error(tamsu::Stream::err, "error: the search was stopped\n");
    // The output file and the statistics file replace older ones only now,
    // complete, and together.
    tamsu::writeReports(result, genomes, context);
    tamsu::ClusterTableOptions tableOptions = line.table;
    tableOptions.command = {programName()};
    tableOptions.command.insert(tableOptions.command.end(), line.command.begin(), line.command.end());
    tamsu::writeClusters(table.get(), line.format, result, genomes, query, line.genomeListPath, tableOptions);
    std::vector<tamsu::AtomicOutputFile*> files;
    if (genes) {
        tamsu::writeClusterGenes(genes->get(), result, genomes, query, line.table.maxSize);
        files.push_back(&*genes);
    }
    if (statistics) {
        std::fwrite(result.statisticsText.data(), 1, result.statisticsText.size(), statistics->get());
        files.push_back(&*statistics);
    }
    files.push_back(&table);
    requireWritableStandardStreams();
    requireNotStopped();
    tamsu::commitTogether(files);
    std::fprintf(reports.err(), "outfile: %s\n", name.c_str());
    std::fprintf(reports.err(), "outfile: %s\n", stem.c_str());
    reports.requireWritten();
    return 0;
}

std::string mergeUsage() {
    return formatUsage(
        "\nUsage: %s merge <shard result> <shard result> ...\n"
        "\nFinishes a run split with --shard I/N from the shard results of all N shards (in any order):\n"
        "prints and writes exactly what the whole run prints and writes. --help prints this text.\n\n",
        programName().c_str());
}

// zub merge: the run is the one the shards recorded, read again from its words.
int runMerge(int argc, const char* const* argv) {
    const std::string usage = mergeUsage();
    std::vector<std::string> paths;
    CommandSpec command;
    command.usage = usage;
    command.unknownOption = "error: unknown option: %s\n";
    command.operand = [&](const std::string& word) { paths.push_back(word); };
    if (parseArguments(command, std::vector<std::string>(argv + 2, argv + argc), stdout) != ParseOutcome::run) return 0;
    if (paths.empty()) failWithUsage(usage, "error: no shard results given\n");
    std::vector<tamsu::ShardResult> results;
    for (const std::string& path : paths) results.push_back(tamsu::readShardResult(path));
    const std::vector<tamsu::ShardResult> shards = tamsu::orderShards(std::move(results));
    std::vector<const char*> words{argv[0]};
    for (const std::string& word : shards.front().command) words.push_back(word.c_str());
    CommandLine line;
    if (readParameters(static_cast<int>(words.size()), words.data(), stdout, line) != ParseOutcome::run)
        throw tamsu::Error(tamsu::Stream::err, "error: the shards recorded no query\n");
    if (line.shardCount > 0) throw tamsu::Error(tamsu::Stream::err, "error: the shards recorded a shard option\n");
    return runSearch(line, &shards);
}

// The whole run; returns the exit status of a complete run (0) and throws
// tamsu::Error on any failure.
int runCommandLine(int argc, const char* const* argv) {
    if (argc >= 2 && std::string(argv[1]) == "merge") return runMerge(argc, argv);
    if (argc >= 2 && isSubcommand(argv[1])) return runSubcommand(argc, argv);
    CommandLine line;
    if (readParameters(argc, argv, stdout, line) != ParseOutcome::run) return 0;
    return runSearch(line, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    // A closed pipe on standard output makes writes fail (and the run end
    // with a message) instead of killing the process silently.
    std::signal(SIGPIPE, SIG_IGN);
    setProgramName(programName(argc > 0 ? argv[0] : nullptr));
    int status = 1;
    try {
        status = runCommandLine(argc, argv);
    } catch (...) {
        tamsu::printCurrentError(stdout, stderr);
    }
    // A run whose reports could not be written completely (a full disk, a
    // closed pipe) has failed, whatever it computed.
    const bool outFailed = std::fflush(stdout) != 0 || std::ferror(stdout);
    const bool errFailed = std::fflush(stderr) != 0 || std::ferror(stderr);
    if (outFailed && !standardOutputFailureReported())
        std::fprintf(stderr, "error: writing to standard output failed\n");
    // A run a signal stopped (its files removed) ends by that signal, as it
    // would have without the handler.
    if (stopSignal != 0) {
        std::signal(stopSignal, SIG_DFL);
        std::raise(stopSignal);
    }
    return outFailed || errFailed ? 1 : status;
}
