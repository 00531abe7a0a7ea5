// The median search of one filter: charges, budgets, border optimality,
// quorum, cancellation, and a comparison with brute-force enumeration.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "entry/commInts.h"
#include "index/initDatastructures.h"
#include "median/iterativeMedianComp.h"
#include "median/kTuples.h"
#include "occurrences/matchField.h"
#include "params/parameterArray.h"
#include "testUtil.h"
#include "util/errors.h"

namespace {

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

// The search's outcome in one line: the stored tuples (each: its median genes
// ascending, its charge, and per genome "+" or "-" for an empty interval),
// then the counters.
std::string summary(const Filter& f) {
    std::string text;
    for (const kTuple& tuple : f.tuples()) {
        std::vector<int> genes;
        for (const medianElement& e : tuple.median) genes.push_back(e.gene);
        std::sort(genes.begin(), genes.end());
        text += "[";
        for (int gene : genes) text += std::to_string(gene) + (gene == genes.back() ? "" : " ");
        text += "]/" + std::to_string(tuple.totalDist) + " ";
        for (const kTupleInterval& iv : tuple.intervalArray) text += iv.l > iv.r ? "-" : "+";
        text += " ";
    }
    const ResultArray& r = *f.result;
    return text + formatText("complete %g partial %g border %d size %d distinct %d", r.completeKTupleCount,
                             r.partialKTupleCount, r.optBorderMedianCount, r.minSizeMedianCount,
                             r.distinctKTupleCount);
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

TEST(MedianSearch, WorkedFilters) {
    using Sets = std::vector<std::vector<std::vector<int>>>;
    const Sets twelve = {{{1, 2}}, {{1, 2}}, {{1, 2}}};
    const struct {
        const char* what;
        Sets genomes;
        std::unique_ptr<ParameterArray> params;
        std::vector<Candidate> candidates;
        const char* outcome;
    } cases[] = {
        // Center mode stores the summed cost and skips the border test (gene 3
        // ends genome 2's interval).
        {"center", {{{1, 2}}, {{1, 2}}, {{1, 3}}}, derivedParams('c', 1, 2, 3),
         {{0, 0, 1, 2}, {1, 0, 1, 2}, {2, 1, 1, 2}}, "[1 2]/2 +++ complete 1 partial 0 border 1 size 1 distinct 1"},
        // Two extra genes in genome 2: a cost equal to delta is stored, one
        // more is cut at genome 2.
        {"cost = delta", {{{1, 2}}, {{1, 2}}, {{1, 3, 4, 2}}}, derivedParams('m', 2, 2, 3),
         {{0, 0, 1, 2}, {1, 0, 1, 2}, {2, 0, 1, 4}}, "[1 2]/2 +++ complete 1 partial 0 border 1 size 1 distinct 1"},
        {"cost > delta", {{{1, 2}}, {{1, 2}}, {{1, 3, 4, 2}}}, derivedParams('m', 1, 2, 3),
         {{0, 0, 1, 2}, {1, 0, 1, 2}, {2, 0, 1, 4}}, "complete 0 partial 1 border 0 size 0 distinct 0"},
        // The distances to the reference share the budget d = 2: buckets
        // 2 + 1 exceed it, 2 + 0 do not.
        {"d exceeded", twelve, derivedParams('m', 2, 2, 3), {{0, 0, 1, 2}, {1, 2, 1, 2}, {2, 1, 1, 2}},
         "complete 0 partial 0 border 0 size 0 distinct 0"},
        {"d reached", twelve, derivedParams('m', 2, 2, 3), {{0, 0, 1, 2}, {1, 2, 1, 2}, {2, 0, 1, 2}},
         "[1 2]/0 +++ complete 1 partial 0 border 1 size 1 distinct 1"},
        // A single genome: distance zero; the size threshold still applies.
        {"single", {{{1, 2, 3}}}, derivedParams('m', 1, 3, 1), {{0, 0, 1, 3}},
         "[1 2 3]/0 + complete 1 partial 0 border 1 size 1 distinct 1"},
        {"single, too small", {{{1, 2, 3}}}, derivedParams('m', 1, 4, 1), {{0, 0, 1, 3}},
         "complete 1 partial 0 border 1 size 0 distinct 0"},
        // Quorum 2 of 3: an empty interval costs 3 / 3 = 1; the tuple with two
        // empty intervals is skipped, not counted as cut ...
        {"quorum", {{{1, 2}}, {{1, 2}}, {{5, 6}}}, derivedParams('m', 3, 2, 3, 2),
         {{0, 0, 1, 2}, {1, 0, 1, 2}, {1, 0, 1, 0}, {2, 0, 1, 0}},
         "[1 2]/1 ++- complete 1 partial 0 border 1 size 1 distinct 1"},
        // ... and after three extra genes in genome 1 the empty interval's
        // cost cuts the tuple.
        {"quorum, expensive", {{{1, 2}}, {{1, 2, 3, 4, 5}}, {{5, 6}}}, derivedParams('m', 3, 2, 3, 2),
         {{0, 0, 1, 2}, {1, 0, 1, 5}, {1, 0, 1, 0}, {2, 0, 1, 0}}, "complete 0 partial 1 border 0 size 0 distinct 0"},
        // Without a quorum q is 0: an empty candidate is skipped silently.
        {"no quorum", {{{1, 2}}, {{1, 2}}, {{5, 6}}}, derivedParams('m', 3, 2, 3),
         {{0, 0, 1, 2}, {1, 0, 1, 2}, {2, 0, 1, 0}}, "complete 0 partial 0 border 0 size 0 distinct 0"},
    };
    for (const auto& c : cases) {
        Filter f(makeSet(c.genomes), std::make_unique<ParameterArray>(*c.params), c.candidates);
        EXPECT_TRUE(f.completed);
        EXPECT_EQ(c.outcome, summary(f)) << c.what;
    }
    EXPECT_EQ(0, derivedParams('m', 3, 2, 3)->q);
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

TEST(MedianSearch, ValidIntervalDependsOnModeAndQuorum) {
    // Five genomes; gene 9 lies on two chromosomes, gene 8 on one.
    auto set = makeSet({{{9, 1, 2, 8}}, {{9, 1, 2}}, {{1, 2}}, {{1, 2}}, {{1, 2}}});
    auto median = derivedParams('m', 1, 2, 5);
    auto medianQuorum = derivedParams('m', 1, 2, 5, 4);
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

    // A rare border gene that recurs inside the interval is not weak.
    auto repeated = makeSet({{{8, 1, 8}}, {{1}}, {{1}}});
    auto params = derivedParams('m', 1, 1, 3);
    initDataStructures(*repeated, *params);
    EXPECT_TRUE(isValidInterval(*repeated, *params, repeated->genomes[0].chromosomes[0], 1, 3));
    EXPECT_FALSE(isValidInterval(*repeated, *params, repeated->genomes[0].chromosomes[0], 1, 2));
}

TEST(MedianSearch, CancellationDiscardsTheFiltersTuples) {
    // Four genomes with ten candidates each: more than 1000 recursion steps.
    std::vector<std::vector<std::vector<int>>> rows(4, {{1, 2, 1, 2, 1, 2, 1, 2, 1, 2, 1, 2}});
    std::vector<Candidate> cands;
    for (int g = 0; g < 4; ++g)
        for (int l = 1; l <= 10; ++l) cands.push_back({g, 0, l, l + 1});
    {
        auto params = derivedParams('c', 1, 1, 4);
        params->gui = true;
        RecordingHost host(0);
        stepCounter = 0;
        Filter f(makeSet(rows), std::move(params), cands);
        EXPECT_FALSE(f.completed);
        EXPECT_EQ(host.polls, 1);
        EXPECT_EQ(stepCounter, 0u);
        EXPECT_TRUE(f.tuples().empty());
        EXPECT_GT(f.result->completeKTupleCount, 0.0);
    }
    // The same filter from the command line never polls and completes.
    Filter g(makeSet(rows), derivedParams('c', 1, 1, 4), cands);
    EXPECT_TRUE(g.completed);
    EXPECT_EQ(g.tuples().size(), 10000u);
}

// --- Brute force over every combination of candidates -----------------------

namespace {

struct Choice {
    int dist;
    int l, r;
};

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
        auto params = derivedParams(mode, delta, 1 + round % 3, k, quorum ? k - 1 : -1);
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
            const int total = naiveTotalDist(sets, empty, p.maxSumDist / k);
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
