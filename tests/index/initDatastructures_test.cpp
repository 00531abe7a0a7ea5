// The occurrence index: the worked example, the tables against a naive
// recomputation on random sets, and getNUM with and without the NUM table.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "index/initDatastructures.h"
#include "testUtil.h"

namespace {

ParameterArray paramsWith(bool useNUM, int delta = 2, int maxOccDist = 0) {
    ParameterArray params;
    params.useNUM = useNUM;
    params.delta = delta;
    params.maxOccDist = maxOccDist;
    return params;
}

// Builds the index with its stdout line checked.
void build(SetOfSeqs& set, const ParameterArray& params) {
    EXPECT_EQ("initializing data structures\n", stdoutOf([&] { initDataStructures(set, params); }));
}

std::vector<int> positionsOf(const Chromosome& chrom, int c) {
    std::span<const int> list = chrom.POS[c];
    return std::vector<int>(list.begin(), list.end());
}

// Distinct chars of positions i..j, each sentinel position a char of its own.
int naiveNUM(const Chromosome& chrom, int i, int j) {
    std::set<int> distinct;
    for (int p = i; p <= j; ++p) distinct.insert(p == 0 || p == chrom.length + 1 ? -1 - p : chrom.genes[p]);
    return static_cast<int>(distinct.size());
}

// A random set: chromosome counts and sizes and the alphabet from the seed;
// genome 0 ends with an empty chromosome, and the last char occurs nowhere.
std::unique_ptr<SetOfSeqs> randomSet(unsigned seed) {
    const int alphabet = 2 + static_cast<int>(seed % 7) * 3;
    std::vector<std::vector<std::vector<int>>> genomes;
    unsigned next = seed * 7919u;
    for (int g = 0; g < 3; ++g) {
        std::vector<std::vector<int>> chromosomes;
        for (int c = 0; c <= (g + static_cast<int>(seed)) % 3; ++c) {
            const int n = static_cast<int>((next += 104729u) % 40);
            chromosomes.push_back(randomGenes(next, n, alphabet));
        }
        genomes.push_back(chromosomes);
    }
    genomes[0].push_back({});
    return makeSet(genomes, alphabet + 1);
}

TEST(OccurrenceIndex, GenesFiveSevenFive) {
    auto set = makeSet({{{5, 7, 5}}});
    build(*set, paramsWith(true));
    const Chromosome& chrom = set->genomes[0].chromosomes[0];
    EXPECT_EQ((std::vector<int>{0, 0, 0, 1, 0}), chrom.prevOcc);
    EXPECT_EQ((std::vector<int>{4, 3, 4, 4, 4}), chrom.nextOcc);
    EXPECT_EQ(2, chrom.NUM(1, 3));
    EXPECT_EQ(2, chrom.NUM(2, 3));
    EXPECT_EQ(3, chrom.NUM(1, 4));
    EXPECT_EQ(4, chrom.NUM(0, 4));
    EXPECT_EQ((std::vector<int>{1, 3}), positionsOf(chrom, 5));
    EXPECT_EQ((std::vector<int>{2}), positionsOf(chrom, 7));
    EXPECT_TRUE(positionsOf(chrom, 0).empty());
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 0, 2, 0, 1}), chrom.charFreq);

    // Without the table getNUM scans and gives the same.
    auto scan = makeSet({{{5, 7, 5}}});
    build(*scan, paramsWith(false));
    EXPECT_TRUE(scan->genomes[0].chromosomes[0].NUM.empty());
    EXPECT_EQ(2, getNUM(scan->genomes[0].chromosomes[0], 1, 3));
}

TEST(OccurrenceIndex, PrintersAndRejectedGenes) {
    auto set = makeSet({{{2, 1, 2}}});
    build(*set, paramsWith(true));
    const Chromosome& chrom = set->genomes[0].chromosomes[0];
    EXPECT_EQ("0: \n1: 2 \n2: 1 3 \n", captured([&](FILE* f) { fprintPOS(f, chrom.POS, 2); }));
    EXPECT_EQ("1 2 3 3 \n0 1 2 2 \n0 0 1 2 \n0 0 0 1 \n", captured([&](FILE* f) { fprintNUM(f, chrom.NUM, 3); }));
    EXPECT_EQ("         no POS\n", captured([](FILE* f) { fprintPOS(f, PositionLists(), 2); }));
    EXPECT_EQ("            no NUM\n", captured([](FILE* f) { fprintNUM(f, IntTable(), 3); }));

    auto outside = makeSet({{{1, 2}}, {{1, 9}}}, 3);
    EXPECT_EQ("error: gene 9 at position 2 of chromosome 0 of genome 1 is outside the alphabet 1..3\n",
              errorOf([&] { initDataStructures(*outside, paramsWith(true)); }));
}

TEST(OccurrenceIndex, BorderTablesWideEnoughForBothDepthsAndRebuildReplacesTables) {
    // Columns for the larger of delta and maxOccDist (the center depth), 2 more.
    for (bool useLR : {true, false}) {
        auto set = makeSet({{{1, 2, 3, 1}}});
        ParameterArray params = paramsWith(false, 2, 4);
        params.useLR = useLR;
        build(*set, params);
        const Chromosome& chrom = set->genomes[0].chromosomes[0];
        for (const IntTable* table : {&chrom.L, &chrom.R, &chrom.L_prime, &chrom.R_prime}) {
            EXPECT_EQ(6, table->rows());
            EXPECT_EQ(6, table->cols());
        }
    }
    auto set = makeSet({{{1, 2, 1}}});
    build(*set, paramsWith(true, 7, 3));
    EXPECT_EQ(9, set->genomes[0].chromosomes[0].L.cols());
    build(*set, paramsWith(false));
    const Chromosome& chrom = set->genomes[0].chromosomes[0];
    EXPECT_TRUE(chrom.NUM.empty());
    EXPECT_EQ((std::vector<int>{0, 0, 0, 1, 0}), chrom.prevOcc);
    EXPECT_EQ((std::vector<int>{1, 3}), positionsOf(chrom, 1));
}

TEST(OccurrenceIndex, TablesAgreeWithNaiveRecomputationOnRandomSets) {
    for (unsigned seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE(seed);
        auto set = randomSet(seed);
        build(*set, paramsWith(true));
        const int alphabetSize = set->alphabetSize;
        std::vector<int> occStat(alphabetSize + 1, 0);
        for (const Genome& genome : set->genomes)
            for (const Chromosome& chrom : genome.chromosomes) {
                const int n = chrom.length;
                for (int c = 0; c <= alphabetSize; ++c) {
                    std::vector<int> expected;
                    for (int p = 1; p <= n; ++p)
                        if (chrom.genes[p] == c) expected.push_back(p);
                    ASSERT_EQ(expected, positionsOf(chrom, c));
                    ASSERT_EQ(static_cast<int>(expected.size()), chrom.charFreq[c]);
                    ASSERT_EQ(!expected.empty(), chrom.POS.contains(c));
                    occStat[c] += !expected.empty();  // chromosomes, not genomes
                }
                ASSERT_EQ(0, chrom.prevOcc[0]);
                ASSERT_EQ(0, chrom.prevOcc[n + 1]);
                ASSERT_EQ(n + 1, chrom.nextOcc[0]);
                ASSERT_EQ(n + 1, chrom.nextOcc[n + 1]);
                for (int p = 1; p <= n; ++p) {
                    int prev = 0, next = n + 1;
                    for (int q = p - 1; q >= 1 && prev == 0; --q)
                        if (chrom.genes[q] == chrom.genes[p]) prev = q;
                    for (int q = p + 1; q <= n && next == n + 1; ++q)
                        if (chrom.genes[q] == chrom.genes[p]) next = q;
                    ASSERT_EQ(prev, chrom.prevOcc[p]) << p;
                    ASSERT_EQ(next, chrom.nextOcc[p]) << p;
                }
                ASSERT_EQ(n + 2, chrom.NUM.rows());
                for (int i = 0; i <= n + 1; ++i)
                    for (int j = 0; j <= n + 1; ++j)
                        ASSERT_EQ(i > j ? 0 : naiveNUM(chrom, i, j), chrom.NUM(i, j)) << i << "," << j;
            }
        EXPECT_EQ(occStat, set->charOccStat);
        EXPECT_EQ(std::vector<int>(alphabetSize + 1, alphabetSize + 1), set->rank);
    }
}

TEST(OccurrenceIndex, GetNUMWithAndWithoutTableAgree) {
    for (unsigned seed = 1; seed <= 8; ++seed) {
        for (int n : {0, 1, 2, 17, 60}) {
            SCOPED_TRACE(std::to_string(seed) + "/" + std::to_string(n));
            const int alphabet = 1 + static_cast<int>(seed) * 2;
            std::vector<int> genes = randomGenes(seed * 31 + n, n, alphabet);
            auto withTable = makeSet({{genes}}, alphabet);
            auto withoutTable = makeSet({{genes}}, alphabet);
            build(*withTable, paramsWith(true));
            build(*withoutTable, paramsWith(false));
            const Chromosome& a = withTable->genomes[0].chromosomes[0];
            const Chromosome& b = withoutTable->genomes[0].chromosomes[0];
            ASSERT_TRUE(b.NUM.empty());
            for (int i = 1; i <= n + 1; ++i)
                for (int j = i; j <= n + 1; ++j) ASSERT_EQ(getNUM(a, i, j), getNUM(b, i, j)) << i << "," << j;
            // Empty intervals, also at the very ends, read as 0 both ways.
            for (int i = 1; i <= n + 2; ++i) {
                ASSERT_EQ(0, getNUM(a, i, i - 1));
                ASSERT_EQ(0, getNUM(b, i, i - 1));
            }
            ASSERT_EQ(0, getNUM(a, 0, -1));
        }
    }
}

}  // namespace
