// Candidate intervals of a cluster filter: worked cases and an exhaustive
// comparison with a brute-force scan of every interval.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

#include "filters/pattern.h"
#include "index/initDatastructures.h"
#include "median/iterativeMedianComp.h"
#include "occurrences/superIntervals.h"
#include "testUtil.h"

namespace {

struct Found {
    int dist, chr, l, r;
    bool operator==(const Found&) const = default;
};

// Intervals of list dist of genome g in insertion order.
std::vector<Found> inserted(const MatchesRecord& record, int g) {
    std::vector<Found> out;
    for (int dist = 0; dist <= record.matchField.m(); ++dist)
        for (const Interval& iv : record.matchField.bucket(g, dist)) out.push_back({dist, iv.chr, iv.l, iv.r});
    return out;
}

// Every interval of genome g that qualifies as a candidate, in the order the
// enumeration generates them: chromosome, the interval's highest-ranked
// character of P (by order of addition), its leftmost occurrence, then l
// descending and r ascending; grouped by distance afterwards.
std::vector<Found> bruteForce(const SetOfSeqs& set, const ParameterArray& params, const Pattern& pattern, int g,
                              int m) {
    const std::vector<int>& rank = set.rank;
    const int R_P = rank[pattern.newChar];
    std::vector<std::pair<std::array<int, 5>, Found>> keyed;
    for (const Chromosome& ch : set.genomes[g].chromosomes)
        for (int l = 1; l <= ch.length; ++l) {
            std::vector<int> inside(set.alphabetSize + 1, 0);  // occurrences in l..r
            int common = 0, foreign = 0;
            for (int r = l; r <= ch.length; ++r) {
                if (inside[ch.genes[r]]++ == 0) ++(rank[ch.genes[r]] <= R_P ? common : foreign);
                if (r == l || common == 0) continue;
                if (inside[ch.genes[l - 1]] || inside[ch.genes[r + 1]]) continue;  // not maximal
                int x = 0;
                for (int q = l; q <= r; ++q)
                    if (rank[ch.genes[q]] <= R_P && (x == 0 || rank[ch.genes[q]] > rank[x])) x = ch.genes[q];
                int dist = pattern.size - common + foreign;
                if (dist > m || !isValidInterval(set, params, ch, l, r)) continue;
                if (g < pattern.refGenome && dist == 0) continue;
                int p = l;
                while (ch.genes[p] != x) ++p;
                int order = static_cast<int>(std::find(pattern.charList.begin(), pattern.charList.end(), x) -
                                             pattern.charList.begin());
                keyed.push_back({{ch.number, order, p, -l, r}, Found{dist, ch.number, l, r}});
            }
        }
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Found> out;
    for (const auto& entry : keyed) out.push_back(entry.second);
    std::stable_sort(out.begin(), out.end(), [](const Found& a, const Found& b) { return a.dist < b.dist; });
    return out;
}

}  // namespace

TEST(SuperIntervals, WorkedExampleAroundASingleCharacter) {
    // Reference I_ref = {x} (x = 1); genome 1 reads y x z; y and z also occur in
    // genome 2, so they are frequent enough for the border test.
    auto set = makeSet({{{1}}, {{2, 1, 3}}, {{2, 3}}});
    auto params = derivedParams('m', 2, 1, 3);
    initDataStructures(*set, *params);
    Pattern pattern = initPattern(set->alphabetSize + 1, 3, params->d);
    int filters = 0;
    forEachReferenceInterval(*set, *params, pattern, 0, [&](Pattern& p) {
        ++filters;
        std::fill(p.maxRemDists.begin(), p.maxRemDists.end(), 1);
        computeSuperIntervals(p, *set, depthOf(*params), *params);
        // 2..2 is a single position, 1..3 holds two foreign families.
        EXPECT_EQ(inserted(p.matchesRecord, 1), (std::vector<Found>{{1, 0, 2, 3}, {1, 0, 1, 2}}));
        EXPECT_TRUE(inserted(p.matchesRecord, 0).empty());
        EXPECT_TRUE(inserted(p.matchesRecord, 2).empty());
        // The list order is the reverse of the insertion order.
        EXPECT_EQ(p.matchesRecord.matchField.bucket(1, 1).back().l, 1);
    });
    EXPECT_EQ(filters, 1);
}

// Every candidate exactly once, in generation order, for every filter of
// small random sets, under several modes and budgets.
TEST(SuperIntervals, MatchesBruteForceOnRandomSets) {
    struct Case {
        char mode;
        int delta;
        bool quorum;
    };
    const Case cases[] = {{'m', 1, false}, {'m', 2, false}, {'m', 2, true}, {'c', 1, false}};
    std::mt19937 rng(7);
    int compared = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        const Case& c = cases[seed % 4];
        const int genomeCount = 3 + seed % 2;
        const int alphabet = 5 + seed % 4;
        std::vector<std::vector<std::vector<int>>> rows;
        for (int g = 0; g < genomeCount; ++g) {
            std::vector<std::vector<int>> chroms{randomGenes(seed * 31 + g, 12 + (seed + g) % 7, alphabet)};
            if (g == 1) chroms.push_back(randomGenes(seed * 57 + g, 6, alphabet));
            rows.push_back(chroms);
        }
        auto set = makeSet(rows, alphabet);
        auto params = derivedParams(c.mode, c.delta, 1, genomeCount, c.quorum ? genomeCount - 1 : -1);
        initDataStructures(*set, *params);
        const int D = depthOf(*params);
        for (int ref = 0; ref < 2; ++ref) {
            Pattern pattern = initPattern(set->alphabetSize + 1, genomeCount, std::max(params->d, D));
            forEachReferenceInterval(*set, *params, pattern, ref, [&](Pattern& p) {
                for (int g = 0; g < genomeCount; ++g) p.maxRemDists[g] = static_cast<int>(rng() % (D + 1));
                computeSuperIntervals(p, *set, D, *params);
                for (int g = 0; g < genomeCount; ++g) {
                    if (g == ref) {
                        EXPECT_TRUE(inserted(p.matchesRecord, g).empty());
                        continue;
                    }
                    ASSERT_EQ(inserted(p.matchesRecord, g), bruteForce(*set, *params, p, g, p.maxRemDists[g]))
                        << "seed " << seed << " ref " << ref << " left " << p.left << " right " << p.right
                        << " genome " << g;
                    ++compared;
                }
                resetMatchesRecord(p.matchesRecord, genomeCount, p.matchesRecord.matchField.m());
            });
        }
    }
    EXPECT_GT(compared, 500);
}
