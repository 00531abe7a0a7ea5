// Fuzz target of the command-line parser: the input split at NUL and newline
// characters gives the arguments after the program name (an empty input
// none). A first argument
// "@" stands for a real (small) genome list, so that parsing gets past the
// check that the list exists. Parsed parameters are printed and derived for a
// genome count taken from the input. A tamsu::Error is the expected answer to
// a bad command line; anything else is a fault.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "commandLine.h"
#include "scratchDir.h"
#include "tamsu/tamsu.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchDir dir;
    static const std::string listPath = dir.write("list.txt", "SOURCE: ann.txt\nG:c\n");
    static FILE* const sink = std::fopen("/dev/null", "w");

    std::vector<std::string> words{"zub"};
    std::string word;
    for (size_t i = 0; size > 0 && i <= size; ++i) {
        if (i == size || data[i] == '\0' || data[i] == '\n') {
            words.push_back(word);
            word.clear();
        } else {
            word.push_back(static_cast<char>(data[i]));
        }
    }
    if (words.size() > 1 && words[1] == "@") words[1] = listPath;
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    const int argc = static_cast<int>(argv.size());
    argv.push_back(nullptr);

    try {
        CommandLine line;
        if (readParameters(argc, argv.data(), sink, line) != ParseOutcome::run) return 0;
        tamsu::printParameters(sink, line.query, line.outputFile);
        const int genomeCount = 1 + static_cast<int>(size % 8);
        tamsu::validate(line.query, genomeCount);
        tamsu::printDerivedParameters(sink, line.query, genomeCount, line.outputFile);
    } catch (const tamsu::Error&) {
    }
    return 0;
}
