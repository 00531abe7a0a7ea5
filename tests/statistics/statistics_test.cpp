// p-values: worked scores, the probability table against brute-force
// enumeration, the shared-table scorer against from-scratch scoring, and the
// two entry points.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <array>
#include <random>
#include <tuple>

#include "statistics/statistics.h"
#include "testUtil.h"

namespace {

// A chromosome of n genes, each occurring once.
std::vector<int> distinctGenes(int n) {
    std::vector<int> genes;
    for (int i = 1; i <= n; ++i) genes.push_back(i);
    return genes;
}

double scoreOf(const SetOfSeqs& set, int delta, int j, const std::vector<int>& G) {
    BackgroundTables tables(set);
    return prob_C_has_approxOcc_in_Genome(delta, j, G);
}

// Probabilities that m positions, each holding gene G[i] with probability
// w[i] / sum(w), show exactly k distinct genes (entry k): enumerates all
// sequences.
std::vector<double> bruteDistinctAll(const std::vector<double>& w, int m) {
    const int n = static_cast<int>(w.size());
    std::vector<double> byCount(n + 1, 0.0);
    double total = 0.0;
    for (double x : w) total += x;
    if (m == 0) {
        byCount[0] = 1.0;
        return byCount;
    }
    std::vector<int> seq(m, 0);
    while (true) {
        double p = 1.0;
        std::vector<bool> seen(n, false);
        int distinct = 0;
        for (int x : seq) {
            p *= w[x] / total;
            if (!seen[x]) { seen[x] = true; ++distinct; }
        }
        byCount[distinct] += p;
        int pos = 0;
        while (pos < m && ++seq[pos] == n) seq[pos++] = 0;
        if (pos == m) break;
    }
    return byCount;
}

// The score straight from its definition, with T by enumeration.
double bruteScore(const std::vector<int>& freqOfG, int N, int delta) {
    const int n = static_cast<int>(freqOfG.size());
    std::vector<double> w;
    double hits = 0;
    for (int f : freqOfG) {
        hits += f;
        if (f > 0) w.push_back(f);
    }
    const double pG = hits / N;
    auto binom = [](int m, int L, double p) {
        return std::tgamma(L + 1.0) / (std::tgamma(m + 1.0) * std::tgamma(L - m + 1.0)) * std::pow(p, m) *
               std::pow(1 - p, L - m);
    };
    // t[m][k]; absent genes never show up
    std::vector<std::vector<double>> t(2 * n + 1, std::vector<double>(n + 1, 0.0));
    for (int m = 0; m <= 2 * n; ++m) {
        const std::vector<double> byCount = bruteDistinctAll(w, m);
        for (int k = 0; k < static_cast<int>(byCount.size()); ++k) t[m][k] = byCount[k];
    }
    double score = 0.0;
    for (int L = std::max(n - delta, 1); L <= std::min(2 * n, N); ++L) {
        double Q = 0.0;
        for (int d = 0; d <= delta; ++d)
            for (int dd = 0; dd <= std::min(d, n); ++dd)
                for (int m = 0; m <= L; ++m) Q += binom(m, L, pG) * t[m][n - dd];
        score += Q * (N - L + 1);
    }
    return score;
}

TEST(StatisticsTest, WorkedScores) {
    auto set = makeSet({{distinctGenes(10)}});
    auto two = makeSet({{{1, 2}}});
    const struct {
        const SetOfSeqs& set;
        int delta;
        std::vector<int> G;
        double score;
    } cases[] = {
        {*set, 0, {1}, 2.71},         // one gene occurring once among 10: 0.1 * 10 + 0.19 * 9
        {*set, 0, {1, 2}, 1.2938},    // two such genes: 0.18 + 0.432 + 0.6818
        {*set, 0, {2, 1}, 1.2938},
        {*set, 1, {1}, 21.71},        // L = 1, 2 with Q_L(1) = P_L(0) + 1: 1.1 * 10 + 1.19 * 9
        {*set, 2, {1}, 40.71},        // d' = 2 > n = 1 adds 0: 2.1 * 10 + 2.19 * 9
        {*two, 0, {1, 2, 3}, 0.0},    // genome shorter than needed
        {*two, 0, {}, 0.0},
        {*two, -1, {1}, 0.0},
    };
    for (const auto& c : cases) EXPECT_NEAR(scoreOf(c.set, c.delta, 0, c.G), c.score, 1e-12) << c.delta;
    EXPECT_GT(scoreOf(*two, 1, 0, {1, 2, 3}), 0.0);
    EXPECT_TRUE(std::isfinite(scoreOf(*set, 9, 0, {1, 2})));
}

TEST(StatisticsTest, TableMatchesEnumeration) {
    const std::vector<int> freqs = {0, 3, 1, 2};
    const std::vector<int> G = {2, 1, 3};
    const DoubleTable3 T = compute_pTable(3, 6, 3, compute_localCharProb(G, freqs));
    const std::vector<double> w = {1, 3, 2};
    for (int l = 0; l <= 6; ++l)
        for (int k = 0; k <= 3; ++k) EXPECT_NEAR(T(3, l, k), bruteDistinctAll(w, l)[k], 1e-12) << l << " " << k;
    // the prefix c_1..c_2 alone
    for (int l = 0; l <= 6; ++l)
        for (int k = 0; k <= 2; ++k) EXPECT_NEAR(T(2, l, k), bruteDistinctAll({1, 3}, l)[k], 1e-12);
    EXPECT_EQ(T(0, 0, 0), 1.0);
    EXPECT_EQ(T(0, 3, 0), 0.0);
}

TEST(StatisticsTest, ScoreMatchesDefinition) {
    // genome: 1 x3, 2 x1, 3 x2, fillers 4..9, one absent gene 10
    auto set = makeSet({{{1, 4, 1, 2, 5, 3, 6, 1, 7, 3, 8, 9}}}, 10);
    const std::vector<int> G = {2, 10, 1, 3};
    const std::vector<int> freqOfG = {1, 0, 3, 2};
    for (int delta = 0; delta <= 5; ++delta) {
        const double expected = bruteScore(freqOfG, 12, delta);
        EXPECT_NEAR(scoreOf(*set, delta, 0, G), expected, 1e-9 * expected) << delta;
    }
}

TEST(StatisticsTest, SharedTableScoresAreBitIdentical) {
    std::mt19937 rng(7);
    auto set = makeSet({{randomGenes(1, 40, 12), randomGenes(2, 7, 12)}, {randomGenes(3, 25, 15)}}, 15);
    BackgroundTables tables(*set);
    const IntTable freqs = computeCharFreqs(*set);
    const std::vector<int> lengths = computeTotalLengths(*set);
    for (int round = 0; round < 12; ++round) {
        const int j = round % 2;
        std::vector<int> G;
        const int n = 1 + round % 6;
        while (static_cast<int>(G.size()) < n) {
            const int c = 1 + static_cast<int>(rng() % 15);
            if (std::find(G.begin(), G.end(), c) == G.end()) G.push_back(c);
        }
        OccurrenceScorer scorer(G, {freqs.row(j), static_cast<size_t>(freqs.cols())}, lengths[j]);
        // scattered order, repeats and distances beyond the set size
        for (int delta : {3, 0, n + 2, 1, 3, 2, n, 0, n + 5}) {
            const double shared = scorer.score(delta);
            const double fresh = prob_C_has_approxOcc_in_Genome(delta, j, G);
            EXPECT_EQ(std::memcmp(&shared, &fresh, sizeof(double)), 0)
                << "round " << round << " delta " << delta << ": " << shared << " vs " << fresh;
        }
    }
}

TEST(StatisticsTest, BackgroundTablesAndCombinedPValues) {
    // the last gene and a one-gene chromosome count like every other position
    auto set = makeSet({{{1, 2, 3}, {4}}, {{2, 2}}}, 5);
    EXPECT_EQ(computeTotalLengths(*set), (std::vector<int>{4, 2}));
    const IntTable freqs = computeCharFreqs(*set);
    ASSERT_EQ(freqs.cols(), 6);
    EXPECT_EQ((std::vector<int>{0, 1, 1, 1, 1, 0}), std::vector<int>(freqs.row(0), freqs.row(0) + 6));
    EXPECT_EQ((std::vector<int>{0, 0, 2, 0, 0, 0}), std::vector<int>(freqs.row(1), freqs.row(1) + 6));
    const DoubleTable probs = compute_charProbs(*set, freqs, computeTotalLengths(*set));
    EXPECT_EQ(std::tuple(0.0, 0.25, 0.0, 1.0, 0.0), std::tuple(probs(0, 0), probs(0, 1), probs(0, 5), probs(1, 2),
                                                               probs(1, 1)));
    const double p[] = {0.5, 0.25, 4.0};
    EXPECT_EQ(combine_pValues(p, 3), 0.5);
    EXPECT_EQ(combine_pValues(p, 0), 1.0);
    EXPECT_EQ(combine_pValues(nullptr, -1), 1.0);
}

kTuple withGenes(const std::vector<int>& genes, const std::vector<kTupleInterval>& intervals) {
    kTuple t = makeTuple(intervals);
    for (int g : genes) t.median.push_back({g, 1});
    t.geneContentArray = genes;
    t.hasGeneContentArray = true;
    return t;
}

TEST(StatisticsTest, KTuplePValues) {
    auto set = makeSet({{distinctGenes(10)}, {{3, 1, 2, 4, 5}}, {{1, 1, 1}}});
    kTupleList list = makeList(3, {});
    // two tuples sharing their gene content (one scorer per genome), then another
    list.tuples.push_back(withGenes({1, 2}, {{1, 2, 0, 0, 0}, {2, 3, 0, 0, 0}, {2, 1, 0, 0, 0}}));
    list.tuples.push_back(withGenes({1, 2}, {{3, 5, 0, 1, 0}, {1, 3, 0, 1, 0}, {1, 3, 0, 1, 0}}));
    list.tuples.push_back(withGenes({1}, {{1, 1, 0, 0, 0}, {1, 0, 0, 0, 0}, {1, 1, 0, 2, 0}}));
    computeStatistics(&list, *set);

    BackgroundTables tables(*set);
    auto it = list.tuples.begin();
    EXPECT_EQ(it->pValues[0], prob_C_has_approxOcc_in_Genome(0, 0, {1, 2}));
    EXPECT_NEAR(it->pValues[0], 1.2938, 1e-12);
    EXPECT_EQ(it->pValues[1], prob_C_has_approxOcc_in_Genome(0, 1, {1, 2}));
    EXPECT_EQ(it->pValues[2], 1.0);  // empty interval
    EXPECT_EQ(it->pValue, it->pValues[0] * it->pValues[1]);
    ++it;
    for (int j = 0; j < 3; ++j) EXPECT_EQ(it->pValues[j], prob_C_has_approxOcc_in_Genome(1, j, {1, 2}));
    EXPECT_EQ(it->pValue, combine_pValues(it->pValues.data(), 3));
    ++it;
    EXPECT_NEAR(it->pValues[0], 2.71, 1e-12);
    EXPECT_EQ(it->pValues[1], 1.0);
    EXPECT_EQ(it->pValues[2], prob_C_has_approxOcc_in_Genome(2, 2, {1}));
}

// A cluster of K genomes around a gene set; lists[g] holds {l, r, setDist}
// locations of genome g.
refCluster makeRefCluster(int refGenome, const std::vector<int>& genes,
                          const std::vector<std::vector<std::array<int, 3>>>& lists) {
    const int K = static_cast<int>(lists.size());
    refCluster c{refGenome, 0, 0, 0, K, static_cast<int>(genes.size()), K, 0.0, std::vector<listOf_dLocs>(K), genes};
    for (int g = 0; g < K; ++g) {
        c.dLocLists[g].genome = g;
        for (auto [l, r, setDist] : lists[g]) c.dLocLists[g].locs.push_back({g, 0, l, r, setDist});
    }
    return c;
}

TEST(StatisticsTest, RefClusterPValues) {
    auto set = makeSet({{distinctGenes(10)}, {distinctGenes(10)}, {distinctGenes(6)}});
    listOfRefClusters list;
    // Reference genome: all 1.0; genome 1 ends with an empty location; genome 2 has none.
    list.clusters.push_back(makeRefCluster(0, {1, 2}, {{{1, 2, 0}, {5, 7, 2}}, {{1, 2, 0}, {3, 5, 1}, {4, 3, 0}}, {}}));
    list.clusters.push_back(makeRefCluster(1, {3}, {{}, {}, {}}));  // no locations at all
    computeStatisticsRef(&list, *set);

    const refCluster& first = list.clusters.front();
    for (const dLoc& x : first.dLocLists[0].locs) EXPECT_EQ(x.pValue, 1.0);
    auto x = first.dLocLists[1].locs.begin();
    EXPECT_NEAR(x->pValue, 1.2938, 1e-12);
    const double atDist1 = (++x)->pValue;
    EXPECT_EQ((++x)->pValue, 1.0);  // empty location
    BackgroundTables tables(*set);
    EXPECT_EQ(atDist1, prob_C_has_approxOcc_in_Genome(1, 1, {1, 2}));
    // best per genome: 1.0, min(1.2938, P(1), 1.0) = 1.0, none = 1000.0
    EXPECT_EQ(first.pValue, 1000.0);
    EXPECT_EQ(list.clusters.back().pValue, 1e9);

    auto three = makeSet({{distinctGenes(10)}, {distinctGenes(10)}, {distinctGenes(10)}});
    listOfRefClusters two;
    two.clusters.push_back(makeRefCluster(0, {1}, {{{1, 1, 0}}, {{1, 1, 0}}, {}}));
    computeStatisticsRef(&two, *three);
    EXPECT_NEAR(two.clusters.front().pValue, 1.0 * 2.71 * 1000.0, 1e-9);
}

TEST(StatisticsTest, EmptyListsOnlyBuildTables) {
    auto set = makeSet({{distinctGenes(4)}});
    listOfRefClusters refs;
    computeStatisticsRef(&refs, *set);
    computeStatisticsRef(nullptr, *set);
    kTupleList tuples = makeList(1, {});
    computeStatistics(&tuples, *set);
    computeStatistics(nullptr, *set);
    // the tables are gone afterwards: genome 0 is unknown again
    EXPECT_EQ(prob_C_has_approxOcc_in_Genome(0, 0, {1}), 0.0);
}

}  // namespace
