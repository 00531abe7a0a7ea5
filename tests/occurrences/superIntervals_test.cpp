// Candidate intervals of a cluster filter: worked cases and an exhaustive
// comparison with a brute-force scan of every interval.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

#include "filters/arraysLnR.h"
#include "filters/pattern.h"
#include "index/initDatastructures.h"
#include "median/iterativeMedianComp.h"
#include "occurrences/superIntervals.h"
#include "params/parameterArray.h"
#include "testUtil.h"

namespace {

std::unique_ptr<ParameterArray> derived(char mode, int delta, int s, int genomeCount, bool quorum = false,
                                        int q = -1) {
    auto params = initParameterArray(delta, s, 0.0, mode == 'c', true, true, quorum, q, quorum ? 'z' : '?', mode,
                                     "test.out", false, '?');
    setDerivedParameters(*params, genomeCount);
    return params;
}

int depthOf(const ParameterArray& params) { return params.isCenter ? 2 * params.pwDelta : params.delta; }

// Walks the reference intervals of genome g the way the filter enumeration
// does and calls visit(pattern) for every grown I_ref, with ranks and border
// tables current.
template <typename Visit>
void forEachReferenceInterval(SetOfSeqs& set, const ParameterArray& params, Pattern& pattern, int g, Visit visit) {
    const int D = depthOf(params);
    for (const Chromosome& ch : set.genomes[g].chromosomes)
        for (int i = 1; i <= ch.length; ++i) {
            updateRank(set, ch, i);
            updateL(set, g, i, D, ch.genes[i - 1]);
            updateR(set, g, i, D, ch.genes[i - 1]);
            resetPattern(pattern, set.alphabetSize, D, g, ch.number, i);
            int j = i;
            while (getNextI_ref(j, pattern, g, ch.number, set)) {
                visit(pattern);
                j = pattern.right + 1;
            }
        }
}

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
    std::vector<std::tuple<int, int, int, int, int, Found>> keyed;
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
                keyed.emplace_back(ch.number, order, p, -l, r, Found{dist, ch.number, l, r});
            }
        }
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return std::tie(std::get<0>(a), std::get<1>(a), std::get<2>(a), std::get<3>(a), std::get<4>(a)) <
               std::tie(std::get<0>(b), std::get<1>(b), std::get<2>(b), std::get<3>(b), std::get<4>(b));
    });
    std::vector<Found> out;
    for (const auto& entry : keyed) out.push_back(std::get<5>(entry));
    std::stable_sort(out.begin(), out.end(), [](const Found& a, const Found& b) { return a.dist < b.dist; });
    return out;
}

}  // namespace

TEST(SuperIntervals, WorkedExampleAroundASingleCharacter) {
    // Reference I_ref = {x} (x = 1); genome 1 reads y x z; y and z also occur in
    // genome 2, so they are frequent enough for the border test.
    auto set = makeSet({{{1}}, {{2, 1, 3}}, {{2, 3}}});
    auto params = derived('m', 2, 1, 3);
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

TEST(SuperIntervals, ExactOccurrenceOnlyInLaterGenomes) {
    // Each genome holds 4 5 exactly; with genome 1 as reference, genome 0's
    // exact copy is left to the filter of genome 0, genome 2's is added.
    auto set = makeSet({{{4, 5, 6}}, {{4, 5}}, {{6, 4, 5}}}, 6);
    auto params = derived('m', 1, 2, 3);
    initDataStructures(*set, *params);
    Pattern pattern = initPattern(set->alphabetSize + 1, 3, params->d);
    bool seen = false;
    forEachReferenceInterval(*set, *params, pattern, 1, [&](Pattern& p) {
        if (p.size != 2) return;
        seen = true;
        std::fill(p.maxRemDists.begin(), p.maxRemDists.end(), 0);
        computeSuperIntervals(p, *set, depthOf(*params), *params);
        EXPECT_TRUE(inserted(p.matchesRecord, 0).empty());
        EXPECT_EQ(inserted(p.matchesRecord, 2), (std::vector<Found>{{0, 0, 2, 3}}));
        resetMatchesRecord(p.matchesRecord, 3, p.matchesRecord.matchField.m());
        // With one foreign family allowed, genome 0 offers 4 5 6 at distance 1.
        std::fill(p.maxRemDists.begin(), p.maxRemDists.end(), 1);
        computeSuperIntervals(p, *set, depthOf(*params), *params);
        EXPECT_EQ(inserted(p.matchesRecord, 0), (std::vector<Found>{{1, 0, 1, 3}}));
    });
    EXPECT_TRUE(seen);
}

TEST(SuperIntervals, ZeroBudgetKeepsOnlyMaximalIntervalsWithoutForeignFamilies) {
    auto set = makeSet({{{1, 2, 3}}, {{2, 1, 7, 1, 2, 2, 3}}, {{1, 2, 3, 7}}}, 7);
    auto params = derived('c', 1, 1, 3);  // border threshold 2
    initDataStructures(*set, *params);
    Pattern pattern = initPattern(set->alphabetSize + 1, 3, std::max(params->d, depthOf(*params)));
    forEachReferenceInterval(*set, *params, pattern, 0, [&](Pattern& p) {
        if (p.left != 1 || p.size != 2) return;  // P = {1, 2}
        std::fill(p.maxRemDists.begin(), p.maxRemDists.end(), 0);
        computeSuperIntervals(p, *set, depthOf(*params), *params);
        EXPECT_EQ(inserted(p.matchesRecord, 1), (std::vector<Found>{{0, 0, 1, 2}, {0, 0, 4, 6}}));
        EXPECT_EQ(inserted(p.matchesRecord, 2), (std::vector<Found>{{0, 0, 1, 2}}));
    });
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
        auto params = derived(c.mode, c.delta, 1, genomeCount, c.quorum, c.quorum ? genomeCount - 1 : -1);
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
