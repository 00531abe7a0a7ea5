// The center condition of k-tuples (and with it the closest 0/1 string
// search) against an exhaustive search over gene sets.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "center/centerCheck.h"
#include "testUtil.h"

namespace {

// Whether some gene set lies within pwDelta of every row.
bool hasCenter(const std::vector<std::set<int>>& rows, int pwDelta) {
    std::set<int> all;
    for (const std::set<int>& row : rows) all.insert(row.begin(), row.end());
    const std::vector<int> genes(all.begin(), all.end());  // genes outside every row never help
    for (unsigned mask = 0; mask < (1u << genes.size()); ++mask) {
        bool within = true;
        for (size_t r = 0; r < rows.size() && within; ++r) {
            int distance = 0;
            for (size_t i = 0; i < genes.size(); ++i)
                distance += ((mask >> i) & 1u) != static_cast<unsigned>(rows[r].count(genes[i]));
            within = distance <= pwDelta;
        }
        if (within) return true;
    }
    return false;
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
            TupleList list;
            list.k = k;
            for (int n = 0; n < 8; ++n) {
                std::vector<TupleOccurrence> ivs;
                rows.emplace_back();
                for (int g = 0; g < k; ++g) {
                    if (rng() % 5 == 0) {
                        ivs.push_back({-1, -2, 0});
                        continue;
                    }
                    int chr = static_cast<int>(rng() % 2);
                    int length = chr == 0 ? 8 : 5;
                    int l = 1 + static_cast<int>(rng() % length);
                    ivs.push_back({l, std::min(length, l + static_cast<int>(rng() % 4)), chr});
                    rows.back().push_back(genesIn(set->genomes[g].chromosomes[chr].genes, ivs.back().l, ivs.back().r));
                }
                ClusterTuple tuple;
                tuple.perGenome = ivs;
                list.tuples.push_back(std::move(tuple));
            }
            check_center_condition(&list, *set, pwDelta);
            auto row = rows.begin();
            for (const ClusterTuple& tuple : list.tuples) {
                const bool exists = hasCenter(*row++, pwDelta);
                EXPECT_EQ(tuple.centerState, exists ? 2 : 1);
                ++(exists ? passed : failed);
            }
        }
    }
    EXPECT_GT(passed, 100);
    EXPECT_GT(failed, 100);
}

}  // namespace
