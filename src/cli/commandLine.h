// The command line of zub: options into a query, the usage text and the
// default output name.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "arguments.h"
#include "tamsu/tools.h"
#include "tamsu/types.h"

struct CommandLine {
    std::string genomeListPath;
    tamsu::Query query;
    std::string outputFile;  // -o, or the name made from the query
    int threads = 1;         // -t; by default one per core
    tamsu::OutputFormat format = tamsu::OutputFormat::tsv;      // --format
    tamsu::ProgressForm progress = tamsu::ProgressForm::lines;  // --progress
    std::size_t maxMemory = 0;                                  // --max-memory; 0: the library's default
    int shard = 0;                                              // --shard I/N: I (1-based) and N; N 0: whole run
    int shardCount = 0;
    std::string shardResultPath;                                // --partial; empty: the default name
    // Where the reports go: the terminal (default), nowhere (--quiet) or a
    // file (--log FILE); the listing's pause only on the terminal.
    bool quiet = false;
    bool noPause = false;
    std::string logPath;
    bool progressGiven = false;  // --progress was typed (quiet runs show none otherwise)
    tamsu::ClusterTableOptions table;                           // --annotate, --max-size
    std::string genesPath;                                      // --genes: the long table of genes
    // The query as typed: the words after the program name without those that
    // only steer this process (-t, --max-memory, --shard, --partial), so that
    // every shard of one run records the same words.
    std::vector<std::string> command;
};

// The most threads -t takes.
constexpr int kMaxThreads = 1024;

// The usage text of the main command (for the program name of setProgramName).
std::string mainUsage();

// Parses the command line into line. Announces itself on out ("reading query
// parameters") unless --help, -h or --version came first: those print the
// usage or the version on out and are returned (the run ends with status
// 0). Throws tamsu::Error (message and usage, for stderr) on any error.
ParseOutcome readParameters(int argc, const char* const* argv, FILE* out, CommandLine& line);

// Default output name: <stem>_d<delta>_s<s>_<mode>[_q<q>].out from the texts as
// typed (absent texts contribute nothing); the stem is the list path up to the
// first '.' of its file name, after any leading dots.
std::string createNameForOutFile(const std::optional<std::string>& deltaText,
                                 const std::optional<std::string>& sText, tamsu::Mode mode,
                                 const std::optional<std::string>& qText, const std::string& genomeListPath);

// A whole decimal number in [minimum, maximum] (see wholeNumber); nothing
// when text is none, and then tooLarge tells whether it was one above maximum.
std::optional<int> intInRange(const std::string& text, int minimum, int maximum, bool& tooLarge);

// The values of --qType and --refType; nothing for an unknown one.
std::optional<tamsu::CostType> costType(const std::string& value);
std::optional<tamsu::RefType> referenceType(const std::string& value);
