// Reference ranks and the L/R border tables: worked examples, and the
// incremental updates checked against rebuilds from the definitions.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "filters/arraysLnR.h"
#include "index/initDatastructures.h"
#include "testUtil.h"

namespace {

ParameterArray tableParams(int delta, bool useNUM) {
    ParameterArray params;
    params.delta = delta;
    params.maxOccDist = delta;
    params.useNUM = useNUM;
    return params;
}

std::vector<int> row(const IntTable& table, int p, int D) {
    return std::vector<int>(table.row(p), table.row(p) + D + 2);
}

// Ranks from their definition: first occurrence in genes[i..n] numbers the
// characters 1, 2, ...; absent ones and the sentinel rank above all of them.
std::vector<int> naiveRank(const Chromosome& ref, int i, int A) {
    std::vector<int> rank(A + 1, absentRank(A));
    rank[0] = sentinelRank(A);
    int next = 1;
    for (int p = i; p <= ref.length; ++p)
        if (rank[ref.genes[p]] == absentRank(A)) rank[ref.genes[p]] = next++;
    return rank;
}

bool occursIn(const Chromosome& chrom, int c, int from, int to) {
    for (int p = from; p <= to; ++p)
        if (chrom.genes[p] == c) return true;
    return false;
}

// L[p], R[p], L_prime[p], R_prime[p] from their definitions (entries 1..D+1;
// entry 0 of the primed rows is left 0).
std::vector<int> naiveL(const Chromosome& chrom, const std::vector<int>& rank, int p, int D) {
    std::vector<int> out(D + 2, 0);
    out[0] = p;
    int k = 1;
    for (int j = p - 1; j >= 1 && k <= D + 1; --j)
        if (rank[chrom.genes[j]] > rank[chrom.genes[p]] && !occursIn(chrom, chrom.genes[j], j + 1, p)) out[k++] = j;
    return out;
}

std::vector<int> naiveR(const Chromosome& chrom, const std::vector<int>& rank, int p, int D) {
    const int n = chrom.length;
    std::vector<int> out(D + 2, n + 1);
    out[0] = p;
    int k = 1;
    for (int j = p + 1; j <= n && k <= D + 1; ++j)
        if (rank[chrom.genes[j]] > rank[chrom.genes[p]] && !occursIn(chrom, chrom.genes[j], p, j - 1)) out[k++] = j;
    return out;
}

std::vector<int> naiveLprime(const Chromosome& chrom, const std::vector<int>& rank, const std::vector<int>& L, int p) {
    std::vector<int> out(L.size(), 0);
    for (size_t k = 1; k < L.size(); ++k) {
        int q = L[k] + 1;
        while (q <= p && rank[chrom.genes[q]] > rank[chrom.genes[p]]) ++q;
        out[k] = q;
    }
    return out;
}

std::vector<int> naiveRprime(const Chromosome& chrom, const std::vector<int>& rank, const std::vector<int>& R, int p) {
    std::vector<int> out(R.size(), 0);
    for (size_t k = 1; k < R.size(); ++k) {
        int q = R[k] - 1;
        while (q >= p && rank[chrom.genes[q]] > rank[chrom.genes[p]]) --q;
        out[k] = q;
    }
    return out;
}

std::vector<int> primedRow(const IntTable& table, int p, int D) {
    std::vector<int> out = row(table, p, D);
    out[0] = 0;
    return out;
}

TEST(Ranks, WorkedExampleOneTwoOneThree) {
    auto set = makeSet({{{1, 2, 1, 3}}}, 4);
    initDataStructures(*set, tableParams(1, true));
    const Chromosome& ref = set->genomes[0].chromosomes[0];
    const int absent = absentRank(4);

    updateRank(*set, ref, 1);
    EXPECT_EQ((std::vector<int>{sentinelRank(4), 1, 2, 3, absent}), set->rank);
    updateRank(*set, ref, 2);
    EXPECT_EQ(2, set->rank[1]);
    EXPECT_EQ(1, set->rank[2]);
    EXPECT_EQ(3, set->rank[3]);
    updateRank(*set, ref, 3);
    EXPECT_EQ(1, set->rank[1]);
    EXPECT_EQ(2, set->rank[3]);
    EXPECT_EQ(absent, set->rank[2]);
    EXPECT_EQ(absent, set->rank[4]);
}

TEST(Ranks, RepeatedLeftBorderCharacterKeepsEveryRank) {
    auto set = makeSet({{{4, 4, 2, 4, 1}}}, 4);
    initDataStructures(*set, tableParams(0, false));
    const Chromosome& ref = set->genomes[0].chromosomes[0];
    updateRank(*set, ref, 1);
    const std::vector<int> before = set->rank;
    EXPECT_EQ(1, before[4]);
    updateRank(*set, ref, 2);
    EXPECT_EQ(before, set->rank);
}

TEST(Ranks, FullAlphabetKeepsAbsentFamiliesApart) {
    // Family 3 is the last to appear and holds the top present rank; once 1
    // no longer occurs it must rank above 3.
    auto set = makeSet({{{1, 2, 3}}}, 3);
    initDataStructures(*set, tableParams(0, true));
    const Chromosome& ref = set->genomes[0].chromosomes[0];
    updateRank(*set, ref, 1);
    EXPECT_EQ(3, set->rank[3]);
    updateRank(*set, ref, 2);
    EXPECT_EQ(absentRank(3), set->rank[1]);
    EXPECT_EQ(1, set->rank[2]);
    EXPECT_EQ(2, set->rank[3]);
    EXPECT_GT(set->rank[1], set->rank[3]);
    updateRank(*set, ref, 3);
    EXPECT_EQ(absentRank(3), set->rank[2]);
    EXPECT_EQ(1, set->rank[3]);
}

TEST(BorderTables, WorkedExampleOneTwoOneThree) {
    auto set = makeSet({{{1, 2, 1, 3}}}, 4);
    initDataStructures(*set, tableParams(1, true));
    Chromosome& chrom = set->genomes[0].chromosomes[0];
    const int D = 1;

    updateRank(*set, chrom, 1);
    updateL(*set, 0, 1, D, 0);
    updateR(*set, 0, 1, D, 0);
    using V = std::vector<int>;
    EXPECT_EQ((V{1, 2, 4}), row(chrom.R, 1, D));
    EXPECT_EQ((V{2, 4, 5}), row(chrom.R, 2, D));
    EXPECT_EQ((V{3, 4, 5}), row(chrom.R, 3, D));
    EXPECT_EQ((V{4, 5, 5}), row(chrom.R, 4, D));
    EXPECT_EQ((V{1, 0, 0}), row(chrom.L, 1, D));
    EXPECT_EQ((V{2, 0, 0}), row(chrom.L, 2, D));
    EXPECT_EQ((V{3, 2, 0}), row(chrom.L, 3, D));
    EXPECT_EQ((V{4, 0, 0}), row(chrom.L, 4, D));

    updateRank(*set, chrom, 2);
    updateL(*set, 0, 2, D, chrom.genes[1]);
    updateR(*set, 0, 2, D, chrom.genes[1]);
    EXPECT_EQ((V{1, 4, 5}), row(chrom.R, 1, D));
    EXPECT_EQ((V{2, 3, 4}), row(chrom.R, 2, D));
    EXPECT_EQ((V{3, 4, 5}), row(chrom.R, 3, D));
    EXPECT_EQ((V{4, 5, 5}), row(chrom.R, 4, D));
    EXPECT_EQ((V{1, 0, 0}), row(chrom.L, 1, D));
    EXPECT_EQ((V{2, 1, 0}), row(chrom.L, 2, D));
    EXPECT_EQ((V{3, 0, 0}), row(chrom.L, 3, D));
    EXPECT_EQ((V{4, 0, 0}), row(chrom.L, 4, D));
}

TEST(BorderTables, AbsentFamilyIsOutrankedOnlyByTheSentinel) {
    // Family 5 is not on the reference chromosome (genome 0).
    auto set = makeSet({{{1, 2, 3}}, {{1, 5, 2, 3}}}, 5);
    initDataStructures(*set, tableParams(2, true));
    updateRank(*set, set->genomes[0].chromosomes[0], 1);
    computeL(*set, 0, 2);
    computeR(*set, 0, 2);
    const Chromosome& other = set->genomes[1].chromosomes[0];
    EXPECT_EQ((std::vector<int>{2, 0, 0, 0}), row(other.L, 2, 2));
    EXPECT_EQ((std::vector<int>{2, 5, 5, 5}), row(other.R, 2, 2));
    // Chromosome ends: nothing left of position 1, the sentinel right of n.
    EXPECT_EQ((std::vector<int>{1, 0, 0, 0}), row(other.L, 1, 2));
    EXPECT_EQ(5, other.R(4, 1));
}

struct Scenario {
    unsigned seed;
    int alphabet;
    int D;
    bool useNUM;
};

// A few genomes over a small alphabet, so that families repeat and every
// reference suffix shifts many ranks.
std::unique_ptr<SetOfSeqs> randomSet(unsigned seed, int alphabet) {
    std::mt19937 rng(seed);
    std::vector<std::vector<std::vector<int>>> genomes;
    for (int g = 0; g < 3; ++g) {
        std::vector<std::vector<int>> chroms;
        int chromCount = 1 + static_cast<int>(rng() % 2);
        for (int c = 0; c < chromCount; ++c)
            chroms.push_back(randomGenes(seed * 31 + g * 7 + c, 8 + static_cast<int>(rng() % 20), alphabet));
        genomes.push_back(chroms);
    }
    // Family alphabet+1 occurs in genome 2 only: absent from every reference
    // chromosome but genome 2's.
    genomes[2][0].push_back(alphabet + 1);
    return makeSet(genomes, alphabet + 1);
}

void expectAllRowsMatch(const SetOfSeqs& set, int D, bool primes, const std::string& where) {
    for (const Genome& genome : set.genomes)
        for (const Chromosome& chrom : genome.chromosomes)
            for (int p = 1; p <= chrom.length; ++p) {
                std::vector<int> L = naiveL(chrom, set.rank, p, D);
                std::vector<int> R = naiveR(chrom, set.rank, p, D);
                ASSERT_EQ(L, row(chrom.L, p, D)) << where << " L row " << p << " of " << chrom.name;
                ASSERT_EQ(R, row(chrom.R, p, D)) << where << " R row " << p << " of " << chrom.name;
                if (!primes) continue;
                ASSERT_EQ(naiveLprime(chrom, set.rank, L, p), primedRow(chrom.L_prime, p, D))
                    << where << " L_prime row " << p << " of " << chrom.name;
                ASSERT_EQ(naiveRprime(chrom, set.rank, R, p), primedRow(chrom.R_prime, p, D))
                    << where << " R_prime row " << p << " of " << chrom.name;
            }
}

// Walks every left border of every reference chromosome as the searches do
// and compares ranks and tables with rebuilds after every step. With the
// moved character as threshold the primed tables stay complete.
TEST(BorderTables, IncrementalUpdatesEqualRebuilds) {
    std::vector<Scenario> scenarios;
    for (unsigned seed = 1; seed <= 6; ++seed)
        for (int D = 0; D <= 3; ++D) scenarios.push_back({seed, 3 + static_cast<int>(seed % 4), D, seed % 2 == 0});
    for (const Scenario& sc : scenarios) {
        auto set = randomSet(sc.seed, sc.alphabet);
        initDataStructures(*set, tableParams(sc.D, sc.useNUM));
        for (int g = 0; g < set->genomeCount; ++g)
            for (Chromosome& ref : set->genomes[g].chromosomes)
                for (int i = 1; i <= ref.length; ++i) {
                    std::string where = "seed " + std::to_string(sc.seed) + " D " + std::to_string(sc.D) +
                                        " ref " + ref.name + " i " + std::to_string(i);
                    updateRank(*set, ref, i);
                    ASSERT_EQ(naiveRank(ref, i, set->alphabetSize), set->rank) << where;
                    const int moved = ref.genes[i - 1];
                    updateL(*set, g, i, sc.D, moved);
                    updateR(*set, g, i, sc.D, moved);
                    updateR_prime(*set, g, i, sc.D, moved);
                    updateL_prime(*set, g, i, sc.D, moved);
                    expectAllRowsMatch(*set, sc.D, true, where);
                }
    }
}

TEST(BorderTables, ReferenceHoldingTheWholeAlphabet) {
    // Every family occurs on the reference, so the last one to appear holds
    // the rank alphabetSize; the rebuilds must still agree as families drop out.
    auto set = makeSet({{{1, 2, 3, 1, 4, 2, 4, 3}}, {{4, 3, 2, 1, 1, 3}}}, 4);
    const int D = 2;
    initDataStructures(*set, tableParams(D, true));
    Chromosome& ref = set->genomes[0].chromosomes[0];
    for (int i = 1; i <= ref.length; ++i) {
        updateRank(*set, ref, i);
        ASSERT_EQ(naiveRank(ref, i, 4), set->rank) << i;
        updateL(*set, 0, i, D, ref.genes[i - 1]);
        updateR(*set, 0, i, D, ref.genes[i - 1]);
        updateR_prime(*set, 0, i, D, ref.genes[i - 1]);
        updateL_prime(*set, 0, i, D, ref.genes[i - 1]);
        expectAllRowsMatch(*set, D, true, "i " + std::to_string(i));
    }
}

}  // namespace
