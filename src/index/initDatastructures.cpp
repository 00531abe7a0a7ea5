// Occurrence index construction: built once per run, before any search.
#include "index/initDatastructures.h"

#include <algorithm>
#include <cstdio>

#include "util/errors.h"

namespace {

// The tables below index by gene and by position without a test, so a
// chromosome must carry its sentinels and only characters of the alphabet
// (a host could deliver anything).
void checkChromosome(const Chromosome& chrom, int genomeNumber, int alphabetSize) {
    if (chrom.length < 0 || chrom.genes.size() != static_cast<size_t>(chrom.length) + 2)
        fail(stderr, "error: chromosome %d (%s) of genome %d has no genes\n", chrom.number, chrom.name.c_str(),
             genomeNumber);
    for (int p = 0; p <= chrom.length + 1; ++p) {
        const int c = chrom.genes[p];
        if (c < 0 || c > alphabetSize)
            fail(stderr, "error: gene %d at position %d of chromosome %d of genome %d is outside the alphabet 1..%d\n",
                 c, p, chrom.number, genomeNumber, alphabetSize);
    }
}

}  // namespace

void initDataStructures(SetOfSeqs& set, const ParameterArray& params) {
    std::printf("initializing data structures\n");
    const int alphabetSize = set.alphabetSize;
    // Every search reads the border tables, and the filter depth (2*pwDelta
    // for a single genome in center mode) can exceed delta: size for both.
    const int cols = std::max(params.delta, params.maxOccDist) + 2;
    for (Genome& genome : set.genomes)
        for (Chromosome& chrom : genome.chromosomes) {
            checkChromosome(chrom, genome.number, alphabetSize);
            const int n = chrom.length;
            chrom.POS = computePOS(chrom.genes, n, alphabetSize);
            chrom.charFreq = computeCharFreq(chrom.POS, alphabetSize + 1);
            if (params.useNUM) chrom.NUM = computeNUM(chrom.genes, n, alphabetSize);
            else chrom.NUM.clear();
            chrom.L = IntTable(n + 2, cols, 0);
            chrom.R = IntTable(n + 2, cols, n + 1);
            chrom.L_prime = IntTable(n + 2, cols, 0);
            chrom.R_prime = IntTable(n + 2, cols, n + 1);
            chrom.prevOcc.clear();
            chrom.nextOcc.clear();
            computePrevNextOcc(chrom, alphabetSize);
        }
    set.rank.assign(static_cast<size_t>(alphabetSize) + 1, alphabetSize + 1);
    set.charOccStat = computeCharOccStat(set);
}

PositionLists computePOS(const std::vector<int>& genes, int n, int alphabetSize) {
    // Count, prefix-sum into start offsets, then fill in position order so
    // that every list is ascending.
    PositionLists POS;
    POS.start.assign(static_cast<size_t>(alphabetSize) + 2, 0);
    for (int p = 1; p <= n; ++p) ++POS.start[genes[p] + 1];
    for (int c = 0; c <= alphabetSize; ++c) POS.start[c + 1] += POS.start[c];
    POS.positions.assign(static_cast<size_t>(n > 0 ? n : 0), 0);
    std::vector<int> tail(POS.start.begin(), POS.start.end() - 1);
    for (int p = 1; p <= n; ++p) POS.positions[tail[genes[p]]++] = p;
    return POS;
}

std::vector<int> computeCharFreq(const PositionLists& POS, int size) {
    std::vector<int> charFreq(static_cast<size_t>(size), 0);
    for (int c = 0; c < size; ++c) charFreq[c] = static_cast<int>(POS[c].size());
    return charFreq;
}

IntTable computeNUM(const std::vector<int>& genes, int n, int alphabetSize) {
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

void computePrevNextOcc(Chromosome& chrom, int alphabetSize) {
    const int n = chrom.length;
    const std::vector<int>& genes = chrom.genes;
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

std::vector<int> computeCharOccStat(const SetOfSeqs& set) {
    std::vector<int> charOccStat(static_cast<size_t>(set.alphabetSize) + 1, 0);
    for (const Genome& genome : set.genomes)
        for (const Chromosome& chrom : genome.chromosomes) {
            if (!chrom.POS.built()) return {};
            for (int c = 0; c <= set.alphabetSize; ++c)
                if (chrom.POS.contains(c)) ++charOccStat[c];
        }
    return charOccStat;
}

void fprintPOS(FILE* stream, const PositionLists& POS, int alphabetSize) {
    if (!POS.built()) {
        std::fprintf(stream, "         no POS\n");
        return;
    }
    for (int c = 0; c <= alphabetSize; ++c) {
        std::fprintf(stream, "%d: ", c);
        for (int p : POS[c]) std::fprintf(stream, "%d ", p);
        std::fprintf(stream, "\n");
    }
}

void fprintNUM(FILE* stream, const IntTable& NUM, int n) {
    if (NUM.empty()) {
        std::fprintf(stream, "            no NUM\n");
        return;
    }
    fprintIntArray_2(stream, NUM, n + 1, n + 1);
}
