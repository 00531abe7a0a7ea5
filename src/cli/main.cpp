// Command-line entry: parses the query, reads the genomes, runs the search and
// writes the reports; a fatal error prints its message and exits 1.
#include <cstdio>
#include <memory>
#include <new>

#include "commandLine.h"
#include "tamsu/tamsu.h"

namespace {

// The whole run; returns the exit status of a complete run (0) and throws
// tamsu::Error on any failure.
int runCommandLine(int argc, const char* const* argv) {
    const CommandLine line = readParameters(argc, argv, stdout);
    const tamsu::Query& query = line.query;
    tamsu::printParameters(stdout, query);
    const tamsu::Genomes genomes = tamsu::Genomes::read(line.genomeListPath, stdout);
    genomes.printStatistics(stdout);

    tamsu::RunContext context;
    context.keys = stdin;  // the listing pauses for a key after each cluster
    const tamsu::Result result = tamsu::findClusters(genomes, query, context);
    if (!result.cancelled) {
        // The output file is created empty; nothing is written into it.
        std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(query.outfile.c_str(), "w"), std::fclose);
        if (!out) throw tamsu::Error(tamsu::Stream::err, "Can't open output file: " + query.outfile + "\n");
        tamsu::writeReports(result, genomes, context);
    }
    // The stem drops the four-character extension, as the statistics file's name does.
    const std::string& name = query.outfile;
    std::fprintf(stderr, "outfile: %s\n", name.c_str());
    std::fprintf(stderr, "outfile: %s\n", (name.size() >= 4 ? name.substr(0, name.size() - 4) : name).c_str());
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
    } catch (const tamsu::Error& error) {
        std::fflush(stdout);
        error.print(stdout, stderr);
    } catch (const std::bad_alloc&) {
        std::fflush(stdout);
        std::fprintf(stderr, "error: out of memory\n");
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "error: %s\n", error.what());
    } catch (...) {
        std::fflush(stdout);
        std::fprintf(stderr, "error: unexpected failure\n");
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv) { return checkedStatus(run(argc, argv)); }
