// The current reference interval I_ref: where it lies, its characters in order
// of addition, and per-genome distance bounds.
#pragma once

#include <vector>

#include "index/occurrenceIndex.h"
#include "params/parameterArray.h"

namespace tamsu::detail {

struct Pattern {
    int refGenome = -1;
    int refChrom = -1;
    int left = -1;
    int right = -1;
    int newChar = 0;
    int size = 0;
    std::vector<int> charCount;    // alphabetSize + 1
    int minTotalDist = 0;
    int genomeCount = 0;
    std::vector<int> minDists;     // k
    std::vector<int> maxRemDists;  // k
    double rareFamilyCount = 0.0;
    std::vector<int> charList;     // characters in order of addition
};

Pattern makePattern(int charTableSize, int k);
void resetPattern(Pattern& pattern, int alphabetSize, int D, int g, int chromNumber, int i);
void addToPattern(Pattern& pattern, int c, int r, int g);
// Grows I_ref by the character at position j; false at the end of the chain.
bool growReferenceInterval(int j, Pattern& pattern, const ChromIndex& ref);
// Number of genomes (from genome 0 on) that serve as reference genomes.
int referenceGenomeCount(const ParameterArray& params, int k);
bool tooManyRareFamilies(Pattern& pattern, const OccurrenceIndex& index, int delta);

}  // namespace tamsu::detail
