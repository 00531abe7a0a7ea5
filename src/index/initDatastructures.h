// Occurrence index, built once per run before any search and read-only during
// it: per chromosome the position lists, frequencies, the distinct-count table
// NUM and previous/next occurrences; per character the number of chromosomes
// that hold it.
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "genomes/setOfSeqs.h"
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

// One chromosome with its index tables; genes point into the genome set.
struct ChromIndex {
    const Chromosome* source = nullptr;
    int genome = 0;
    int number = 0;                 // position within its genome
    int flat = 0;                   // position among all chromosomes of the set
    int length = 0;
    std::span<const int> genes;     // length + 2, sentinel 0 at both ends
    PositionLists POS;
    std::vector<int> charFreq;      // alphabetSize + 1
    IntTable NUM;                   // (length+2)^2, empty where not built
    std::vector<int> prevOcc;       // length + 2
    std::vector<int> nextOcc;       // length + 2

    const std::string& name() const { return source->name; }
};

// A contiguous run of chromosomes in walk order: flat numbers first..end-1.
struct ChromRange {
    int first = 0;
    int end = 0;
    bool contains(int flat) const { return first <= flat && flat < end; }
};

class OccurrenceIndex {
public:
    int genomeCount() const { return static_cast<int>(genomeStart_.size()) - 1; }
    int alphabetSize() const { return alphabetSize_; }
    // The chromosomes of genome g, in their order.
    std::span<const ChromIndex> genome(int g) const {
        return {chroms_.data() + genomeStart_[g], static_cast<size_t>(genomeStart_[g + 1] - genomeStart_[g])};
    }
    const ChromIndex& chrom(int g, int c) const { return chroms_[static_cast<size_t>(genomeStart_[g] + c)]; }
    // Every chromosome, genome by genome.
    const std::vector<ChromIndex>& chromosomes() const { return chroms_; }
    // The chromosomes of genomes 0..genomes-1: the reference chromosomes of a walk.
    ChromRange leadingGenomes(int genomes) const {
        const int g = genomes < 0 ? 0 : (genomes > genomeCount() ? genomeCount() : genomes);
        return {0, genomeStart_[static_cast<size_t>(g)]};
    }
    // Per character, the chromosomes (over all genomes) that hold it.
    const std::vector<int>& charOccStat() const { return charOccStat_; }
    // Whether some chromosome of genome g holds c.
    bool genomeHolds(int g, int c) const;
    // The genomes that hold c, ascending: per-family work of a growth step
    // visits these instead of every genome.
    std::span<const int> genomesHolding(int c) const {
        return {holders_.positions.data() + holders_.start[c],
                static_cast<size_t>(holders_.start[c + 1] - holders_.start[c])};
    }

    friend OccurrenceIndex initDataStructures(const SetOfSeqs& set, bool useNUM, FILE* out);

private:
    int alphabetSize_ = 0;
    std::vector<ChromIndex> chroms_;
    std::vector<int> genomeStart_{0};
    std::vector<int> charOccStat_;
    PositionLists holders_;  // per character, genome numbers instead of positions
};

// Builds the index of every chromosome (NUM only with useNUM, and only where
// it fits a fixed budget: the one place that decides); announces
// itself on out. Refuses chromosomes without sentinels or with characters
// outside the alphabet.
OccurrenceIndex initDataStructures(const SetOfSeqs& set, bool useNUM, FILE* out);

PositionLists computePOS(std::span<const int> genes, int n, int alphabetSize);
std::vector<int> computeCharFreq(const PositionLists& POS, int size);
IntTable computeNUM(std::span<const int> genes, int n, int alphabetSize);
void computePrevNextOcc(ChromIndex& chrom, int alphabetSize);

// Number of distinct characters in positions i..j (0 when i > j); O(1) with
// the NUM table, a scan of prevOcc without it. An empty interval is answered
// before the table is read, so i may be n+2 or j may be -1 there.
inline int getNUM(const ChromIndex& chrom, int i, int j) {
    if (i > j) return 0;
    if (!chrom.NUM.empty()) return chrom.NUM(i, j);
    int count = 0;
    const int* prev = chrom.prevOcc.data();
    for (int p = i; p <= j; ++p)
        if (prev[p] < i) ++count;
    return count;
}

// Part `part` (0-based) of `parts` contiguous parts of the chromosomes of
// range, balanced by gene count: a chromosome goes to the part that holds the
// middle of its genes. A part may be empty.
ChromRange splitByGenes(const OccurrenceIndex& index, ChromRange range, int part, int parts);

// Whether character c occurs at a position in l..r (false when l > r).
bool isContained(const ChromIndex& chrom, int c, int l, int r);
