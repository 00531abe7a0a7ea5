// Cluster-filter enumeration: the distance bound computeDist, the cheap
// filter tests, the budgets, and the walk over the reference genomes.
#include <gtest/gtest.h>

#include <algorithm>

#include "entry/commInts.h"
#include "filters/arraysLnR.h"
#include "filters/computeClusterFiltersLnR.h"
#include "filters/pattern.h"
#include "index/initDatastructures.h"
#include "params/parameterArray.h"
#include "testUtil.h"
#include "util/errors.h"

namespace {

std::vector<int> tableRow(const IntTable& table, int p, int D) {
    return std::vector<int>(table.row(p), table.row(p) + D + 2);
}

// Ranks and border tables for left border 1 of genome 0's first chromosome.
void rankByGenomeZero(SetOfSeqs& set, int D) {
    updateRank(set, set.genomes[0].chromosomes[0], 1);
    updateL(set, 0, 1, D, 0);
    updateR(set, 0, 1, D, 0);
}

// Distance between the characters of ranks 1..size and the genes l..r.
int setDistance(const SetOfSeqs& set, const Chromosome& ch, int size, int l, int r) {
    std::vector<char> seen(set.alphabetSize + 1, 0);
    int common = 0, foreign = 0;
    for (int p = l; p <= r; ++p)
        if (!seen[ch.genes[p]]++) ++(set.rank[ch.genes[p]] <= size ? common : foreign);
    return size - common + foreign;
}

}  // namespace

TEST(ComputeDist, WorkedExamples) {
    // P = {1, 2} (ranks 1 and 2 from the reference 1 2), newChar 2, D = 1.
    for (bool useNUM : {true, false}) {
        auto set = makeSet({{{1, 2}}, {{5, 1, 2, 6}}, {{5, 1, 6, 2, 7}}}, 7);
        auto params = derivedParams('m', 1, 2, 3, -1, 'z', useNUM);
        initDataStructures(*set, *params);
        rankByGenomeZero(*set, 1);
        const Chromosome& first = set->genomes[1].chromosomes[0];
        EXPECT_EQ(tableRow(first.L, 3, 1), (std::vector<int>{3, 1, 0}));
        EXPECT_EQ(tableRow(first.R, 3, 1), (std::vector<int>{3, 4, 5}));
        EXPECT_EQ(computeDist(3, 1, 2, first, -1), 0);  // positions 2..3 on the first level

        const Chromosome& second = set->genomes[2].chromosomes[0];
        EXPECT_EQ(tableRow(second.L, 4, 1), (std::vector<int>{4, 3, 1}));
        EXPECT_EQ(tableRow(second.R, 4, 1), (std::vector<int>{4, 5, 6}));
        EXPECT_EQ(computeDist(4, 1, 2, second, -1), 1);  // position 4 alone, then the bound ends it
    }
}

// minDists kept along every growth step is exact up to the depth: min(minDists,
// D+1) equals min(true smallest distance, D+1), for every genome.
TEST(ComputeDist, MinDistsEqualBruteForceUpToTheDepth) {
    int checked = 0;
    for (unsigned seed = 1; seed <= 10; ++seed) {
        const int genomeCount = 3;
        const int alphabet = 5 + seed % 3;
        const int delta = 1 + seed % 3;
        std::vector<std::vector<std::vector<int>>> rows;
        for (int g = 0; g < genomeCount; ++g)
            rows.push_back({randomGenes(seed * 13 + g, 10 + (seed + g) % 6, alphabet),
                            randomGenes(seed * 17 + g, 5, alphabet)});
        auto set = makeSet(rows, alphabet);
        auto params = derivedParams('m', delta, 1, genomeCount, -1, 'z', seed % 2 == 0);
        initDataStructures(*set, *params);
        const int D = depthOf(*params);
        for (int ref = 0; ref < genomeCount; ++ref) {
            Pattern pattern = initPattern(set->alphabetSize + 1, genomeCount, std::max(params->d, D));
            forEachReferenceInterval(*set, *params, pattern, ref, [&](Pattern& p) {
                minDistsToI_ref(p, *set, D);
                int total = 0;
                for (int g = 0; g < genomeCount; ++g) {
                    total += p.minDists[g];
                    if (g == ref) {
                        EXPECT_EQ(p.minDists[g], 0);
                        continue;
                    }
                    int best = p.size;  // the empty interval
                    for (const Chromosome& other : set->genomes[g].chromosomes)
                        for (int l = 1; l <= other.length; ++l)
                            for (int r = l; r <= other.length; ++r)
                                best = std::min(best, setDistance(*set, other, p.size, l, r));
                    ASSERT_EQ(std::min(p.minDists[g], D + 1), std::min(best, D + 1))
                        << "seed " << seed << " ref " << ref << " [" << p.left << "," << p.right << "] g " << g;
                    ++checked;
                }
                EXPECT_EQ(p.minTotalDist, total);
            });
        }
    }
    EXPECT_GT(checked, 1000);
}

TEST(FilterTests, ValidityOfAClusterFilter) {
    // Median without quorum, k = 3: border threshold 2. Gene 9 occurs in one
    // chromosome only, gene 1 and 2 in all.
    auto set = makeSet({{{9, 1, 2, 9, 1}}, {{1, 2}}, {{1, 2}}}, 9);
    auto params = derivedParams('m', 3, 2, 3);  // minRefSize = 2 - 1 = 1
    initDataStructures(*set, *params);
    const Chromosome& ref = set->genomes[0].chromosomes[0];
    Pattern pattern = initPattern(set->alphabetSize + 1, 3, params->d);
    auto grow = [&](int i, int steps) {
        updateRank(*set, ref, 1);
        resetPattern(pattern, set->alphabetSize, params->delta, 0, 0, i);
        int j = i;
        for (int s = 0; s < steps; ++s) {
            EXPECT_TRUE(getNextI_ref(j, pattern, 0, 0, *set));
            j = pattern.right + 1;
        }
    };
    grow(2, 2);  // [2,3] = {1, 2}
    EXPECT_TRUE(isValidCF(pattern, *set, *params));
    grow(1, 1);  // [1,1] = {9}: a rare border gene that occurs once in it
    EXPECT_FALSE(isValidCF(pattern, *set, *params));
    grow(1, 2);  // [1,2] = {9, 1}
    EXPECT_FALSE(isValidCF(pattern, *set, *params));
    grow(1, 3);  // [1,5] = 9 1 2 9 1: both border genes recur inside
    EXPECT_EQ(pattern.right, 5);
    EXPECT_TRUE(isValidCF(pattern, *set, *params));
    grow(3, 2);  // [3,4] = 2 9: the rare 9 ends it
    EXPECT_FALSE(isValidCF(pattern, *set, *params));
    // [3,5] would hold the gene left of it: the chain from 3 stops at [3,4].
    EXPECT_FALSE(getNextI_ref(5, pattern, 0, 0, *set));

    // Too small for minRefSize.
    auto large = derivedParams('m', 3, 4, 3);  // minRefSize 3
    grow(2, 2);
    EXPECT_FALSE(isValidCF(pattern, *set, *large));
}

TEST(FilterTests, CenterAndQuorumUseThresholdTwo) {
    // Gene 9 lies on two chromosomes of five genomes: rare for the median
    // without quorum ((5+1)/2 = 3), frequent enough otherwise.
    auto set = makeSet({{{9, 1, 2}}, {{9}}, {{1, 2}}, {{1, 2}}, {{1, 2}}}, 9);
    auto median = derivedParams('m', 5, 1, 5);
    auto quorum = derivedParams('m', 5, 1, 5, 4);
    auto center = derivedParams('c', 1, 1, 5);
    initDataStructures(*set, *median);
    const Chromosome& ref = set->genomes[0].chromosomes[0];
    updateRank(*set, ref, 1);
    Pattern pattern = initPattern(set->alphabetSize + 1, 5, 20);
    resetPattern(pattern, set->alphabetSize, 5, 0, 0, 1);
    ASSERT_TRUE(getNextI_ref(1, pattern, 0, 0, *set));
    ASSERT_TRUE(getNextI_ref(2, pattern, 0, 0, *set));
    ASSERT_TRUE(getNextI_ref(3, pattern, 0, 0, *set));  // [1,3] = {9, 1, 2}
    EXPECT_FALSE(isValidCF(pattern, *set, *median));
    EXPECT_TRUE(isValidCF(pattern, *set, *quorum));
    EXPECT_TRUE(isValidCF(pattern, *set, *center));
}

TEST(FilterTests, DistanceBoundsAndBudgets) {
    auto median = derivedParams('m', 2, 1, 3);  // d = 2
    auto wide = derivedParams('m', 3, 1, 3);    // d = 4
    auto quorum = derivedParams('m', 3, 1, 3, 2);
    auto center = derivedParams('c', 1, 1, 3);  // pwDelta 1: per genome 2*delta = 6, total (k-1)*pwDelta = 2
    const struct {
        const ParameterArray& params;
        std::vector<int> minDists;
        int minTotalDist;
        bool tooBig;
        std::vector<int> maxRemDists;  // empty: not asked
    } cases[] = {
        {*median, {0, 1, 2}, 3, true, {}},  // total 3 > d
        {*median, {0, 0, 2}, 2, false, {}},
        {*median, {0, 0, 3}, 2, true, {}},  // one genome beyond delta
        // Median without quorum: each genome may use what the others leave.
        {*wide, {0, 1, 0}, 1, false, {3, 3, 3}},
        {*wide, {0, 2, 1}, 3, false, {1, 3, 2}},
        {*quorum, {0, 2, 1}, 3, false, {3, 3, 3}},
        {*center, {0, 2, 1}, 3, true, {2, 2, 2}},
        {*center, {0, 1, 1}, 2, false, {}},
        {*center, {0, 1, 1}, 3, true, {}},
        {*center, {0, 7, 0}, 0, true, {}},
    };
    for (const auto& c : cases) {
        Pattern pattern = initPattern(4, 3, 10);
        pattern.minDists = c.minDists;
        pattern.minTotalDist = c.minTotalDist;
        EXPECT_EQ(c.tooBig, areMinDistsTooBig(pattern, c.params)) << c.minDists[1] << " " << c.minTotalDist;
        if (c.maxRemDists.empty()) continue;
        compute_maxRemDists(pattern, c.params);
        EXPECT_EQ(c.maxRemDists, pattern.maxRemDists) << c.minDists[1] << " " << c.minTotalDist;
    }
}

TEST(FilterEnumeration, ProgressReferenceGenomesAndCancellation) {
    // Center mode without quorum: only genome 0 (4 genes) is a reference.
    auto set = makeSet({{{1, 2, 3, 1}}, {{1, 2, 3}}, {{2, 1, 3}}});
    for (int allowed : {1000, 2}) {
        auto params = derivedParams(allowed > 2 ? 'c' : 'm', 1, 2, 3);
        params->gui = true;
        stdoutOf([&] { initDataStructures(*set, *params); });
        RecordingHost host(allowed);
        auto result = initResultArray(*set);
        bool done = false;
        const std::string err = stderrOf([&] { done = computeFiltersAlg3(*set, *params, *result); });
        if (allowed == 2) {  // the third left border ends the walk
            EXPECT_FALSE(done);
            EXPECT_EQ(host.polls, 3);
            continue;
        }
        EXPECT_TRUE(done);
        EXPECT_NE(err.find("refGenomeCount: 1, q: 0, K; 3\n"), std::string::npos);
        EXPECT_EQ(host.maximum, 10);
        EXPECT_EQ(host.polls, 4);  // once per left border
        // After the left borders 1..4: 4, 7, 9, 10; after the chromosome: 10.
        auto at = host.values.begin();
        for (int v : {4, 7, 9, 10, 10}) {
            at = std::find(at, host.values.end(), v);
            ASSERT_NE(at++, host.values.end()) << "progress value " << v;
        }
        EXPECT_EQ(host.values.front(), 0);
        EXPECT_TRUE(std::is_sorted(host.values.begin(), host.values.end()));
        EXPECT_EQ(host.values.back(), 10);
        EXPECT_GT(result->filterCount, 0);
        EXPECT_GT(result->kTupleList->size(), 0);
    }
}

TEST(FilterEnumeration, CenterModeUsesTheFirstQPlusOneGenomes) {
    // Every single-gene filter is accepted (distance 1 to genomes without it,
    // total within (k-1)*pwDelta = 3), no two-gene filter is; each genome
    // offers two of them.
    const int expected[] = {2, 4, 6};
    const int quorums[] = {-1, 3, 2};
    for (int run = 0; run < 3; ++run) {
        auto set = makeSet({{{1, 2}}, {{3, 4}}, {{3, 4}}, {{1, 2}}});
        auto params = derivedParams('c', 1, 2, 4, quorums[run]);
        initDataStructures(*set, *params);
        auto result = initResultArray(*set);
        bool done = false;
        const std::string err = stderrOf([&] { stdoutOf([&] { done = computeFiltersAlg3(*set, *params, *result); }); });
        EXPECT_TRUE(done);
        EXPECT_NE(err.find(formatText("refGenomeCount: %d, q: %d, K; 4\n", run + 1, run)), std::string::npos);
        EXPECT_EQ(result->filterCount, expected[run]);
    }
}
