// The reference interval I_ref and its growth one character at a time; the
// choice of reference genomes and the infrequent-character test.
#include "walk/pattern.h"

#include <algorithm>

#include "util/errors.h"

namespace tamsu::detail {

Pattern makePattern(int charTableSize, int k) {
    Pattern pattern;
    pattern.genomeCount = k;
    pattern.charCount.assign(std::max(charTableSize, 0), 0);
    pattern.minDists.assign(std::max(k, 0), 0);
    pattern.maxRemDists.assign(std::max(k, 0), 0);
    return pattern;
}

void resetPattern(Pattern& pattern, int alphabetSize, int D, int g, int chromNumber, int i) {
    pattern.refGenome = g;
    pattern.refChrom = chromNumber;
    pattern.left = i;
    // right keeps its old value until the first character is added.
    pattern.newChar = 0;
    pattern.size = 0;
    pattern.rareFamilyCount = 0.0;
    pattern.minTotalDist = 0;
    std::fill(pattern.minDists.begin(), pattern.minDists.end(), 0);
    std::fill(pattern.maxRemDists.begin(), pattern.maxRemDists.end(), D);
    // Only the characters added since the last reset are counted: clearing
    // them spares a pass over the whole alphabet at every left border.
    (void)alphabetSize;
    for (int c : pattern.charList) pattern.charCount[c] = 0;
    pattern.charList.clear();
}

void addToPattern(Pattern& pattern, int c, int r, int g) {
    pattern.newChar = c;
    pattern.right = r;
    pattern.size += 1;
    pattern.charList.push_back(c);
    pattern.charCount[c] += 1;
    // Every other genome's best interval so far is at most one worse for the
    // grown set; the reference genome keeps its exact occurrence.
    for (int& dist : pattern.minDists) dist += 1;
    pattern.minDists[g] -= 1;
    pattern.minTotalDist = 0;
    std::fill(pattern.maxRemDists.begin(), pattern.maxRemDists.end(), -1);
}

bool growReferenceInterval(int j, Pattern& pattern, const ChromIndex& ref) {
    if (j > ref.length) return false;
    std::span<const int> genes = ref.genes;
    int c = genes[j];
    // An interval holding the character left of I_ref is enumerated from an
    // earlier left border.
    if (c == genes[pattern.left - 1]) return false;
    int r = j;
    // The sentinel 0 at length+1 is never in the pattern and stops the run.
    while (genes[r + 1] == c || pattern.charCount[genes[r + 1]] >= 1) ++r;
    addToPattern(pattern, c, r, ref.genome);
    return true;
}

int referenceGenomeCount(const SearchParameters& params, int k) {
    const bool fixed = params.refType == RefType::cluster || params.refType == RefType::genome;
    switch (params.mode) {
        case Mode::perfect:
            if (fixed) return 1;
            if (params.refType == RefType::discovery) return params.mayLack + 1;
            fail(Stream::err,
                 "no refType given in perfect gene cluster mode\n"
                 "counting the number of ref genomes failed\n");
        case Mode::reference:
            return fixed ? 1 : k;
        case Mode::median:
            return k;
        case Mode::center:
            return params.mayLack + 1;
    }
    fail(Stream::err, "counting the number of ref genomes failed\n");
}

// A char held by fewer than half of the genomes that hold an occurrence is in
// no median; with n >= minHolders such genomes, a reference interval holding
// more than delta / minHolders of them lies farther from the median than the
// closest occurrence of every tuple, which another reference holds.
bool tooManyRareFamilies(Pattern& pattern, const OccurrenceIndex& index, int delta, int minHolders) {
    const int c = pattern.newChar;
    const int holding = static_cast<int>(index.genomesHolding(c).size());
    if (holding < (minHolders + 1) / 2) pattern.rareFamilyCount += 1.0;
    if (minHolders <= 0) return false;
    return pattern.rareFamilyCount > static_cast<double>(delta / minHolders);
}

}  // namespace tamsu::detail
