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

// The whole run; returns the exit status of a complete run (0) and throws
// tamsu::Error on any failure.
int runCommandLine(int argc, const char* const* argv) {
    if (argc >= 2 && isSubcommand(argv[1])) return runSubcommand(argc, argv);
    const CommandLine line = readParameters(argc, argv, stdout);
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
    checkOutputPath(name, inputs);
    checkOutputPath(stem + ".genFamStat", inputs);

    tamsu::RunContext context;
    context.keys = stdin;  // the listing pauses for a key after each cluster
    context.progressForm = line.progress;
    context.maxMemory = line.maxMemory;
    const tamsu::Result result = tamsu::findClusters(genomes, query, context);
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
