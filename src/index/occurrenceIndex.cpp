// Occurrence index construction: built once per run, before any search.
#include "index/occurrenceIndex.h"

#include <algorithm>
#include <cstdio>

#include "util/errors.h"

namespace tamsu::detail {

namespace {

// The tables below index by gene and by position without a test, so a
// chromosome must carry its sentinels and only characters of the alphabet
// (a host could deliver anything).
void checkChromosome(const Chromosome& chrom, int genomeNumber, int alphabetSize) {
    if (!chrom.isSet())
        fail(Stream::err, "error: chromosome %d (%s) of genome %d has no genes\n", chrom.number, chrom.name.c_str(),
             genomeNumber);
    for (int p = 0; p <= chrom.length() + 1; ++p) {
        const int c = chrom.genes[p];
        if (c < 0 || c > alphabetSize)
            fail(Stream::err,
                 "error: gene %d at position %d of chromosome %d of genome %d is outside the alphabet 1..%d\n", c, p,
                 chrom.number, genomeNumber, alphabetSize);
    }
}

}  // namespace

// NUM holds (n+2)^2 ints per chromosome: it is built only for chromosomes of
// at most kNumMaxGenes genes, while all tables together stay within
// kNumBudgetBytes; every other chromosome counts through prevOcc, so memory
// grows linearly with the input.
constexpr int kNumMaxGenes = 3000;
constexpr size_t kNumBudgetBytes = size_t{256} << 20;

OccurrenceIndex buildOccurrenceIndex(const GenomeSet& set, bool useNUM) {
    size_t numBytes = 0;
    const int alphabetSize = set.alphabetSize;
    OccurrenceIndex index;
    index.alphabetSize_ = alphabetSize;
    for (const Genome& genome : set.genomes) {
        for (const Chromosome& chrom : genome.chromosomes) {
            checkChromosome(chrom, genome.number, alphabetSize);
            ChromIndex ix;
            ix.source = &chrom;
            ix.genome = genome.number;
            ix.number = chrom.number;
            ix.flat = static_cast<int>(index.chroms_.size());
            ix.length = chrom.length();
            ix.genes = chrom.genes;
            const int n = chrom.length();
            const size_t bytes = static_cast<size_t>(n + 2) * static_cast<size_t>(n + 2) * sizeof(int);
            if (useNUM && n <= kNumMaxGenes && numBytes + bytes <= kNumBudgetBytes) {
                ix.NUM = computeDistinctCounts(ix.genes, n, alphabetSize);
                numBytes += bytes;
            }
            linkOccurrences(ix, alphabetSize);
            index.chroms_.push_back(std::move(ix));
        }
        index.genomeStart_.push_back(static_cast<int>(index.chroms_.size()));
    }
    // Per character: its occurrences (counted, then filled in walk order, so
    // that every stretch is ordered by chromosome and position), the
    // chromosomes and the genomes that hold it.
    FamilyOccurrences& occ = index.occurrences_;
    occ.start.assign(static_cast<size_t>(alphabetSize) + 2, 0);
    for (const ChromIndex& chrom : index.chroms_)
        for (int p = 1; p <= chrom.length; ++p) ++occ.start[static_cast<size_t>(chrom.genes[p]) + 1];
    for (int c = 0; c <= alphabetSize; ++c) occ.start[c + 1] += occ.start[c];
    occ.key.assign(static_cast<size_t>(occ.start.back()), 0);
    occ.position.assign(static_cast<size_t>(occ.start.back()), 0);
    index.charOccStat_.assign(static_cast<size_t>(alphabetSize) + 1, 0);
    index.holderStart_.assign(static_cast<size_t>(alphabetSize) + 2, 0);
    std::vector<int> tail(occ.start.begin(), occ.start.end() - 1);
    std::vector<int> lastChrom(static_cast<size_t>(alphabetSize) + 1, -1);
    std::vector<int> lastGenome(static_cast<size_t>(alphabetSize) + 1, -1);
    for (const ChromIndex& chrom : index.chroms_)
        for (int p = 1; p <= chrom.length; ++p) {
            const int c = chrom.genes[p];
            occ.key[tail[c]] = FamilyOccurrences::keyOf(chrom.flat, p);
            occ.position[tail[c]++] = p;
            if (lastChrom[c] != chrom.flat) {
                lastChrom[c] = chrom.flat;
                ++index.charOccStat_[c];
            }
            if (lastGenome[c] != chrom.genome) {
                lastGenome[c] = chrom.genome;
                ++index.holderStart_[static_cast<size_t>(c) + 1];
            }
        }
    for (int c = 0; c <= alphabetSize; ++c) index.holderStart_[c + 1] += index.holderStart_[c];
    index.holders_.assign(static_cast<size_t>(index.holderStart_.back()), 0);
    index.holderOcc_.assign(static_cast<size_t>(index.holderStart_.back()), 0);
    std::copy(index.holderStart_.begin(), index.holderStart_.end() - 1, tail.begin());
    std::vector<int> occTail(occ.start.begin(), occ.start.end() - 1);
    std::fill(lastGenome.begin(), lastGenome.end(), -1);
    for (const ChromIndex& chrom : index.chroms_)
        for (int p = 1; p <= chrom.length; ++p) {
            const int c = chrom.genes[p];
            const int at = occTail[c]++;
            if (lastGenome[c] == chrom.genome) continue;
            lastGenome[c] = chrom.genome;
            index.holderOcc_[tail[c]] = at;
            index.holders_[tail[c]++] = chrom.genome;
        }
    return index;
}

std::pair<int, int> FamilyOccurrences::range(int c, long long lo, long long hi) const {
    const long long* first = key.data() + start[c];
    const long long* last = key.data() + start[c + 1];
    const long long* from = std::lower_bound(first, last, lo);
    const long long* to = std::lower_bound(from, last, hi);
    return {static_cast<int>(from - key.data()), static_cast<int>(to - key.data())};
}

bool OccurrenceIndex::genomeHolds(int g, int c) const {
    std::span<const int> holders = genomesHolding(c);
    return std::binary_search(holders.begin(), holders.end(), g);
}

ChromRange splitByGenes(const OccurrenceIndex& index, ChromRange range, int part, int parts) {
    long long total = 0;
    for (int flat = range.first; flat < range.end; ++flat)
        total += index.chromosomes()[static_cast<size_t>(flat)].length;
    // The part of a chromosome never decreases along the range, so each part is contiguous.
    auto partOf = [&](long long before, long long length) {
        if (total == 0) return 0;
        const long long p = (2 * before + length) * parts / (2 * total);
        return static_cast<int>(std::min<long long>(p, parts - 1));
    };
    ChromRange result{range.end, range.end};
    long long before = 0;
    bool started = false;
    for (int flat = range.first; flat < range.end; ++flat) {
        const long long length = index.chromosomes()[static_cast<size_t>(flat)].length;
        const int p = partOf(before, length);
        before += length;
        if (p == part && !started) {
            result.first = flat;
            started = true;
        }
        if (p > part) {
            result.end = flat;
            break;
        }
    }
    if (!started) result.first = result.end;
    return result;
}

std::span<const int> OccurrenceIndex::positions(int c, const ChromIndex& chrom) const {
    const auto [from, to] =
        occurrences_.range(c, FamilyOccurrences::keyOf(chrom.flat, 0), FamilyOccurrences::keyOf(chrom.flat + 1, 0));
    return {occurrences_.position.data() + from, static_cast<size_t>(to - from)};
}

std::pair<int, int> OccurrenceIndex::occurrencesIn(int c, int g) const {
    std::span<const int> holders = genomesHolding(c);
    const auto at = std::lower_bound(holders.begin(), holders.end(), g);
    if (at == holders.end() || *at != g) return {0, 0};
    return occurrencesOfHolder(c, static_cast<int>(at - holders.begin()));
}

bool holdsFamily(const OccurrenceIndex& index, const ChromIndex& chrom, int c, int l, int r) {
    if (l > r || r < 1) return false;
    l = std::max(l, 1);  // positions start at 1; a key needs a non-negative one
    const auto [from, to] = index.occurrences().range(c, FamilyOccurrences::keyOf(chrom.flat, l),
                                                      FamilyOccurrences::keyOf(chrom.flat, r) + 1);
    return from < to;
}

IntTable computeDistinctCounts(std::span<const int> genes, int n, int alphabetSize) {
    IntTable NUM(n + 2, n + 2, 0);
    // seenIn[c] == i marks c as met in the row of left border i, which spares
    // clearing a flag array per row.
    std::vector<int> seenIn(static_cast<size_t>(alphabetSize) + 1, 0);
    for (int i = 1; i <= n; ++i) {
        int count = 0;
        int* row = NUM.row(i);
        for (int j = i; j <= n; ++j) {
            if (seenIn[genes[j]] != i) {
                seenIn[genes[j]] = i;
                ++count;
            }
            row[j] = count;
        }
    }
    // Each sentinel position counts as one char of its own.
    NUM(0, 0) = 1;
    for (int j = 1; j <= n; ++j) NUM(0, j) = NUM(1, j) + 1;
    for (int i = 1; i <= n; ++i) NUM(i, n + 1) = NUM(i, n) + 1;
    NUM(0, n + 1) = NUM(1, n) + 2;
    NUM(n + 1, n + 1) = 1;
    return NUM;
}

void linkOccurrences(ChromIndex& chrom, int alphabetSize) {
    const int n = chrom.length;
    std::span<const int> genes = chrom.genes;
    chrom.prevOcc.assign(static_cast<size_t>(n) + 2, 0);
    chrom.nextOcc.assign(static_cast<size_t>(n) + 2, 0);
    std::vector<int> last(static_cast<size_t>(alphabetSize) + 1, 0);
    for (int p = 1; p <= n; ++p) {
        chrom.prevOcc[p] = last[genes[p]];
        last[genes[p]] = p;
    }
    std::fill(last.begin(), last.end(), n + 1);
    // Position n+1 holds the sentinel 0, so no real char is affected by it.
    for (int p = n + 1; p >= 1; --p) {
        chrom.nextOcc[p] = last[genes[p]];
        last[genes[p]] = p;
    }
    chrom.nextOcc[0] = n + 1;
}

}  // namespace tamsu::detail
