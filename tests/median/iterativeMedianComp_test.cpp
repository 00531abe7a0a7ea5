// The median search of one filter: charges, budgets, border optimality,
// quorum, cancellation, and a comparison with brute-force enumeration.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "entry/commInts.h"
#include "entry/progress.h"
#include "index/initDatastructures.h"
#include "median/iterativeMedianComp.h"
#include "median/kTuples.h"
#include "occurrences/matchField.h"
#include "params/parameterArray.h"
#include "testUtil.h"

namespace {

std::unique_ptr<ParameterArray> derivedParams(char mode, int delta, int s, int genomeCount, bool quorum = false,
                                              int q = -1, char qtype = '?') {
    auto params = initParameterArray(delta, s, 0.0, mode == 'c', true, true, quorum, q,
                                     quorum && qtype == '?' ? 'z' : qtype, mode, "test.out", false, '?');
    setDerivedParameters(*params, genomeCount);
    return params;
}

int depthOf(const ParameterArray& params) { return params.isCenter ? 2 * params.pwDelta : params.delta; }

struct Candidate {
    int g, dist, l, r;  // l > r: empty occurrence
};

// One filter's record holding the given candidates (added in this order),
// numbered and ready for the search; and its result after generate_kTuples.
struct Filter {
    std::unique_ptr<SetOfSeqs> set;
    std::unique_ptr<ParameterArray> params;
    MatchesRecord record;
    std::unique_ptr<ResultArray> result;
    bool completed = false;

    Filter(std::unique_ptr<SetOfSeqs> s, std::unique_ptr<ParameterArray> p, const std::vector<Candidate>& cands)
        : set(std::move(s)), params(std::move(p)) {
        initDataStructures(*set, *params);
        const int k = set->genomeCount;
        const int D = depthOf(*params);
        record = initMatchesRecord(k, std::max(params->d, D));
        for (const Candidate& c : cands)
            addToMatchesRecord(record, *set, c.g, c.dist, c.l > c.r ? -1 : c.l, c.l > c.r ? -2 : c.r, 0);
        generateLocalOcc(record, *set, k, D);
        result = initResultArray(*set);
        completed = generate_kTuples(*set, *params, record, *result);
    }
    const std::list<kTuple>& tuples() const { return result->kTupleList->tuples; }
};

std::vector<int> medianGenes(const kTuple& tuple) {
    std::vector<int> genes;
    for (const medianElement& e : tuple.median) genes.push_back(e.gene);
    std::sort(genes.begin(), genes.end());
    return genes;
}

}  // namespace

TEST(MedianSearch, ChargesFollowTheMajority) {
    // Local chars 1, 2, 3 stand for genes 1, 2, 3.
    kTupleData data;
    data.occCount.assign(4, 0);
    const std::vector<unsigned char> a{0, 1, 1, 0}, b{0, 1, 1, 0}, c{0, 1, 0, 1};
    EXPECT_EQ(addToDistToMedian(a, data, 3, 0), 0);
    EXPECT_EQ(addToDistToMedian(b, data, 3, 1), 0);
    EXPECT_EQ(addToDistToMedian(c, data, 3, 2), 2);  // gene 3 extra, gene 2 missing
    EXPECT_EQ(data.occCount, (std::vector<int>{0, 3, 2, 1}));
    EXPECT_TRUE(isBigEnoughMedianBool(data.occCount, 3, 3, 2));   // majority: 1 and 2
    EXPECT_FALSE(isBigEnoughMedianBool(data.occCount, 3, 3, 3));
    EXPECT_TRUE(isBigEnoughMedianBool({0}, 0, 3, 0));
    EXPECT_FALSE(isBigEnoughMedianBool({0}, 0, 3, 1));
}

TEST(MedianSearch, CenterModeStoresTheSummedCost) {
    Filter f(makeSet({{{1, 2}}, {{1, 2}}, {{1, 3}}}), derivedParams('c', 1, 2, 3),
             {{0, 0, 1, 2}, {1, 0, 1, 2}, {2, 1, 1, 2}});
    ASSERT_TRUE(f.completed);
    ASSERT_EQ(f.tuples().size(), 1u);
    const kTuple& tuple = f.tuples().front();
    EXPECT_EQ(tuple.totalDist, 2);
    EXPECT_EQ(medianGenes(tuple), (std::vector<int>{1, 2}));
    EXPECT_DOUBLE_EQ(f.result->completeKTupleCount, 1.0);
    // Center mode skips the border test (gene 3 ends genome 2's interval).
    EXPECT_EQ(f.result->optBorderMedianCount, 1);
    EXPECT_EQ(f.result->minSizeMedianCount, 1);
    EXPECT_EQ(f.result->distinctKTupleCount, 1);
}

TEST(MedianSearch, CostEqualToDeltaIsStoredAndOneMoreIsCut) {
    // Genome 2's interval holds two extra genes, 3 and 4, between majority genes.
    auto make = [](int delta) {
        return Filter(makeSet({{{1, 2}}, {{1, 2}}, {{1, 3, 4, 2}}}), derivedParams('m', delta, 2, 3),
                      {{0, 0, 1, 2}, {1, 0, 1, 2}, {2, 0, 1, 4}});
    };
    Filter exact = make(2);
    ASSERT_EQ(exact.tuples().size(), 1u);
    EXPECT_EQ(exact.tuples().front().totalDist, 2);
    EXPECT_DOUBLE_EQ(exact.result->partialKTupleCount, 0.0);

    Filter over = make(1);
    EXPECT_TRUE(over.tuples().empty());
    EXPECT_DOUBLE_EQ(over.result->partialKTupleCount, 1.0);  // cut at genome 2
    EXPECT_DOUBLE_EQ(over.result->completeKTupleCount, 0.0);
}

TEST(MedianSearch, DistancesToTheReferenceShareTheBudgetD) {
    // Median, delta 2, k 3: d = 2. Buckets 2 + 1 exceed it, 2 + 0 do not.
    auto make = [](int lastBucket) {
        return Filter(makeSet({{{1, 2}}, {{1, 2}}, {{1, 2}}}), derivedParams('m', 2, 2, 3),
                      {{0, 0, 1, 2}, {1, 2, 1, 2}, {2, lastBucket, 1, 2}});
    };
    EXPECT_DOUBLE_EQ(make(1).result->completeKTupleCount, 0.0);
    EXPECT_DOUBLE_EQ(make(0).result->completeKTupleCount, 1.0);
}

TEST(MedianSearch, SingleGenomeTuplesHaveDistanceZero) {
    auto make = [](int s) {
        return Filter(makeSet({{{1, 2, 3}}}), derivedParams('m', 1, s, 1), {{0, 0, 1, 3}});
    };
    Filter stored = make(3);
    ASSERT_EQ(stored.tuples().size(), 1u);
    EXPECT_EQ(stored.tuples().front().totalDist, 0);
    EXPECT_EQ(medianGenes(stored.tuples().front()), (std::vector<int>{1, 2, 3}));

    Filter tooSmall = make(4);
    EXPECT_TRUE(tooSmall.tuples().empty());
    EXPECT_EQ(tooSmall.result->optBorderMedianCount, 1);
    EXPECT_EQ(tooSmall.result->minSizeMedianCount, 0);
}

TEST(MedianSearch, EmptyIntervalsUseTheQuorumAndCostMaxSumDistPerGenome) {
    // Quorum 2 of 3: one genome may lack the cluster. delta 3: an empty
    // interval costs 3 / 3 = 1.
    auto make = [](std::vector<int> second, int r) {
        return Filter(makeSet({{{1, 2}}, {second}, {{5, 6}}}, 6), derivedParams('m', 3, 2, 3, true, 2),
                      {{0, 0, 1, 2}, {1, 0, 1, r}, {1, 0, 1, 0}, {2, 0, 1, 0}});
    };
    Filter allowed = make({1, 2}, 2);
    ASSERT_EQ(allowed.tuples().size(), 1u);
    const kTuple& tuple = allowed.tuples().front();
    EXPECT_EQ(tuple.totalDist, 1);
    EXPECT_GT(tuple.intervalArray[2].l, tuple.intervalArray[2].r);
    // The tuple with two empty intervals is skipped, not counted as cut.
    EXPECT_DOUBLE_EQ(allowed.result->completeKTupleCount, 1.0);
    EXPECT_DOUBLE_EQ(allowed.result->partialKTupleCount, 0.0);

    // Genome 1's three extra genes use up the budget; the empty interval's
    // cost then cuts the tuple.
    Filter tooExpensive = make({1, 2, 3, 4, 5}, 5);
    EXPECT_TRUE(tooExpensive.tuples().empty());
    EXPECT_DOUBLE_EQ(tooExpensive.result->partialKTupleCount, 1.0);
    EXPECT_DOUBLE_EQ(tooExpensive.result->completeKTupleCount, 0.0);
}

TEST(MedianSearch, WithoutQuorumNoGenomeMayBeEmpty) {
    // q is 0 without a quorum: an empty candidate is skipped silently.
    Filter f(makeSet({{{1, 2}}, {{1, 2}}, {{5, 6}}}), derivedParams('m', 3, 2, 3),
             {{0, 0, 1, 2}, {1, 0, 1, 2}, {2, 0, 1, 0}});
    EXPECT_EQ(f.params->q, 0);
    EXPECT_TRUE(f.tuples().empty());
    EXPECT_DOUBLE_EQ(f.result->partialKTupleCount, 0.0);
    EXPECT_DOUBLE_EQ(f.result->completeKTupleCount, 0.0);
}

TEST(MedianSearch, BorderOptimality) {
    // Genomes 0 and 1 hold 1 2; genome 2's candidate decides. Gene 4 (or 5)
    // is never a majority gene.
    struct Case {
        std::vector<int> genes;
        int l, r;
        bool optimal;
    };
    const Case cases[] = {
        {{4, 1, 2}, 1, 3, false},     // 4 leads and never recurs
        {{4, 1, 4, 2}, 1, 4, true},   // 4 leads but recurs before the last majority gene
        {{1, 2, 4}, 1, 3, false},     // mirror on the right
        {{1, 4, 2, 4}, 1, 4, true},
        {{1, 2, 1}, 1, 2, false},     // followed by a majority gene
        {{2, 1, 2}, 2, 3, false},     // preceded by one
        {{4, 1, 2}, 2, 3, true},      // preceded by a minority gene
        {{4, 5}, 1, 2, false},        // no majority gene at all
    };
    for (const Case& c : cases) {
        for (char mode : {'m', 'c'}) {
            Filter f(makeSet({{{1, 2}}, {{1, 2}}, {c.genes}}, 5), derivedParams(mode, mode == 'm' ? 4 : 2, 1, 3),
                     {{0, 0, 1, 2}, {1, 0, 1, 2}, {2, 0, c.l, c.r}});
            EXPECT_DOUBLE_EQ(f.result->completeKTupleCount, 1.0);
            const bool stored = mode == 'c' || c.optimal;
            EXPECT_EQ(f.result->optBorderMedianCount, stored ? 1 : 0) << "mode " << mode << " l " << c.l;
            EXPECT_EQ(f.tuples().size(), stored ? 1u : 0u);
        }
    }
}

TEST(MedianSearch, EssentialPositionsAreTheOuterMajorityGenes) {
    Filter f(makeSet({{{1, 2}}, {{1, 2}}, {{4, 1, 4, 2, 4, 5}}}), derivedParams('c', 2, 1, 3),
             {{0, 0, 1, 2}, {1, 0, 1, 2}, {2, 0, 1, 5}});
    ASSERT_EQ(f.tuples().size(), 1u);
    // Ask directly about chosen intervals of genome 2.
    kTupleData data;
    data.localIndex.assign(f.set->alphabetSize + 1, 0);
    data.localIndex[1] = 1;
    data.localIndex[2] = 2;
    data.localIndex[4] = 3;
    Interval a, b, c;
    a.l = 1, a.r = 2, b.l = 1, b.r = 2, c.l = 1, c.r = 5;
    data.currentIntervals = {&a, &b, &c};
    const std::vector<int> occCount{0, 3, 3, 1};
    computeLeftRightEssentPos(*f.set, data, occCount);
    EXPECT_EQ(c.leftEssentPos, 2);
    EXPECT_EQ(c.rightEssentPos, 4);
    // The outer 4s recur inside 2..4.
    EXPECT_TRUE(areBordersOptimalBool(*f.set, data, occCount, 3));
    c.r = 6;  // the trailing 5 does not
    EXPECT_FALSE(areBordersOptimalBool(*f.set, data, occCount, 3));
    c.l = 4, c.r = 4;
    computeLeftRightEssentPos(*f.set, data, occCount);
    EXPECT_EQ(c.leftEssentPos, 4);
    EXPECT_EQ(c.rightEssentPos, 4);
    c.l = 5, c.r = 5;
    computeLeftRightEssentPos(*f.set, data, occCount);
    EXPECT_EQ(c.leftEssentPos, -1);
    EXPECT_EQ(c.rightEssentPos, 6 + 2);
    EXPECT_FALSE(areBordersOptimalBool(*f.set, data, occCount, 3));
}

TEST(MedianSearch, ValidIntervalDependsOnModeAndQuorum) {
    // Five genomes; gene 9 lies on two chromosomes, gene 8 on one.
    auto set = makeSet({{{9, 1, 2, 8}}, {{9, 1, 2}}, {{1, 2}}, {{1, 2}}, {{1, 2}}});
    auto median = derivedParams('m', 1, 2, 5);
    auto medianQuorum = derivedParams('m', 1, 2, 5, true, 4);
    auto center = derivedParams('c', 1, 2, 5);
    initDataStructures(*set, *median);
    const Chromosome& ch = set->genomes[0].chromosomes[0];
    // 9 at the left border: rare for median without quorum ((5+1)/2 = 3 > 2).
    EXPECT_FALSE(isValidInterval(*set, *median, ch, 1, 3));
    EXPECT_TRUE(isValidInterval(*set, *medianQuorum, ch, 1, 3));
    EXPECT_TRUE(isValidInterval(*set, *center, ch, 1, 3));
    // 8 at the right border occurs in one chromosome only: rare everywhere.
    EXPECT_FALSE(isValidInterval(*set, *median, ch, 2, 4));
    EXPECT_FALSE(isValidInterval(*set, *center, ch, 2, 4));
    EXPECT_TRUE(isValidInterval(*set, *median, ch, 2, 3));
}

TEST(MedianSearch, RepeatedBorderGeneIsNotWeak) {
    auto set = makeSet({{{8, 1, 8}}, {{1}}, {{1}}});
    auto params = derivedParams('m', 1, 1, 3);
    initDataStructures(*set, *params);
    const Chromosome& ch = set->genomes[0].chromosomes[0];
    EXPECT_TRUE(isValidInterval(*set, *params, ch, 1, 3));
    EXPECT_FALSE(isValidInterval(*set, *params, ch, 1, 2));
}

namespace {

class StoppingHost : public ProgressHost {
public:
    void initProgressBar(int) override {}
    void setProgressStatus(int) override {}
    bool continueComputation() override {
        ++polls;
        return false;
    }
    int polls = 0;
};

}  // namespace

TEST(MedianSearch, CancellationDiscardsTheFiltersTuples) {
    // Four genomes with ten candidates each: more than 1000 recursion steps.
    std::vector<std::vector<std::vector<int>>> rows(4, {{1, 2, 1, 2, 1, 2, 1, 2, 1, 2, 1, 2}});
    std::vector<Candidate> cands;
    for (int g = 0; g < 4; ++g)
        for (int l = 1; l <= 10; ++l) cands.push_back({g, 0, l, l + 1});
    auto params = derivedParams('c', 1, 1, 4);
    params->gui = true;
    StoppingHost host;
    setProgressHost(&host);
    stepCounter = 0;
    Filter f(makeSet(rows), std::move(params), cands);
    setProgressHost(nullptr);
    EXPECT_FALSE(f.completed);
    EXPECT_EQ(host.polls, 1);
    EXPECT_EQ(stepCounter, 0u);
    EXPECT_TRUE(f.tuples().empty());
    EXPECT_GT(f.result->completeKTupleCount, 0.0);

    // The same filter from the command line never polls and completes.
    auto cli = derivedParams('c', 1, 1, 4);
    Filter g(makeSet(rows), std::move(cli), cands);
    EXPECT_TRUE(g.completed);
    EXPECT_EQ(g.tuples().size(), 10000u);
}

// --- Brute force over every combination of candidates -----------------------

namespace {

struct Choice {
    int dist;
    int l, r;
};

// The charge of a complete choice as the search accumulates it: the summed
// distance of the gene sets to their majority median over all k genomes,
// except that a genome without occurrence pays the flat cost instead of the
// majority genes it lacks (the charges of the majority genes gained at that
// depth are not made).
int naiveTotal(const std::vector<std::set<int>>& sets, const std::vector<bool>& empty, int flatCost) {
    const int k = static_cast<int>(sets.size());
    std::map<int, int> occ;
    int total = 0;
    for (int g = 0; g < k; ++g) {
        if (empty[g]) {
            total += flatCost;
            for (const auto& [gene, count] : occ)
                if (2 * count > g) --total;  // min(o, n - o) grew by one for this gene without a charge
        } else {
            for (int gene : sets[g]) ++occ[gene];
        }
    }
    for (const auto& [gene, count] : occ) total += std::min(count, k - count);
    return total;
}

bool naiveBordersOptimal(const SetOfSeqs& set, const std::vector<Choice>& choice, const std::set<int>& majority) {
    for (size_t g = 0; g < choice.size(); ++g) {
        const Choice& c = choice[g];
        if (c.l > c.r) continue;
        const std::vector<int>& genes = set.genomes[g].chromosomes[0].genes;
        int L = -1, R = -1;
        for (int p = c.l; p <= c.r; ++p)
            if (majority.count(genes[p])) {
                if (L < 0) L = p;
                R = p;
            }
        if (L < 0) return false;
        for (int p = c.l; p < L; ++p)
            if (std::find(genes.begin() + p + 1, genes.begin() + R + 1, genes[p]) == genes.begin() + R + 1)
                return false;
        for (int p = R + 1; p <= c.r; ++p)
            if (std::find(genes.begin() + L, genes.begin() + p, genes[p]) == genes.begin() + p) return false;
        if (majority.count(genes[c.l - 1]) || majority.count(genes[c.r + 1])) return false;
    }
    return true;
}

}  // namespace

TEST(MedianSearch, StoredTuplesMatchBruteForce) {
    std::mt19937 rng(11);
    int storedTotal = 0;
    for (int round = 0; round < 24; ++round) {
        const char mode = round % 2 ? 'c' : 'm';
        const bool quorum = round % 3 == 0;
        const int k = 3 + round % 2;
        const int delta = 1 + round % 3;
        std::vector<std::vector<std::vector<int>>> rows;
        for (int g = 0; g < k; ++g) rows.push_back({randomGenes(100 + round * 7 + g, 10, 5)});
        auto params = derivedParams(mode, delta, 1 + round % 3, k, quorum, quorum ? k - 1 : -1);
        const int D = depthOf(*params);
        std::vector<Candidate> cands;
        std::vector<std::vector<Choice>> perGenome(k);
        for (int g = 0; g < k; ++g) {
            std::set<std::pair<int, int>> used;
            const int count = 1 + static_cast<int>(rng() % 4);
            for (int i = 0; i < count; ++i) {
                int l = 1 + static_cast<int>(rng() % 10);
                int r = std::min(10, l + static_cast<int>(rng() % 4));
                if (!used.insert({l, r}).second) continue;
                int dist = static_cast<int>(rng() % (D + 1));
                cands.push_back({g, dist, l, r});
                perGenome[g].push_back({dist, l, r});
            }
            if (quorum && g != 0 && rng() % 2) {
                cands.push_back({g, 0, 1, 0});
                perGenome[g].push_back({0, 1, 0});
            }
        }
        Filter f(makeSet(rows, 5), std::move(params), cands);
        ASSERT_TRUE(f.completed);
        const ParameterArray& p = *f.params;

        // Every combination within the budgets, with its charge.
        std::map<std::vector<std::pair<int, int>>, int> expected;
        double complete = 0;
        std::vector<size_t> index(k, 0);
        for (;;) {
            std::vector<Choice> choice;
            for (int g = 0; g < k; ++g) choice.push_back(perGenome[g][index[g]]);
            int refSum = 0, empties = 0;
            bool within = true;
            std::vector<std::set<int>> sets(k);
            std::vector<bool> empty(k);
            for (int g = 0; g < k; ++g) {
                refSum += choice[g].dist;
                if (choice[g].dist > p.delta || refSum > p.d) within = false;
                empty[g] = choice[g].l > choice[g].r;
                if (empty[g] && ++empties > p.q) within = false;
                const std::vector<int>& genes = f.set->genomes[g].chromosomes[0].genes;
                for (int q = choice[g].l; q <= choice[g].r; ++q) sets[g].insert(genes[q]);
            }
            const int total = naiveTotal(sets, empty, p.maxSumDist / k);
            if (within && total <= p.delta) {
                ++complete;
                std::map<int, int> occ;
                for (const auto& s : sets)
                    for (int gene : s) ++occ[gene];
                std::set<int> majority;
                for (const auto& [gene, count] : occ)
                    if (count >= (k + 1) / 2) majority.insert(gene);
                if ((p.isCenter || naiveBordersOptimal(*f.set, choice, majority)) &&
                    static_cast<int>(majority.size()) >= p.minClusterSize) {
                    std::vector<std::pair<int, int>> key;
                    for (const Choice& c : choice) key.emplace_back(c.l, c.r);
                    expected[key] = total;
                }
            }
            int g = k - 1;
            while (g >= 0 && ++index[g] == perGenome[g].size()) index[g--] = 0;
            if (g < 0) break;
        }

        std::map<std::vector<std::pair<int, int>>, int> found;
        for (const kTuple& tuple : f.tuples()) {
            std::vector<std::pair<int, int>> key;
            for (const kTupleInterval& iv : tuple.intervalArray)
                key.emplace_back(iv.l > iv.r ? 1 : iv.l, iv.l > iv.r ? 0 : iv.r);
            found[key] = tuple.totalDist;
        }
        // The merged list is in canonical order.
        const kTuple* previous = nullptr;
        for (const kTuple& tuple : f.tuples()) {
            if (previous != nullptr) {
                EXPECT_LT(kTupleComparision(previous, &tuple, k), 0);
            }
            previous = &tuple;
        }
        EXPECT_EQ(found, expected) << "round " << round;
        EXPECT_EQ(static_cast<int>(f.tuples().size()), static_cast<int>(expected.size()));
        EXPECT_DOUBLE_EQ(f.result->completeKTupleCount, complete) << "round " << round;
        storedTotal += static_cast<int>(expected.size());
    }
    EXPECT_GT(storedTotal, 20);
}
