// Occurrence index, built once per run before any search and read-only during
// it: per chromosome the distinct-count table NUM and previous/next
// occurrences; per character its positions over all chromosomes, the
// chromosomes and the genomes that hold it.
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "genomes/genomeSet.h"
#include "util/table.h"

namespace tamsu::detail {

// Per character, its occurrences over every chromosome of the set, ordered
// by chromosome (walk order) and then position. Family-major: the work of a
// growth step on one character reads one contiguous stretch, and no table
// per chromosome is sized by the alphabet (sets of many chromosomes and
// families would need chromosomes x alphabet entries).
struct FamilyOccurrences {
    std::vector<int> start;      // alphabetSize + 2 offsets; c owns [start[c], start[c+1])
    std::vector<long long> key;  // per occurrence: flat chromosome number << 32 | position
    std::vector<int> position;   // per occurrence: the position part of key

    static long long keyOf(int flat, int p) { return static_cast<long long>(flat) << 32 | static_cast<unsigned>(p); }
    // Indices [first, second) of the occurrences of c whose key lies in [lo, hi).
    std::pair<int, int> range(int c, long long lo, long long hi) const;
};

// One chromosome with its index tables; genes point into the genome set.
struct ChromIndex {
    const Chromosome* source = nullptr;
    int genome = 0;
    int number = 0;  // position within its genome
    int flat = 0;    // position among all chromosomes of the set
    int length = 0;
    std::span<const int> genes;  // length + 2, sentinel 0 at both ends
    IntTable NUM;                // (length+2)^2, empty where not built
    std::vector<int> prevOcc;    // length + 2
    std::vector<int> nextOcc;    // length + 2

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
    // The place of chromosome c of genome g among all chromosomes (its flat).
    int flatNumber(int g, int c) const { return genomeStart_[g] + c; }
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
    // Ascending positions of c on chrom.
    std::span<const int> positions(int c, const ChromIndex& chrom) const;
    // The occurrences of c in genome g: indices [first, second) into
    // occurrences().key / .position, chromosome by chromosome.
    std::pair<int, int> occurrencesIn(int c, int g) const;
    // The same for the h-th genome of genomesHolding(c), in O(1).
    std::pair<int, int> occurrencesOfHolder(int c, int h) const {
        const int at = holderStart_[c] + h;
        return {holderOcc_[at], at + 1 < holderStart_[c + 1] ? holderOcc_[at + 1] : occurrences_.start[c + 1]};
    }
    const FamilyOccurrences& occurrences() const { return occurrences_; }
    // The genomes that hold c, ascending: per-family work of a growth step
    // visits these instead of every genome.
    std::span<const int> genomesHolding(int c) const {
        return {holders_.data() + holderStart_[c], static_cast<size_t>(holderStart_[c + 1] - holderStart_[c])};
    }

    friend OccurrenceIndex buildOccurrenceIndex(const GenomeSet& set, bool useNUM);

private:
    int alphabetSize_ = 0;
    std::vector<ChromIndex> chroms_;
    std::vector<int> genomeStart_{0};
    std::vector<int> charOccStat_;
    FamilyOccurrences occurrences_;
    std::vector<int> holderStart_;  // per character, alphabetSize + 2 offsets into holders_
    std::vector<int> holders_;      // per character, the genomes holding it, ascending
    std::vector<int> holderOcc_;    // parallel to holders_: where the character's occurrences in that genome start
};

// Builds the index of every chromosome (NUM only with useNUM, and only where
// it fits a fixed budget: the one place that decides). Refuses chromosomes without sentinels or with characters
// outside the alphabet.
OccurrenceIndex buildOccurrenceIndex(const GenomeSet& set, bool useNUM);

IntTable computeDistinctCounts(std::span<const int> genes, int n, int alphabetSize);
void linkOccurrences(ChromIndex& chrom, int alphabetSize);

// Number of distinct characters in positions i..j (0 when i > j); O(1) with
// the NUM table, a scan of prevOcc without it. An empty interval is answered
// before the table is read, so i may be n+2 or j may be -1 there.
inline int distinctCount(const ChromIndex& chrom, int i, int j) {
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

// Whether character c occurs at a position in l..r of chrom (false when l > r).
bool holdsFamily(const OccurrenceIndex& index, const ChromIndex& chrom, int c, int l, int r);

}  // namespace tamsu::detail
