// The center condition of k-tuples over real genome sets, against an
// exhaustive search over gene subsets.
#include "center/centerCheck.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "testUtil.h"

namespace {

struct Iv {
    int l, r, chr;
};
const Iv kEmpty{-1, -2, 0};

kTuple makeTuple(const std::vector<Iv>& intervals) {
    kTuple tuple;
    tuple.pValues.assign(intervals.size(), 1.0);
    for (const Iv& iv : intervals) tuple.intervalArray.push_back(kTupleInterval{iv.l, iv.r, iv.chr, 0, 0});
    return tuple;
}

kTupleList listOf(int k, std::vector<kTuple> tuples) {
    kTupleList list;
    list.k = k;
    for (kTuple& t : tuples) list.tuples.push_back(std::move(t));
    return list;
}

std::vector<char> statesOf(const kTupleList& list) {
    std::vector<char> states;
    for (const kTuple& t : list.tuples) states.push_back(t.centerState);
    return states;
}

char checkOne(const SetOfSeqs& set, const std::vector<Iv>& intervals, int pwDelta) {
    kTupleList list = listOf(static_cast<int>(intervals.size()), {makeTuple(intervals)});
    check_center_condition(&list, set, pwDelta);
    return list.tuples.front().centerState;
}

TEST(CenterCondition, SingleOccurrencePasses) {
    auto set = makeSet({{{1, 2, 3}}, {{4, 5, 6}}, {{7}}});
    EXPECT_EQ(checkOne(*set, {{1, 3, 0}, kEmpty, kEmpty}, 0), 2);
    EXPECT_EQ(checkOne(*set, {kEmpty, kEmpty, {1, 1, 0}}, 0), 2);
    EXPECT_EQ(checkOne(*set, {kEmpty, kEmpty, kEmpty}, 0), 2);  // no rows at all
}

TEST(CenterCondition, DisjointThreeGeneSetsNeedDeltaThree) {
    auto set = makeSet({{{1, 2, 3}}, {{4, 5, 6}}});
    EXPECT_EQ(checkOne(*set, {{1, 3, 0}, {1, 3, 0}}, 3), 2);
    EXPECT_EQ(checkOne(*set, {{1, 3, 0}, {1, 3, 0}}, 2), 1);
}

TEST(CenterCondition, RepeatedGenesCountOnceAndOrderDoesNotMatter) {
    auto set = makeSet({{{9, 1, 1, 2, 3, 9}}, {{3, 2, 2, 1}}, {{8, 8}, {2, 1, 3, 3}}});
    EXPECT_EQ(checkOne(*set, {{2, 5, 0}, {1, 4, 0}, {1, 4, 1}}, 0), 2);
    EXPECT_EQ(checkOne(*set, {{1, 5, 0}, {1, 4, 0}, {1, 4, 1}}, 0), 1);  // 9 only in genome 0
    EXPECT_EQ(checkOne(*set, {{1, 5, 0}, {1, 4, 0}, {1, 4, 1}}, 1), 2);
}

TEST(CenterCondition, EachTupleOnItsOwnOccurrences) {
    auto set = makeSet({{{1, 2, 3, 4}}, {{1, 2, 5, 6}}, {{7, 8, 9, 1}}});
    kTupleList list = listOf(3, {makeTuple({{1, 2, 0}, {1, 2, 0}, {1, 3, 0}}),   // {1,2},{1,2},{7,8,9}: fails at 2
                                 makeTuple({{1, 2, 0}, {1, 2, 0}, kEmpty}),      // equal sets
                                 makeTuple({{1, 4, 0}, kEmpty, kEmpty}),         // one occurrence
                                 makeTuple({kEmpty, {1, 4, 0}, {4, 4, 0}})});    // {1,2,5,6},{1}: 3 apart
    for (kTuple& t : list.tuples) t.centerState = 1;  // overwritten
    check_center_condition(&list, *set, 1);
    EXPECT_EQ(statesOf(list), (std::vector<char>{1, 2, 2, 1}));
    check_center_condition(&list, *set, 2);
    EXPECT_EQ(statesOf(list), (std::vector<char>{1, 2, 2, 2}));
    check_center_condition(&list, *set, 3);
    EXPECT_EQ(statesOf(list), (std::vector<char>{2, 2, 2, 2}));
    check_center_condition(nullptr, *set, 3);
}

// Whether some gene set lies within pwDelta of every occurrence's gene set;
// genes outside the alphabet 1..A never help.
bool centerExists(const SetOfSeqs& set, const std::vector<Iv>& intervals, int alphabet, int pwDelta) {
    std::vector<std::set<int>> occurrences;
    for (size_t g = 0; g < intervals.size(); ++g) {
        const Iv& iv = intervals[g];
        if (iv.l > iv.r) continue;
        const std::vector<int>& genes = set.genomes[g].chromosomes[iv.chr].genes;
        occurrences.emplace_back(genes.begin() + iv.l, genes.begin() + iv.r + 1);
    }
    for (unsigned mask = 0; mask < (1u << alphabet); ++mask) {
        bool within = true;
        for (const std::set<int>& occ : occurrences) {
            int distance = 0;
            for (int gene = 1; gene <= alphabet; ++gene)
                if (((mask >> (gene - 1)) & 1) != occ.count(gene)) ++distance;
            if (distance > pwDelta) {
                within = false;
                break;
            }
        }
        if (within) return true;
    }
    return false;
}

TEST(CenterCondition, AgreesWithExhaustiveSearchOverGeneSets) {
    std::mt19937 rng(99);
    const int alphabet = 7;
    int passed = 0;
    int failed = 0;
    for (int round = 0; round < 60; ++round) {
        const int k = 2 + static_cast<int>(rng() % 3);
        std::vector<std::vector<std::vector<int>>> genomes(k);
        for (int g = 0; g < k; ++g) {
            genomes[g].push_back(randomGenes(rng(), 8, alphabet));
            genomes[g].push_back(randomGenes(rng(), 5, alphabet));
        }
        auto set = makeSet(genomes, alphabet);
        for (int pwDelta = 0; pwDelta <= 3; ++pwDelta) {
            std::vector<std::vector<Iv>> tuples;
            std::vector<kTuple> made;
            for (int n = 0; n < 8; ++n) {
                std::vector<Iv> ivs;
                for (int g = 0; g < k; ++g) {
                    if (rng() % 5 == 0) {
                        ivs.push_back(kEmpty);
                        continue;
                    }
                    int chr = static_cast<int>(rng() % 2);
                    int length = chr == 0 ? 8 : 5;
                    int l = 1 + static_cast<int>(rng() % length);
                    int r = std::min(length, l + static_cast<int>(rng() % 4));
                    ivs.push_back({l, r, chr});
                }
                tuples.push_back(ivs);
                made.push_back(makeTuple(ivs));
            }
            kTupleList list = listOf(k, std::move(made));
            check_center_condition(&list, *set, pwDelta);
            auto state = list.tuples.begin();
            for (const std::vector<Iv>& ivs : tuples) {
                bool exists = centerExists(*set, ivs, alphabet, pwDelta);
                EXPECT_EQ(state->centerState, exists ? 2 : 1);
                (exists ? passed : failed)++;
                ++state;
            }
        }
    }
    EXPECT_GT(passed, 100);
    EXPECT_GT(failed, 100);
}

}  // namespace
