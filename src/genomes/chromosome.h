// A chromosome: its genes with their annotation.
#pragma once

#include <cstdio>
#include <string>
#include <cstddef>
#include <vector>

namespace tamsu::detail {

struct Chromosome {
    std::string name;                      // leading blanks removed; empty from the host
    std::vector<char> dirs;                // length + 2, '?' at the ends; empty from the host
    std::vector<char> fcats;               // length + 2, '?' at the ends; empty from the host
    std::vector<std::string> locusTags;    // length + 2; empty from the host
    std::vector<std::string> annotations;  // length + 2; empty from the host
    int number = 0;                        // position within its genome
    int length = -1;                       // -1 until read
    std::vector<int> genes;                // length + 2, sentinel 0 at both ends; empty until read

    bool isSet() const { return !genes.empty(); }
};

// A chromosome with the name (leading blanks skipped) and number, not yet read.
Chromosome makeChromosome(const std::string& name, int number);

// Fills a chromosome from its gene lines (five tab-separated columns each).
// Problems with a line are reported on stdout (out) as the reader always has.
void fillChromosome(Chromosome& chrom, const std::vector<std::string>& lines);
// The same, for lines read from fileName with the first gene line at line
// firstLineNumber (1-based), so that an unusable identifier names its place.
void fillChromosome(Chromosome& chrom, const std::vector<std::string>& lines, const std::string& fileName,
              int firstLineNumber, FILE* out);

}  // namespace tamsu::detail
