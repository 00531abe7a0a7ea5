// The reference cluster search: reported locations against a naive
// recomputation, duplicate suppression across reference genomes, and a run
// on the bundled example.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "refclusters/referenceSearch.h"
#include "testUtil.h"

namespace {

// Reference-mode parameters for K genomes of which `lacking` may lack a cluster.
SearchParameters searchParams(int delta, int minClusterSize, int lacking, int K, RefType refType = RefType::none) {
    return derivedParams(Mode::reference, delta, minClusterSize, K, lacking > 0 ? K - lacking : -1, CostType::zero,
                         refType);
}

std::unique_ptr<ReferenceClusterList> runSearch(const GenomeSet& set, const SearchParameters& params,
                                                bool useNUM = true) {
    QuietProgress quiet;
    const OccurrenceIndex index = buildOccurrenceIndex(set, useNUM);
    std::optional<ReferenceClusterList> list = computeReferenceClusters(index, params, quiet.get());
    EXPECT_TRUE(list);
    return std::make_unique<ReferenceClusterList>(std::move(*list));
}

// Every location's counts from scratch against the cluster's gene set, and
// the cluster's own shape.
void checkClusters(const GenomeSet& set, const SearchParameters& params, const ReferenceClusterList& list,
                   const std::string& where) {
    for (const ReferenceCluster& cluster : list.clusters) {
        const Chromosome& ref = set.genomes[cluster.refGenome].chromosomes[cluster.refChrom];
        std::set<int> P = genesIn(ref.genes, cluster.l, cluster.r);
        ASSERT_EQ(static_cast<int>(P.size()), cluster.size) << where;
        ASSERT_GE(cluster.size, params.minClusterSize) << where;
        ASSERT_EQ(std::set<int>(cluster.genes.begin(), cluster.genes.end()), P) << where;
        ASSERT_EQ(std::tuple(set.genomeCount(), set.genomeCount()), std::tie(cluster.genomeCount, cluster.listCount));
        ASSERT_TRUE(std::is_sorted(cluster.locations.begin(), cluster.locations.end(),
                                   [](const Location& a, const Location& b) { return a.genome < b.genome; }));
        int covered = 0;
        for (int j = 0; j < set.genomeCount(); ++j) {
            const std::span<const Location> list = cluster.locationsOf(j);
            if (!list.empty()) ++covered;
            const Location* previous = nullptr;
            for (const Location& x : list) {
                const Chromosome& chrom = set.genomes[j].chromosomes.at(x.chr);
                ASSERT_TRUE(x.genome == j && 1 <= x.l && x.l <= x.r && x.r <= chrom.length()) << where;
                const std::set<int> G = genesIn(chrom.genes, x.l, x.r);
                int hits = 0;
                for (int c : G) hits += P.count(c) ? 1 : 0;
                const int size = static_cast<int>(G.size()), dist = static_cast<int>(P.size()) + size - 2 * hits;
                EXPECT_EQ(std::tuple(size, hits, dist), std::tie(x.size, x.hitCount, x.setDist))
                    << where << " cluster [" << cluster.l << "," << cluster.r << "] of genome " << cluster.refGenome
                    << ", genome " << j << " chr " << x.chr << " [" << x.l << "," << x.r << "]";
                EXPECT_TRUE(x.setDist <= params.delta && x.hitCount >= 2) << where;
                EXPECT_TRUE(previous == nullptr || previous->setDist <= x.setDist) << where;  // sorted: best first
                previous = &x;
            }
        }
        EXPECT_GE(covered, set.genomeCount() - params.mayLack) << where;
        // The reference occurrence itself heads its genome's list.
        const std::span<const Location> own = cluster.locationsOf(cluster.refGenome);
        ASSERT_FALSE(own.empty()) << where;
        EXPECT_EQ(0, own.front().setDist);
    }
}

std::unique_ptr<GenomeSet> randomSet(unsigned seed, int genomes, int alphabet) {
    std::mt19937 rng(seed);
    std::vector<std::vector<std::vector<int>>> rows;
    for (int g = 0; g < genomes; ++g) {
        std::vector<std::vector<int>> chroms;
        const int chromCount = 1 + static_cast<int>(rng() % 2);
        for (int c = 0; c < chromCount; ++c)
            chroms.push_back(
                randomGenes(seed * 97 + g * 13 + c, (30 + static_cast<int>(rng() % 31)) / chromCount, alphabet));
        rows.push_back(chroms);
    }
    return makeSet(rows, alphabet);
}

struct Found {
    int chr, l, r, setDist;
    auto operator<=>(const Found&) const = default;
};

// The locations of gene set P in one genome from scratch: intervals holding
// a gene of P, bounded on both sides by genes foreign to P and to the
// interval (or a chromosome end), whose foreign genes at either end also
// occur between the first and last gene of P, within distance delta; then
// cleaned as a stored cluster's lists are (at least 2 hits, no location
// inside another at equal or larger distance).
std::set<Found> bruteForceLocations(const Genome& genome, const std::set<int>& P, int delta) {
    struct Candidate {
        Found f;
        int hits;
    };
    std::vector<Candidate> all;
    for (const Chromosome& chrom : genome.chromosomes) {
        const int n = chrom.length();
        const int A = *std::max_element(chrom.genes.begin(), chrom.genes.end());
        for (int l = 1; l <= n; ++l) {
            // Grow r from l, counting the interval's genes and those of its
            // core (first to last gene of P).
            std::vector<int> inG(A + 1, 0), inCore(A + 1, 0);
            int size = 0, hits = 0, coreSize = 0, firstP = 0, coreEnd = 0;
            for (int r = l; r <= n; ++r) {
                const int c = chrom.genes[r];
                if (inG[c]++ == 0) {
                    ++size;
                    hits += P.count(c) ? 1 : 0;
                }
                if (P.count(c)) {
                    if (!firstP) {
                        firstP = r;
                        coreEnd = r - 1;
                    }
                    for (; coreEnd < r; ++coreEnd)
                        if (inCore[chrom.genes[coreEnd + 1]]++ == 0) ++coreSize;
                }
                if (!firstP) continue;
                const int left = chrom.genes[l - 1], right = chrom.genes[r + 1];
                if (l > 1 && (P.count(left) || inG[left])) continue;
                if (r < n && (P.count(right) || inG[right])) continue;
                if (coreSize != size) continue;
                const int dist = static_cast<int>(P.size()) + size - 2 * hits;
                if (dist > delta || hits < 2) continue;
                all.push_back({{chrom.number, l, r, dist}, hits});
            }
        }
    }
    std::set<Found> kept;
    for (const Candidate& b : all) {
        bool dominated = false;
        for (const Candidate& a : all)
            if (&a != &b && a.f.chr == b.f.chr && a.f.l <= b.f.l && b.f.r <= a.f.r && a.f.setDist <= b.f.setDist)
                dominated = true;
        if (!dominated) kept.insert(b.f);
    }
    return kept;
}

std::vector<std::set<Found>> locationsOf(const ReferenceCluster& cluster) {
    std::vector<std::set<Found>> out(static_cast<size_t>(cluster.genomeCount));
    for (const Location& x : cluster.locations)
        out.at(static_cast<size_t>(x.genome)).insert({x.chr, x.l, x.r, x.setDist});
    return out;
}

// Every reported location recounted from scratch; the incremental lists
// (inherited, recomputed around each added gene and merged) hold exactly
// what a search from scratch finds for the final set; and the NUM table
// changes nothing.
TEST(ReferenceSearch, LocationsMatchNaiveRecountAndBruteForceWithAndWithoutNUM) {
    int clusterTotal = 0, compared = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        const std::string where = "seed " + std::to_string(seed);
        const int genomes = 3 + static_cast<int>(seed % 2);
        const int alphabet = 8 + static_cast<int>(seed % 5);
        const int delta = static_cast<int>(seed % 3);
        const int q = seed % 4 == 0 ? 1 : 0;
        auto set = randomSet(seed, genomes, alphabet);
        const SearchParameters params = searchParams(delta, 3, q, genomes);
        auto result = runSearch(*set, params);
        const ReferenceClusterList& list = *result;
        clusterTotal += list.count();
        checkClusters(*set, params, list, where);

        auto without = runSearch(*set, params, false);
        ASSERT_EQ(list.count(), without->count()) << where;
        auto other = without->clusters.begin();
        for (const ReferenceCluster& cluster : list.clusters) {
            EXPECT_EQ(std::tie(cluster.refGenome, cluster.refChrom, cluster.l, cluster.r),
                      std::tie(other->refGenome, other->refChrom, other->l, other->r))
                << where;
            EXPECT_EQ(locationsOf(cluster), locationsOf(*other++)) << where;

            const Chromosome& ref = set->genomes[cluster.refGenome].chromosomes[cluster.refChrom];
            const std::set<int> P = genesIn(ref.genes, cluster.l, cluster.r);
            for (int j = 0; j < set->genomeCount(); ++j) {
                if (j == cluster.refGenome) continue;
                ASSERT_EQ(bruteForceLocations(set->genomes[j], P, delta), locationsOf(cluster)[j])
                    << where << " cluster [" << cluster.l << "," << cluster.r << "] of genome " << cluster.refGenome
                    << " chr " << cluster.refChrom << ", genome " << j;
                ++compared;
            }
        }
    }
    EXPECT_GT(clusterTotal, 20);
    EXPECT_GT(compared, 50);
}

TEST(ReferenceSearch, ExactInTwoGenomesIsStoredOnceFromTheFirst) {
    // {1,2,3,4} occurs exactly in genomes 0 and 1 and approximately in 2.
    // Genome 0 also holds {1,2,3} further left, so its working list is not
    // headed by the exact occurrence when genome 1 is the reference: the
    // candidate gets as far as the sorted copies and is dropped there.
    auto set = makeSet({{{9, 1, 2, 3, 10, 1, 2, 3, 4, 11}}, {{12, 4, 3, 2, 1, 13}}, {{14, 2, 1, 3, 15}}}, 15);
    const SearchParameters params = searchParams(1, 4, 0, 3);
    auto result = runSearch(*set, params);
    const ReferenceClusterList& list = *result;
    checkClusters(*set, params, list, "hand-built");
    int found = 0;
    for (const ReferenceCluster& cluster : list.clusters) {
        const std::vector<int>& content = cluster.genes;
        if (std::set<int>(content.begin(), content.end()) != std::set<int>{1, 2, 3, 4}) continue;
        ++found;
        EXPECT_EQ(std::tuple(0, 6, 9), std::tie(cluster.refGenome, cluster.l, cluster.r));
        const Location& exact = cluster.locationsOf(1).front();
        EXPECT_EQ(std::tuple(2, 0), std::tie(exact.l, exact.setDist));
        EXPECT_EQ(1, cluster.locationsOf(2).front().setDist);
    }
    EXPECT_EQ(1, found);
}

}  // namespace
