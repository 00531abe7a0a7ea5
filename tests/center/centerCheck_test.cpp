// The center condition of k-tuples over real genome sets: worked examples and
// an exhaustive search over gene subsets.
#include "center/centerCheck.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "testUtil.h"

namespace {

TEST(CenterCondition, WorkedExamples) {
    const std::vector<std::vector<std::vector<int>>> one = {{{1, 2, 3}}, {{4, 5, 6}}, {{7}}};
    const std::vector<std::vector<std::vector<int>>> repeats = {{{9, 1, 1, 2, 3, 9}}, {{3, 2, 2, 1}},
                                                                {{8, 8}, {2, 1, 3, 3}}};
    const struct {
        const std::vector<std::vector<std::vector<int>>>& genomes;
        std::vector<kTupleInterval> intervals;
        int pwDelta;
        char state;
    } cases[] = {
        // A single occurrence, or none at all, passes.
        {one, {{1, 3, 0}, kEmpty, kEmpty}, 0, 2},
        {one, {kEmpty, kEmpty, {1, 1, 0}}, 0, 2},
        {one, {kEmpty, kEmpty, kEmpty}, 0, 2},
        // Disjoint three-gene sets need pwDelta 3.
        {one, {{1, 3, 0}, {1, 3, 0}, kEmpty}, 3, 2},
        {one, {{1, 3, 0}, {1, 3, 0}, kEmpty}, 2, 1},
        // Repeated genes count once and order does not matter; 9 only in genome 0.
        {repeats, {{2, 5, 0}, {1, 4, 0}, {1, 4, 1}}, 0, 2},
        {repeats, {{1, 5, 0}, {1, 4, 0}, {1, 4, 1}}, 0, 1},
        {repeats, {{1, 5, 0}, {1, 4, 0}, {1, 4, 1}}, 1, 2},
    };
    for (const auto& c : cases) {
        auto set = makeSet(c.genomes);
        kTupleList list = makeList(3, {makeTuple(c.intervals)});
        list.tuples.front().centerState = c.state == 1 ? 2 : 1;  // overwritten
        check_center_condition(&list, *set, c.pwDelta);
        EXPECT_EQ(list.tuples.front().centerState, c.state) << c.intervals[0].l << " " << c.pwDelta;
    }
    check_center_condition(nullptr, *makeSet(one), 3);
}

TEST(CenterCondition, AgreesWithExhaustiveSearchOverGeneSets) {
    std::mt19937 rng(99);
    const int alphabet = 7;
    int passed = 0, failed = 0;
    for (int round = 0; round < 60; ++round) {
        const int k = 2 + static_cast<int>(rng() % 3);
        std::vector<std::vector<std::vector<int>>> genomes(k);
        for (int g = 0; g < k; ++g) {
            genomes[g].push_back(randomGenes(rng(), 8, alphabet));
            genomes[g].push_back(randomGenes(rng(), 5, alphabet));
        }
        auto set = makeSet(genomes, alphabet);
        for (int pwDelta = 0; pwDelta <= 3; ++pwDelta) {
            std::vector<std::vector<std::set<int>>> rows;
            kTupleList list = makeList(k, {});
            for (int n = 0; n < 8; ++n) {
                std::vector<kTupleInterval> ivs;
                rows.emplace_back();
                for (int g = 0; g < k; ++g) {
                    if (rng() % 5 == 0) {
                        ivs.push_back(kEmpty);
                        continue;
                    }
                    int chr = static_cast<int>(rng() % 2);
                    int length = chr == 0 ? 8 : 5;
                    int l = 1 + static_cast<int>(rng() % length);
                    ivs.push_back({l, std::min(length, l + static_cast<int>(rng() % 4)), chr});
                    rows.back().push_back(genesIn(set->genomes[g].chromosomes[chr], ivs.back().l, ivs.back().r));
                }
                list.tuples.push_back(makeTuple(ivs));
            }
            check_center_condition(&list, *set, pwDelta);
            auto row = rows.begin();
            for (const kTuple& tuple : list.tuples) {
                const bool exists = hasCenter(*row++, pwDelta).value();
                EXPECT_EQ(tuple.centerState, exists ? 2 : 1);
                ++(exists ? passed : failed);
            }
        }
    }
    EXPECT_GT(passed, 100);
    EXPECT_GT(failed, 100);
}

}  // namespace
