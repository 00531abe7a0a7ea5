// Extraction from reference clusters: one gene cluster per reference cluster,
// with one occurrence set of the best locations and one of all locations.
#include "results/referenceExtraction.h"

#include <algorithm>

namespace tamsu::detail {

std::vector<int> referenceGeneSet(const ReferenceCluster& cluster) {
    const size_t n = std::min(static_cast<size_t>(std::max(cluster.size, 0)), cluster.genes.size());
    return {cluster.genes.begin(), cluster.genes.begin() + static_cast<long>(n)};
}

// The first location of genome g, null when it has none.
static const Location* firstLocation(const ReferenceCluster& cluster, int g) {
    const std::span<const Location> locations = cluster.locationsOf(g);
    return locations.empty() ? nullptr : &locations.front();
}

static std::vector<Occurrence> referenceOccurrences(std::span<const Location> locations, int g, bool bestOnly) {
    std::vector<Occurrence> copies;
    if (locations.empty()) return copies;
    const int bestDist = locations.front().setDist;
    for (const Location& x : locations) {
        if (bestOnly && x.setDist > bestDist) break;
        Occurrence occ;
        occ.genome = g;
        occ.chromosome = x.chr;
        occ.first = x.l;
        occ.last = x.r;
        occ.pValue = x.pValue;
        occ.distance = x.setDist;
        copies.push_back(occ);
    }
    return copies;
}

std::vector<std::vector<Occurrence>> referenceOccurrenceLists(const ReferenceCluster& cluster, int K, bool bestOnly) {
    std::vector<std::vector<Occurrence>> lists(std::max(K, 0));
    forEachGenomeRun(cluster.locations, [&](int g, std::span<const Location> locations) {
        if (g < K) lists[g] = referenceOccurrences(locations, g, bestOnly);
    });
    return lists;
}

// Sum and maximum of the first locations' distances (genomes without one add 0).
static void firstLocationDists(const ReferenceCluster& cluster, int K, int& total, int& largest) {
    total = 0;
    largest = 0;
    for (int g = 0; g < K; ++g)
        if (const Location* x = firstLocation(cluster, g)) {
            total += x->setDist;
            largest = std::max(largest, x->setDist);
        }
}

static OccurrenceSet referenceOccurrenceSet(const ReferenceCluster& cluster, int K, bool bestOnly) {
    OccurrenceSet set;
    set.genomesWithOccurrence = cluster.listCount;
    for (int g = 0; g < K; ++g)
        if (firstLocation(cluster, g) != nullptr) ++set.exactOccurrences;
    set.pValue = cluster.pValue;
    set.log10PValue = cluster.log10PValue;
    set.perGenome = referenceOccurrenceLists(cluster, K, bestOnly);
    firstLocationDists(cluster, K, set.totalDistance, set.maxDistance);
    set.minDistance = 0;
    return set;
}

OccurrenceSet bestOccurrenceSet(const ReferenceCluster& cluster, int K) { return referenceOccurrenceSet(cluster, K, true); }

OccurrenceSet allOccurrenceSet(const ReferenceCluster& cluster, int K) { return referenceOccurrenceSet(cluster, K, false); }

Cluster clusterFromReferenceCluster(const ReferenceCluster& cluster, Mode type, int K) {
    Cluster result;
    result.mode = type;
    result.referenceGenome = cluster.refGenome;
    result.pValue = cluster.pValue;
    result.log10PValue = cluster.log10PValue;
    int largest = 0;
    firstLocationDists(cluster, K, result.minTotalDistance, largest);
    result.families = referenceGeneSet(cluster);
    result.best.push_back(bestOccurrenceSet(cluster, K));
    result.all.push_back(allOccurrenceSet(cluster, K));
    return result;
}

std::vector<Cluster> clustersFromReferenceClusters(const ReferenceClusterList& list, int K) {
    std::vector<Cluster> clusters;
    for (const ReferenceCluster& cluster : list.clusters)
        clusters.push_back(clusterFromReferenceCluster(cluster, list.operationMode, K));
    return clusters;
}

ClusterSource referenceClusterSource(const ReferenceClusterList& list, const GenomeSet& set) {
    return ClusterSource(list.clusters.size(), [&list, &set](const ClusterSource::Visit& visit) {
        size_t i = 0;
        for (const ReferenceCluster& cluster : list.clusters) {
            Cluster record = clusterFromReferenceCluster(cluster, list.operationMode, set.genomeCount());
            for (int& family : record.families) family = set.codingTable[family];
            visit(i++, record);
        }
    });
}

}  // namespace tamsu::detail
