// A chromosome: its genes with their annotation.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tamsu::detail {

struct Chromosome {
    std::string name;                      // leading blanks removed; empty from the host
    std::vector<char> dirs;                // length + 2, '?' at the ends; empty from the host
    std::vector<char> fcats;               // length + 2, '?' at the ends; empty from the host
    std::vector<std::string> locusTags;    // length + 2; empty from the host
    std::vector<std::string> annotations;  // length + 2; empty from the host
    int number = 0;                        // position within its genome
    std::vector<int> genes;                // length + 2, sentinel 0 at both ends; empty until read

    bool isSet() const { return !genes.empty(); }
    // Genes between the sentinels; -1 until read.
    int length() const { return genes.empty() ? -1 : static_cast<int>(genes.size()) - 2; }
};

// A chromosome with the name (leading blanks skipped) and number, not yet read.
Chromosome makeChromosome(const std::string& name, int number);

// Fills a chromosome from its gene lines, read from fileName with the first
// gene line at line firstLineNumber (1-based). Each line has five
// tab-separated columns: the gene family (a whole number from 0 to
// 2147483647, 0 for a gene without homologue), the strand and the category
// (their first characters are kept), the locus tag and the annotation (the
// rest of the line). Throws tamsu::Error naming the file and line of a line
// with fewer columns or a family that is not such a number.
void fillChromosome(Chromosome& chrom, const std::vector<std::string>& lines, const std::string& fileName,
                    int firstLineNumber);

// Whether a line of the annotation file reads as a gene line: its first
// tab-separated column is a number (with an optional sign).
bool looksLikeGeneLine(const std::string& line);

}  // namespace tamsu::detail
