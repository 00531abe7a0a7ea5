// A chromosome: its genes with annotation, and the index tables that the
// searches hang on it.
#pragma once

#include <span>
#include <string>
#include <cstddef>
#include <vector>

#include "util/intArrays.h"

// Ascending positions of every character, stored as one flat array with a
// start offset per character (character c owns positions[start[c] .. start[c+1])).
struct PositionLists {
    std::vector<int> start;      // alphabetSize + 2 entries once built
    std::vector<int> positions;  // one entry per gene position

    bool built() const { return !start.empty(); }
    std::span<const int> operator[](int c) const {
        return {positions.data() + start[c], static_cast<size_t>(start[c + 1] - start[c])};
    }
    // Whether c occurs at all (the list head is non-null).
    bool contains(int c) const { return start[c + 1] > start[c]; }
};

struct Chromosome {
    std::string name;                      // leading blanks removed; empty from the host
    std::vector<char> dirs;                // length + 2, '?' at the ends; empty from the host
    std::vector<char> fcats;               // length + 2, '?' at the ends; empty from the host
    std::vector<std::string> locusTags;    // length + 2; empty from the host
    std::vector<std::string> annotations;  // length + 2; empty from the host
    int number = 0;                        // position within its genome
    int length = -1;                       // -1 until read
    std::vector<int> genes;                // length + 2, sentinel 0 at both ends; empty until read

    // Occurrence index (built by initDataStructures).
    PositionLists POS;
    std::vector<int> charFreq;             // alphabetSize + 1
    IntTable NUM;                          // (length+2)^2, empty with -noNUM
    std::vector<int> prevOcc;              // length + 2
    std::vector<int> nextOcc;              // length + 2
    IntTable L, R, L_prime, R_prime;       // (length+2) x (delta+2)

    bool isSet() const { return !genes.empty(); }
};

// A chromosome with the name (leading blanks skipped) and number, not yet read.
Chromosome initChrom(const std::string& name, int number);

// Fills a chromosome from its gene lines (five tab-separated columns each).
// Problems with a line are reported on stdout as the reader always has.
void setChrom(Chromosome& chrom, const std::vector<std::string>& lines);
// The same, for lines read from fileName with the first gene line at line
// firstLineNumber (1-based), so that an unusable identifier names its place.
void setChrom(Chromosome& chrom, const std::vector<std::string>& lines, const std::string& fileName,
              int firstLineNumber);
