// The center a center cluster reports, against an exhaustive search over gene
// sets under the same choice rule; the center search's lists reduced while it
// runs, against the same search reduced at its end.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <set>
#include <vector>

#include "center/chooseCenter.h"
#include "filters/filterSearch.h"
#include "testUtil.h"

namespace {

std::optional<std::vector<int>> chosen(const std::vector<std::set<int>>& rows, int maxDistance, int minSize,
                                       int alphabet) {
    std::vector<std::vector<unsigned char>> flags;
    std::set<int> columns;
    for (const std::set<int>& row : rows) {
        flags.emplace_back(alphabet + 1, 0);
        for (int gene : row) {
            flags.back()[gene] = 1;
            columns.insert(gene);
        }
    }
    std::vector<const unsigned char*> pointers;
    for (const auto& f : flags) pointers.push_back(f.data());
    return chooseCenter(pointers, std::vector<int>(columns.begin(), columns.end()), maxDistance, minSize);
}

TEST(CenterChoice, MatchesExhaustiveSearchOverGeneSets) {
    std::mt19937 rng(99);
    const int alphabet = 9;
    int found = 0, none = 0;
    for (int round = 0; round < 400; ++round) {
        const int rowCount = 1 + static_cast<int>(rng() % 5);
        std::vector<std::set<int>> rows(rowCount);
        for (std::set<int>& row : rows) {
            const int length = 1 + static_cast<int>(rng() % 6);
            for (int i = 0; i < length; ++i) row.insert(1 + static_cast<int>(rng() % alphabet));
        }
        for (int maxDistance = 0; maxDistance <= 4; ++maxDistance)
            for (int minSize : {1, 3, 5}) {
                const auto expected = exhaustiveCenter(rows, maxDistance, minSize);
                EXPECT_EQ(chosen(rows, maxDistance, minSize, alphabet), expected)
                    << "round " << round << " delta " << maxDistance << " s " << minSize;
                ++(expected ? found : none);
            }
    }
    EXPECT_GT(found, 1000);
    EXPECT_GT(none, 1000);
}

// Cases a reader can check by hand.
TEST(CenterChoice, SmallCases) {
    struct Case {
        std::vector<std::set<int>> rows;
        int maxDistance, minSize;
        std::optional<std::vector<int>> center;
    };
    const std::vector<Case> cases = {
        // One occurrence is its own center.
        {{{4, 2, 7}}, 0, 1, std::vector<int>{2, 4, 7}},
        // {1,2} / {1,2,3} / {1,2,3}: the majority set, within 1 of each.
        {{{1, 2}, {1, 2, 3}, {1, 2, 3}}, 1, 3, std::vector<int>{1, 2, 3}},
        // Disjoint 3-gene sets: every set within 3 of both lies at 3 of
        // each; the most genes win.
        {{{1, 2, 3}, {4, 5, 6}}, 3, 1, std::vector<int>{1, 2, 3, 4, 5, 6}},
        // Of equal sums and sizes, the smaller genes win.
        {{{1, 2}, {1, 3}, {1, 4}}, 2, 2, std::vector<int>{1, 2}},
        {{{1, 2, 3}, {4, 5, 6}}, 2, 1, std::nullopt},
        // A center exists, but none of the minimum size.
        {{{1, 2}, {1, 3}, {1, 4}}, 1, 2, std::nullopt},
        // Repeated genes count once; the order inside an occurrence does not matter.
        {{{3, 1}, {1, 3}}, 0, 2, std::vector<int>{1, 3}},
    };
    for (const Case& c : cases) EXPECT_EQ(chosen(c.rows, c.maxDistance, c.minSize, 9), c.center);
}

// Reducing the lists while the search runs (here whenever a list grows)
// leaves the tuples, their order and every count of reducing once at the end,
// also where the walks of several reference genomes find the same tuples and
// on two threads. The genomes share one ancestor, so tuples nest.
TEST(CenterSearch, ReducingWhileSearchingLeavesTheSameTuplesAndCounts) {
    int duplicates = 0, reduced = 0;
    for (unsigned seed = 1; seed <= 8; ++seed) {
        const int k = 3 + seed % 2, n = 10;
        const std::vector<int> ancestor = randomGenes(seed, 2 * n, 14);
        GeneRows rows;
        std::mt19937 rng(seed);
        for (int g = 0; g < k; ++g) {
            std::vector<int> genes = ancestor;
            for (int change = 0; change < 3; ++change) genes[rng() % genes.size()] = 1 + static_cast<int>(rng() % 16);
            rows.push_back({{genes.begin(), genes.begin() + n}, {genes.begin() + n, genes.end()}});
        }
        const Indexed set(makeSet(rows, 16));
        for (int quorum : {-1, k - 1, k - 2})
            for (int threads : {1, 2}) {
                auto search = [&](int reduceAt) {
                    SearchParameters params = derivedParams(Mode::center, 1, 3, k, quorum);
                    params.threads = threads;
                    params.reduceTuplesAt = reduceAt;
                    QuietProgress quiet;
                    MemoryBudget memory(0, "center");
                    TupleSearchResult found = *runFilterSearch(set.index, params, quiet.get(), memory);
                    TupleList& list = *found.tuples;
                    const tamsu::SearchCounts& c = found.counts;
                    std::vector<std::vector<int>> seen{{list.foundCount(), countCentralTuples(&list, params),
                                                        countTuplesWithExactOccurrence(&list), c.filterCount,
                                                        c.optBorderMedianCount, c.minSizeMedianCount,
                                                        c.distinctKTupleCount, static_cast<int>(c.kTupleCount),
                                                        static_cast<int>(c.completeKTupleCount)}};
                    removeDominatedTuples(&list);
                    for (const ClusterTuple& t : list.tuples) {
                        seen.push_back(t.genes);
                        seen.back().push_back(t.totalDist);
                        for (const TupleOccurrence& iv : t.perGenome)
                            seen.back().insert(seen.back().end(), {iv.chr, iv.l, iv.r, iv.dist, iv.extraChars});
                    }
                    reduced += list.reduced.count;
                    return seen;
                };
                const auto once = search(0);
                EXPECT_EQ(once, search(1)) << "seed " << seed << " quorum " << quorum << " threads " << threads;
                duplicates += once[0][5] - once[0][0];  // later finds of a tuple
            }
    }
    EXPECT_GT(duplicates, 100);
    EXPECT_GT(reduced, 100);
}

}  // namespace
