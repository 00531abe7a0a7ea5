// Reference ranks and the L/R border tables: worked examples, and the
// incremental updates checked against rebuilds from the definitions.
#include <gtest/gtest.h>

#include <random>
#include <string>
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

// Rows 1..n of a table (entries 0..D+1 each), as "row | row | ...".
std::string rows(const Chromosome& chrom, const IntTable& table, int D) {
    std::string out;
    for (int p = 1; p <= chrom.length; ++p) {
        out += p > 1 ? " |" : "";
        for (int v : row(table, p, D)) out += " " + std::to_string(v);
    }
    return out;
}

TEST(Ranks, WorkedExamplesOneTwoOneThreeAndFourFour) {
    auto set = makeSet({{{1, 2, 1, 3}}}, 4);
    initDataStructures(*set, tableParams(1, true));
    const Chromosome& ref = set->genomes[0].chromosomes[0];
    const int absent = absentRank(4), sentinel = sentinelRank(4);
    updateRank(*set, ref, 1);
    EXPECT_EQ((std::vector<int>{sentinel, 1, 2, 3, absent}), set->rank);
    updateRank(*set, ref, 2);
    EXPECT_EQ((std::vector<int>{sentinel, 2, 1, 3, absent}), set->rank);
    updateRank(*set, ref, 3);
    EXPECT_EQ((std::vector<int>{sentinel, 1, absent, 2, absent}), set->rank);

    // A repeated left-border character keeps every rank.
    auto fours = makeSet({{{4, 4, 2, 4, 1}}}, 4);
    initDataStructures(*fours, tableParams(0, false));
    updateRank(*fours, fours->genomes[0].chromosomes[0], 1);
    const std::vector<int> before = fours->rank;
    EXPECT_EQ(1, before[4]);
    updateRank(*fours, fours->genomes[0].chromosomes[0], 2);
    EXPECT_EQ(before, fours->rank);
}

TEST(BorderTables, WorkedExampleOneTwoOneThree) {
    auto set = makeSet({{{1, 2, 1, 3}}}, 4);
    initDataStructures(*set, tableParams(1, true));
    Chromosome& chrom = set->genomes[0].chromosomes[0];
    updateRank(*set, chrom, 1);
    updateL(*set, 0, 1, 1, 0);
    updateR(*set, 0, 1, 1, 0);
    EXPECT_EQ(" 1 2 4 | 2 4 5 | 3 4 5 | 4 5 5", rows(chrom, chrom.R, 1));
    EXPECT_EQ(" 1 0 0 | 2 0 0 | 3 2 0 | 4 0 0", rows(chrom, chrom.L, 1));
    updateRank(*set, chrom, 2);
    updateL(*set, 0, 2, 1, chrom.genes[1]);
    updateR(*set, 0, 2, 1, chrom.genes[1]);
    EXPECT_EQ(" 1 4 5 | 2 3 4 | 3 4 5 | 4 5 5", rows(chrom, chrom.R, 1));
    EXPECT_EQ(" 1 0 0 | 2 1 0 | 3 0 0 | 4 0 0", rows(chrom, chrom.L, 1));
}

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
    // chromosome but genome 2's, so it ranks just below the sentinel.
    genomes[2][0].push_back(alphabet + 1);
    return makeSet(genomes, alphabet + 1);
}

// Walks every left border of every reference chromosome as the searches do
// and compares, after every step, the ranks with their definition and each
// table row with its definition; L and R also with what computeL/computeR
// rebuild. With the moved character as threshold the primed tables stay
// complete.
void expectUpdatesEqualRebuilds(SetOfSeqs& set, int D, const std::string& scenario) {
    for (int g = 0; g < set.genomeCount; ++g)
        for (Chromosome& ref : set.genomes[g].chromosomes)
            for (int i = 1; i <= ref.length; ++i) {
                updateRank(set, ref, i);
                ASSERT_EQ(naiveRank(ref, i, set.alphabetSize), set.rank) << scenario << " ref " << ref.name << " " << i;
                const int moved = ref.genes[i - 1];
                updateL(set, g, i, D, moved);
                updateR(set, g, i, D, moved);
                updateR_prime(set, g, i, D, moved);
                updateL_prime(set, g, i, D, moved);
                std::vector<IntTable> updated;  // L and R of every chromosome, before the rebuild
                for (const Genome& genome : set.genomes)
                    for (const Chromosome& chrom : genome.chromosomes) {
                        updated.push_back(chrom.L);
                        updated.push_back(chrom.R);
                    }
                computeL(set, g, D);
                computeR(set, g, D);
                auto tables = updated.begin();
                for (const Genome& genome : set.genomes)
                    for (const Chromosome& chrom : genome.chromosomes) {
                        const IntTable& L = *tables++;
                        const IntTable& R = *tables++;
                        for (int p = 1; p <= chrom.length; ++p) {
                            const std::vector<int> nL = naiveL(chrom, set.rank, p, D);
                            const std::vector<int> nR = naiveR(chrom, set.rank, p, D);
                            const std::vector<int> naive[] = {nL, nR, nL, nR, naiveLprime(chrom, set.rank, nL, p),
                                                              naiveRprime(chrom, set.rank, nR, p)};
                            const std::vector<int> actual[] = {row(L, p, D), row(R, p, D), row(chrom.L, p, D),
                                                               row(chrom.R, p, D), primedRow(chrom.L_prime, p, D),
                                                               primedRow(chrom.R_prime, p, D)};
                            for (int t = 0; t < 6; ++t)
                                ASSERT_EQ(naive[t], actual[t])
                                    << scenario << " ref " << ref.name << " " << i << ", row " << p << " of "
                                    << chrom.name << " in L, R, rebuilt L, rebuilt R, L_prime, R_prime #" << t;
                        }
                    }
            }
}

TEST(BorderTables, IncrementalUpdatesEqualRebuilds) {
    for (unsigned seed = 1; seed <= 4; ++seed)
        for (int D = 0; D <= 3; ++D) {
            auto set = randomSet(seed, 3 + static_cast<int>(seed % 4));
            initDataStructures(*set, tableParams(D, seed % 2 == 0));
            expectUpdatesEqualRebuilds(*set, D, "seed " + std::to_string(seed) + " D " + std::to_string(D));
        }
    // Every family occurs on the first reference, so the last one to appear
    // holds the rank alphabetSize; absent ones must still rank above it.
    auto set = makeSet({{{1, 2, 3, 1, 4, 2, 4, 3}}, {{4, 3, 2, 1, 1, 3}}}, 4);
    initDataStructures(*set, tableParams(2, true));
    expectUpdatesEqualRebuilds(*set, 2, "whole alphabet");
}

}  // namespace
