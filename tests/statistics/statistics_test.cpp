// p-values: worked scores, the probability table against brute-force
// enumeration, and the shared-table scorer against from-scratch scoring.
#include <gsl/gsl_randist.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <tuple>

#include "statistics/statistics.h"
#include "testUtil.h"

namespace {

// An a x b x c table of doubles.
class DoubleTable3 {
public:
    DoubleTable3(int a, int b, int c, double value) : b_(b), c_(c), data_(static_cast<size_t>(a) * b * c, value) {}
    double& operator()(int i, int j, int k) { return data_[(static_cast<size_t>(i) * b_ + j) * c_ + k]; }
    double operator()(int i, int j, int k) const { return data_[(static_cast<size_t>(i) * b_ + j) * c_ + k]; }

private:
    int b_, c_;
    std::vector<double> data_;
};

// ---- The score computed from scratch, as the formulas read: the oracle of
// the shared-table scorer.

double binomialPdf(int m, int l, double p) {
    return gsl_ran_binomial_pdf(static_cast<unsigned>(m), p, static_cast<unsigned>(l));
}

// T[i][l][k]: l positions drawn from c_1..c_i show exactly k distinct genes.
DoubleTable3 probabilityTable(int n, int Lmax, const std::vector<double>& pi) {
    DoubleTable3 T(n + 1, Lmax + 1, n + 1, 0.0);
    for (int i = 0; i <= n; ++i) T(i, 0, 0) = 1.0;
    for (int i = 1; i <= n; ++i)
        for (int l = 1; l <= Lmax; ++l)
            for (int k = 1; k <= std::min(i, l); ++k) {
                if (pi[i] == 0.0) {
                    T(i, l, k) = T(i - 1, l, k);
                    continue;
                }
                double sum = binomialPdf(0, l, pi[i]) * T(i - 1, l, k);
                for (int m = 1; m <= l - k + 1; ++m) sum += binomialPdf(m, l, pi[i]) * T(i - 1, l - m, k - 1);
                T(i, l, k) = sum;
            }
    return T;
}

double scoreFromScratch(const BackgroundTables& tables, int delta, int j, const std::vector<int>& G) {
    const int n = static_cast<int>(G.size());
    const int N = tables.totalLength(j);
    if (delta < 0) return 0.0;
    int lo = 0, hi = 0;
    lengthRange(n, delta, N, lo, hi);
    const std::vector<double> pi = setGeneShares(tables.setFrequencies(j, G));
    const double pG = setGeneProbability(tables.setFrequencies(j, G), N);
    const DoubleTable3 T = probabilityTable(n, 2 * n, pi);
    double score = 0.0;
    for (int L = lo; L <= hi; ++L) {
        double q = 0.0;  // Q_L(delta): the sum of the cumulative P_L(d), d <= delta
        for (int d = 0; d <= delta; ++d) {
            double p = 0.0;
            for (int dd = 0; dd <= std::min(d, n); ++dd)
                for (int m = 0; m <= L; ++m) p += binomialPdf(m, L, pG) * T(n, m, n - dd);
            q += p;
        }
        score += q * (N - L + 1);
    }
    return score;
}

// A chromosome of n genes, each occurring once.
std::vector<int> distinctGenes(int n) {
    std::vector<int> genes;
    for (int i = 1; i <= n; ++i) genes.push_back(i);
    return genes;
}

double scoreOf(const GenomeSet& set, int delta, int j, const std::vector<int>& G) {
    return scoreFromScratch(BackgroundTables(set), delta, j, G);
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
            if (!seen[x]) {
                seen[x] = true;
                ++distinct;
            }
        }
        byCount[distinct] += p;
        int pos = 0;
        while (pos < m && ++seq[pos] == n) seq[pos++] = 0;
        if (pos == m) break;
    }
    return byCount;
}

TEST(StatisticsTest, WorkedScores) {
    auto set = makeSet({{distinctGenes(10)}});
    auto two = makeSet({{{1, 2}}});
    const struct {
        const GenomeSet& set;
        int delta;
        std::vector<int> G;
        double score;
    } cases[] = {
        {*set, 0, {1}, 2.71},                              // one gene occurring once among 10: 0.1 * 10 + 0.19 * 9
        {*set, 0, {1, 2}, 1.2938},                         // two such genes: 0.18 + 0.432 + 0.6818
        {*set, 0, {2, 1}, 1.2938}, {*set, 1, {1}, 21.71},  // L = 1, 2 with Q_L(1) = P_L(0) + 1: 1.1 * 10 + 1.19 * 9
        {*set, 2, {1}, 40.71},                             // d' = 2 > n = 1 adds 0: 2.1 * 10 + 2.19 * 9
        {*two, 0, {1, 2, 3}, 0.0},                         // genome shorter than needed
        {*two, 0, {}, 0.0},        {*two, -1, {1}, 0.0},
    };
    for (const auto& c : cases) EXPECT_NEAR(scoreOf(c.set, c.delta, 0, c.G), c.score, 1e-12) << c.delta;
    EXPECT_GT(scoreOf(*two, 1, 0, {1, 2, 3}), 0.0);
    EXPECT_TRUE(std::isfinite(scoreOf(*set, 9, 0, {1, 2})));
}

TEST(StatisticsTest, TableMatchesEnumeration) {
    // f(c) of the set's genes 2, 1, 3 in a genome where 1, 2, 3 occur 3, 1, 2 times
    const DoubleTable3 T = probabilityTable(3, 6, setGeneShares({1, 3, 2}));
    const std::vector<double> w = {1, 3, 2};
    for (int l = 0; l <= 6; ++l)
        for (int k = 0; k <= 3; ++k) EXPECT_NEAR(T(3, l, k), bruteDistinctAll(w, l)[k], 1e-12) << l << " " << k;
    // the prefix c_1..c_2 alone
    for (int l = 0; l <= 6; ++l)
        for (int k = 0; k <= 2; ++k) EXPECT_NEAR(T(2, l, k), bruteDistinctAll({1, 3}, l)[k], 1e-12);
    EXPECT_EQ(T(0, 0, 0), 1.0);
    EXPECT_EQ(T(0, 3, 0), 0.0);
}

TEST(StatisticsTest, SharedTableScoresAreBitIdentical) {
    std::mt19937 rng(7);
    auto set = makeSet({{randomGenes(1, 40, 12), randomGenes(2, 7, 12)}, {randomGenes(3, 25, 15)}}, 15);
    const BackgroundTables tables(*set);
    const std::vector<int> lengths = totalLengths(*set);
    PTableCache cache;  // tables shared across rounds with equal frequencies
    for (int round = 0; round < 24; ++round) {
        const int j = round % 2;
        std::vector<int> G;
        const int n = 1 + round % 6;
        while (static_cast<int>(G.size()) < n) {
            const int c = 1 + static_cast<int>(rng() % 15);
            if (std::find(G.begin(), G.end(), c) == G.end()) G.push_back(c);
        }
        // the kept counts against a count over the genome's positions
        std::vector<int> counted;
        for (int c : G) {
            int f = 0;
            for (const Chromosome& chrom : set->genomes[j].chromosomes)
                f += static_cast<int>(std::count(chrom.genes.begin() + 1, chrom.genes.begin() + 1 + chrom.length(), c));
            counted.push_back(f);
        }
        ASSERT_EQ(tables.setFrequencies(j, G), counted);
        OccurrenceScorer scorer(counted, lengths[j], round % 3 != 0 ? &cache : nullptr);
        // scattered order, repeats and distances beyond the set size
        for (int delta : {3, 0, n + 2, 1, 3, 2, n, 0, n + 5}) {
            const double shared = scorer.score(delta);
            const double fresh = scoreFromScratch(tables, delta, j, G);
            EXPECT_EQ(std::memcmp(&shared, &fresh, sizeof(double)), 0)
                << "round " << round << " delta " << delta << ": " << shared << " vs " << fresh;
        }
    }
}

// The binomials from cached logarithms against the library's own, bit for
// bit, over lengths past any table and probabilities at both ends.
TEST(StatisticsTest, BinomialsMatchTheLibraryBitForBit) {
    LnChoose lnChoose;
    for (double p : {0.0, 1.0, 1e-300, 1e-9, 0.013, 0.25, 0.5, 0.731, 1.0 - 1e-12}) {
        const BinomialPdf pdf(p, lnChoose);
        for (int l : {0, 1, 2, 7, 40, 399})
            for (int m = 0; m <= l + 1; ++m) {
                const double mine = pdf(m, l);
                const double theirs = binomialPdf(m, l, p);
                EXPECT_EQ(std::memcmp(&mine, &theirs, sizeof(double)), 0) << p << " " << m << " " << l;
            }
    }
}

TEST(StatisticsTest, Log10OfAProductThatOverflows) {
    // 471 genomes without location: the product is inf, its log10 exact.
    const std::vector<double> absent(471, 1000.0);
    EXPECT_TRUE(std::isinf(combinePValues(absent.data(), 471)));
    EXPECT_EQ(1413.0, combineLog10PValues(absent.data(), 471));
    const double p[] = {0.5, 0.25, 4.0};
    EXPECT_NEAR(std::log10(0.5), combineLog10PValues(p, 3), 1e-15);
}

}  // namespace
