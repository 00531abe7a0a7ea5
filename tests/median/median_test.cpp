// The median and center searches against brute force: the candidate
// intervals of a filter and the k-tuples one filter stores.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <list>
#include <map>
#include <random>
#include <ranges>
#include <set>
#include <tuple>

#include "filters/candidateIntervals.h"
#include "median/tupleList.h"
#include "median/tupleSearch.h"
#include "occurrences/candidates.h"
#include "testUtil.h"

namespace {

struct Found {
    int dist, chr, l, r;
    bool operator==(const Found&) const = default;
};

// Every interval of genome g that qualifies as a candidate, in the order the
// enumeration generates them: chromosome, the interval's highest-ranked
// character of P (by order of addition), its leftmost occurrence, then l
// descending and r ascending; grouped by distance afterwards.
std::vector<Found> bruteForceCandidates(const Indexed& set, const std::vector<int>& rank,
                                        const SearchParameters& params, const Pattern& pattern, int g, int m) {
    const int R_P = rank[pattern.newChar];
    std::vector<std::pair<std::array<int, 5>, Found>> keyed;
    for (const ChromIndex& ch : set.index.genome(g))
        for (int l = 1; l <= ch.length; ++l) {
            std::vector<int> inside(set.index.alphabetSize() + 1, 0);
            int common = 0, foreign = 0;
            for (int r = l; r <= ch.length; ++r) {
                if (inside[ch.genes[r]]++ == 0) ++(rank[ch.genes[r]] <= R_P ? common : foreign);
                if (r == l || common == 0 || inside[ch.genes[l - 1]] || inside[ch.genes[r + 1]]) continue;
                int x = 0;
                for (int q = l; q <= r; ++q)
                    if (rank[ch.genes[q]] <= R_P && (x == 0 || rank[ch.genes[q]] > rank[x])) x = ch.genes[q];
                const int dist = pattern.size - common + foreign;
                if (dist > m || !hasValidBorders(set.index, params, ch, l, r) || (g < pattern.refGenome && dist == 0))
                    continue;
                int p = l;
                while (ch.genes[p] != x) ++p;
                const int order = static_cast<int>(std::find(pattern.charList.begin(), pattern.charList.end(), x) -
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

// Every candidate exactly once, in generation order, for every filter of
// small random sets, under several modes and budgets.
TEST(Candidates, MatchBruteForceOnRandomSets) {
    std::mt19937 rng(7);
    int compared = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        const int k = 3 + seed % 2, alphabet = 5 + seed % 4;
        GeneRows rows;
        for (int g = 0; g < k; ++g) {
            rows.push_back({randomGenes(seed * 31 + g, 12 + (seed + g) % 7, alphabet)});
            if (g == 1) rows.back().push_back(randomGenes(seed * 57 + g, 6, alphabet));
        }
        Indexed set(makeSet(rows, alphabet));
        const SearchParameters params =
            derivedParams(seed % 4 == 3 ? Mode::center : Mode::median, 1 + seed % 2, 1, k, seed % 4 == 2 ? k - 1 : -1);
        const int D = depthOf(params);
        for (int ref = 0; ref < 2; ++ref)
            forEachReferenceInterval(set.index, D, false, ref, [&](ReferenceWalk& walk, Pattern& p) {
                CandidateRecord record = makeCandidateRecord(k, std::max(params.referenceBudget, D));
                for (int g = 0; g < k; ++g) p.maxRemDists[g] = static_cast<int>(rng() % (D + 1));
                findCandidateIntervals(p, record, set.index, walk.tables(), params);
                for (int g = 0; g < k; ++g) {
                    std::vector<Found> found;
                    for (int dist = 0; dist <= record.candidateField.m(); ++dist)
                        for (const CandidateInterval& iv : record.candidateField.bucket(g, dist))
                            found.push_back({dist, iv.chr, iv.l, iv.r});
                    const auto expected = g == ref
                                              ? std::vector<Found>{}
                                              : bruteForceCandidates(set, walk.rank(), params, p, g, p.maxRemDists[g]);
                    ASSERT_EQ(expected, found)
                        << "seed " << seed << " ref " << ref << " [" << p.left << "," << p.right << "] genome " << g;
                    ++compared;
                }
            });
    }
    EXPECT_GT(compared, 500);
}

// --- The k-tuples of one filter ---------------------------------------------

struct Candidate {
    int g, dist, l, r;  // l > r: empty occurrence
};

// One filter's record holding the given candidates (added in this order),
// numbered and searched.
struct Filter {
    Indexed set;
    SearchParameters params;
    TupleSearchResult result;
    bool completed = false;

    Filter(const GeneRows& rows, int alphabet, const SearchParameters& p, const std::vector<Candidate>& cands)
        : set(makeSet(rows, alphabet)), params(p) {
        const int k = set.index.genomeCount();
        const int D = depthOf(params);
        CandidateRecord record = makeCandidateRecord(k, std::max(params.referenceBudget, D));
        for (const Candidate& c : cands)
            addCandidate(record, c.g, c.dist, c.l > c.r ? -1 : c.l, c.l > c.r ? -2 : c.r, 0);
        numberLocalFamilies(record, set.index, k, D);
        // The numbering: a candidate's flags are exactly the families it holds.
        for (int g = 0; g < k; ++g)
            for (int dist = 0; dist <= std::min(D, record.candidateField.m()); ++dist)
                for (const CandidateInterval& iv : record.candidateField.bucket(g, dist))
                    for (int v = 1; v <= record.localCharCount; ++v)
                        EXPECT_EQ(iv.localFlags.size() > static_cast<size_t>(v) && iv.localFlags[v] != 0,
                                  iv.l <= iv.r && genesIn(set.set->genomes[g].chromosomes[0].genes, iv.l, iv.r)
                                                          .count(record.localChars[v]) != 0);
        QuietProgress quiet;
        completed = searchTuples(set.index, params, record, quiet.get(), result);
    }
    const std::list<ClusterTuple>& tuples() const { return result.tuples->tuples; }
};

// The charge of a k-tuple: the distance of the gene sets of the genomes with
// an occurrence to their majority median, plus flatCost for every genome
// without one (empty[g]).
int naiveTotalDist(const std::vector<std::set<int>>& sets, const std::vector<bool>& empty, int flatCost) {
    std::map<int, int> occ;
    int total = 0, present = 0;
    for (size_t g = 0; g < sets.size(); ++g) {
        if (empty[g]) {
            total += flatCost;
            continue;
        }
        ++present;
        for (int gene : sets[g]) ++occ[gene];
    }
    for (const auto& [gene, count] : occ) total += std::min(count, present - count);
    return total;
}

bool naiveBordersOptimal(const GenomeSet& set, const std::vector<Candidate>& choice, const std::set<int>& majority) {
    for (size_t g = 0; g < choice.size(); ++g) {
        const Candidate& c = choice[g];
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

// Every combination of one candidate per genome within the budgets, with its
// charge, border optimality and size, against what the search stores.
TEST(MedianSearch, StoredTuplesMatchBruteForce) {
    std::mt19937 rng(11);
    int storedTotal = 0;
    for (int round = 0; round < 24; ++round) {
        const bool quorum = round % 3 == 0;
        const int k = 3 + round % 2;
        GeneRows rows;
        for (int g = 0; g < k; ++g) rows.push_back({randomGenes(100 + round * 7 + g, 10, 5)});
        const SearchParameters params = derivedParams(round % 2 ? Mode::center : Mode::median, 1 + round % 3,
                                                      1 + round % 3, k, quorum ? k - 1 : -1);
        const int D = depthOf(params);
        std::vector<Candidate> cands;
        std::vector<std::vector<Candidate>> perGenome(k);
        for (int g = 0; g < k; ++g) {
            std::set<std::pair<int, int>> used;
            for (int i = 0, count = 1 + static_cast<int>(rng() % 4); i < count; ++i) {
                int l = 1 + static_cast<int>(rng() % 10);
                int r = std::min(10, l + static_cast<int>(rng() % 4));
                if (!used.insert({l, r}).second) continue;
                cands.push_back({g, static_cast<int>(rng() % (D + 1)), l, r});
                perGenome[g].push_back(cands.back());
            }
            if (quorum && g != 0 && rng() % 2) {
                cands.push_back({g, 0, 1, 0});
                perGenome[g].push_back(cands.back());
            }
        }
        Filter f(rows, 5, params, cands);
        ASSERT_TRUE(f.completed);
        const SearchParameters& p = f.params;

        // Per tuple: its total distance, its gene set and each occurrence's
        // distance to that set (the set's size for a genome without one).
        using Stored = std::tuple<int, std::set<int>, std::vector<int>>;
        std::map<std::vector<std::pair<int, int>>, Stored> expected;
        double complete = 0;
        std::vector<size_t> index(k, 0);
        for (;;) {
            std::vector<Candidate> choice;
            for (int g = 0; g < k; ++g) choice.push_back(perGenome[g][index[g]]);
            int refSum = 0, empties = 0;
            bool within = true;
            std::vector<std::set<int>> sets(k);
            std::vector<bool> empty(k);
            for (int g = 0; g < k; ++g) {
                refSum += choice[g].dist;
                if (choice[g].dist > p.summedDelta || refSum > p.referenceBudget) within = false;
                empty[g] = choice[g].l > choice[g].r;
                if (empty[g] && ++empties > p.mayLack) within = false;
                sets[g] = genesIn(f.set.set->genomes[g].chromosomes[0].genes, choice[g].l, choice[g].r);
            }
            const int total = naiveTotalDist(sets, empty, lackingGenomeCost(p, k));
            if (within && total <= p.summedDelta) {
                ++complete;
                // The majority of the genomes with an occurrence.
                std::map<int, int> occ;
                std::vector<std::set<int>> present;
                for (int g = 0; g < k; ++g)
                    if (!empty[g]) {
                        present.push_back(sets[g]);
                        for (int gene : sets[g]) ++occ[gene];
                    }
                std::set<int> majority;
                for (const auto& [gene, count] : occ)
                    if (count >= (static_cast<int>(present.size()) + 1) / 2) majority.insert(gene);
                std::vector<std::pair<int, int>> key;
                for (const Candidate& c : choice) key.emplace_back(c.l, c.r);
                auto distances = [&](const std::set<int>& of) {
                    std::vector<int> d;
                    for (int g = 0; g < k; ++g) {
                        int n = static_cast<int>(of.size());
                        for (int gene : sets[g]) n += of.count(gene) ? -1 : 1;
                        d.push_back(n);
                    }
                    return d;
                };
                if (p.isCenter()) {
                    // Stored with the summed distance to its center instead of the median's.
                    if (const auto center = exhaustiveCenter(present, p.delta, p.minClusterSize)) {
                        const std::set<int> c(center->begin(), center->end());
                        int toCenter = 0, toMedian = 0;
                        for (const std::set<int>& s : present)
                            for (int gene : occ | std::views::keys) {
                                toCenter += s.count(gene) != c.count(gene);
                                toMedian += s.count(gene) != majority.count(gene);
                            }
                        expected[key] = Stored{total - toMedian + toCenter, c, distances(c)};
                    }
                } else if (naiveBordersOptimal(*f.set.set, choice, majority) &&
                           static_cast<int>(majority.size()) >= p.minClusterSize) {
                    expected[key] = Stored{total, majority, distances(majority)};
                }
            }
            int g = k - 1;
            while (g >= 0 && ++index[g] == perGenome[g].size()) index[g--] = 0;
            if (g < 0) break;
        }

        std::map<std::vector<std::pair<int, int>>, Stored> found;
        const ClusterTuple* previous = nullptr;
        for (const ClusterTuple& tuple : f.tuples()) {
            std::vector<std::pair<int, int>> key;
            for (const TupleOccurrence& iv : tuple.perGenome)
                key.emplace_back(iv.l > iv.r ? 1 : iv.l, iv.l > iv.r ? 0 : iv.r);
            std::set<int> genes;
            genes.insert(tuple.genes.begin(), tuple.genes.end());
            std::vector<int> distances;
            for (const TupleOccurrence& iv : tuple.perGenome) distances.push_back(iv.dist);
            found[key] = Stored{tuple.totalDist, genes, distances};
            if (previous != nullptr) {
                EXPECT_LT(compareTuples(previous, &tuple, k), 0);  // canonical order
            }
            previous = &tuple;
        }
        EXPECT_EQ(expected, found) << "round " << round;
        EXPECT_EQ(expected.size(), f.tuples().size());
        EXPECT_DOUBLE_EQ(complete, f.result.counts.completeKTupleCount) << "round " << round;
        storedTotal += static_cast<int>(expected.size());
    }
    EXPECT_GT(storedTotal, 20);
}

// The reduction's indexed sweep removes exactly the tuples that another
// tuple of the list holds (pair by pair), on lists where tuples share their
// intervals in some genomes, lack others, and tie in distance.
TEST(TupleReduction, RemovesExactlyTheNestedTuples) {
    int removedInAll = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        const int k = 2 + static_cast<int>(seed % 4);
        std::unique_ptr<TupleList> list = makeTupleList(k);
        for (int n = 0; n < 60; ++n) {
            ClusterTuple& t = list->tuples.emplace_back();
            t.totalDist = static_cast<int>(rng() % 3);
            t.perGenome.resize(static_cast<size_t>(k));
            for (TupleOccurrence& iv : t.perGenome) {
                if (rng() % 6 == 0) {  // absent from this genome
                    iv.l = 1, iv.r = 0;
                    continue;
                }
                iv.chr = static_cast<int>(rng() % 2);
                iv.l = 1 + static_cast<int>(rng() % 8);
                iv.r = iv.l + static_cast<int>(rng() % 6);
            }
        }
        std::vector<const ClusterTuple*> all;
        for (const ClusterTuple& t : list->tuples) all.push_back(&t);
        std::vector<const ClusterTuple*> expected;
        for (const ClusterTuple* t : all)
            if (std::none_of(all.begin(), all.end(),
                             [&](const ClusterTuple* o) { return o != t && isNested(*t, *o, k); }))
                expected.push_back(t);
        removeDominatedTuples(list.get());
        std::vector<const ClusterTuple*> kept;
        for (const ClusterTuple& t : list->tuples) kept.push_back(&t);
        EXPECT_EQ(expected, kept) << "seed " << seed;
        removedInAll += static_cast<int>(all.size() - kept.size());
    }
    EXPECT_GT(removedInAll, 200);
}

}  // namespace
