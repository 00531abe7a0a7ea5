// Command-line entry: parses the query, reads the genomes, runs the search and
// writes the reports; a fatal error prints its message and exits 1.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "commandLine.h"
#include "outputFile.h"
#include "subcommands.h"
#include "tamsu/tamsu.h"

namespace {

// The search of a run, its reports and its output file; with shards, the
// run's rest from the results of every shard instead of the search.
int runSearch(const CommandLine& line, const std::vector<tamsu::ShardResult>* shards) {
    const tamsu::Query& query = line.query;
    tamsu::printParameters(stdout, query);
    const tamsu::Genomes genomes = tamsu::Genomes::read(line.genomeListPath, stdout);
    genomes.printStatistics(stdout);
    // The stem drops the four-character extension, as the statistics file's name does.
    const std::string& name = query.outfile;
    const std::string stem = name.size() >= 4 ? name.substr(0, name.size() - 4) : name;
    // Neither output may overwrite an input, and an unwritable name fails now,
    // not after the search.
    const std::vector<std::string> inputs{line.genomeListPath, genomes.annotationPath()};
    tamsu::RunContext context;
    context.keys = stdin;  // the listing pauses for a key after each cluster
    context.progressForm = line.progress;
    context.maxMemory = line.maxMemory;

    if (line.shardCount > 0) {
        const std::string partial =
            !line.shardResultPath.empty()
                ? line.shardResultPath
                : stem + ".shard" + std::to_string(line.shard) + "of" + std::to_string(line.shardCount) + ".json";
        checkOutputPath(partial, inputs);
        tamsu::ShardResult result = tamsu::findShardClusters(genomes, query, line.shard, line.shardCount, context);
        if (result.clusters) {
            result.command = line.command;
            result.inputFingerprint = tamsu::inputFingerprint(genomes, line.genomeListPath);
            AtomicOutputFile out(partial);
            tamsu::writeShardResult(out.get(), result, genomes);
            out.commit();
            std::fprintf(stderr, "shard result: %s\n", partial.c_str());
        }
        return 0;
    }

    checkOutputPath(name, inputs);
    checkOutputPath(stem + ".genFamStat", inputs);
    tamsu::Result result;
    if (shards != nullptr) {
        const std::string fingerprint = tamsu::inputFingerprint(genomes, line.genomeListPath);
        if (fingerprint != shards->front().inputFingerprint)
            throw tamsu::Error(tamsu::Stream::err, "error: the input files are not those the shards searched (" +
                                                       fingerprint + " now, " + shards->front().inputFingerprint +
                                                       " then)\n");
        result = tamsu::mergeShards(genomes, query, *shards, context);
    } else {
        result = tamsu::findClusters(genomes, query, context);
    }
    if (!result.cancelled) {
        // The clusters go to a temporary file beside the output file, which
        // replaces it only once complete.
        AtomicOutputFile out(name);
        tamsu::writeReports(result, genomes, context);
        tamsu::writeClusters(out.get(), line.format, result, genomes, query, line.genomeListPath);
        out.commit();
    }
    std::fprintf(stderr, "outfile: %s\n", name.c_str());
    std::fprintf(stderr, "outfile: %s\n", stem.c_str());
    return 0;
}

constexpr const char* kMergeUsage =
    "\nUsage: zub merge <shard result> <shard result> ...\n"
    "\nFinishes a run split with --shard I/N from the shard results of all N shards (in any order):\n"
    "prints and writes exactly what the whole run prints and writes.\n\n";

// zub merge: the run is the one the shards recorded, read again from its words.
int runMerge(int argc, const char* const* argv) {
    std::vector<tamsu::ShardResult> results;
    for (int i = 2; i < argc; ++i) {
        if (argv[i][0] == '-')
            throw tamsu::Error(tamsu::Stream::err,
                               std::string("error: unknown option: ") + argv[i] + "\n" + kMergeUsage);
        results.push_back(tamsu::readShardResult(argv[i]));
    }
    if (results.empty())
        throw tamsu::Error(tamsu::Stream::err, std::string("error: no shard results given\n") + kMergeUsage);
    const std::vector<tamsu::ShardResult> shards = tamsu::orderShards(std::move(results));
    std::vector<const char*> words{argv[0]};
    for (const std::string& word : shards.front().command) words.push_back(word.c_str());
    const CommandLine line = readParameters(static_cast<int>(words.size()), words.data(), stdout);
    if (line.shardCount > 0) throw tamsu::Error(tamsu::Stream::err, "error: the shards recorded a shard option\n");
    return runSearch(line, &shards);
}

// The whole run; returns the exit status of a complete run (0) and throws
// tamsu::Error on any failure.
int runCommandLine(int argc, const char* const* argv) {
    if (argc >= 2 && std::string(argv[1]) == "merge") return runMerge(argc, argv);
    if (argc >= 2 && isSubcommand(argv[1])) return runSubcommand(argc, argv);
    return runSearch(readParameters(argc, argv, stdout), nullptr);
}

// A run whose reports could not be written completely (a full disk, a closed
// pipe) has failed, whatever it computed.
int checkedStatus(int status) {
    const bool outFailed = std::fflush(stdout) != 0 || std::ferror(stdout);
    const bool errFailed = std::fflush(stderr) != 0 || std::ferror(stderr);
    if (outFailed) std::fprintf(stderr, "error: writing to standard output failed\n");
    return outFailed || errFailed ? 1 : status;
}

int run(int argc, char** argv) {
    try {
        return runCommandLine(argc, argv);
    } catch (...) {
        tamsu::printCurrentError(stdout, stderr);
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) { return checkedStatus(run(argc, argv)); }
