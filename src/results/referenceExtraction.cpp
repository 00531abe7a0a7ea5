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
    if (g >= static_cast<int>(cluster.locationLists.size()) || cluster.locationLists[g].empty()) return nullptr;
    return &cluster.locationLists[g].locs.front();
}

std::vector<approxOcc> referenceOccurrences(const LocationList& list, int g, bool bestOnly) {
    std::vector<approxOcc> copies;
    if (list.empty()) return copies;
    const int bestDist = list.locs.front().setDist;
    for (const Location& x : list.locs) {
        if (bestOnly && x.setDist > bestDist) break;
        approxOcc occ;
        occ.genome = g;
        occ.chromosome = x.chr;
        occ.l = x.l;
        occ.r = x.r;
        occ.pValue = x.pValue;
        occ.dist = x.setDist;
        occ.isRefOcc = occ.dist == 0;
        copies.push_back(occ);
    }
    return copies;
}

std::vector<std::vector<approxOcc>> referenceOccurrenceLists(const ReferenceCluster& cluster, int K, bool bestOnly) {
    std::vector<std::vector<approxOcc>> lists(std::max(K, 0));
    for (int g = 0; g < K && g < static_cast<int>(cluster.locationLists.size()); ++g)
        lists[g] = referenceOccurrences(cluster.locationLists[g], g, bestOnly);
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

static ACI init_refACI(const ReferenceCluster& cluster, int K, bool bestOnly) {
    ACI aci;
    aci.support = cluster.listCount;
    for (int g = 0; g < K; ++g)
        if (firstLocation(cluster, g) != nullptr) ++aci.refOccCount;
    aci.pValue = cluster.pValue;
    aci.log10PValue = cluster.log10PValue;
    aci.occLists = referenceOccurrenceLists(cluster, K, bestOnly);
    firstLocationDists(cluster, K, aci.totalDist, aci.maxPwDist);
    aci.minPwDist = 0;
    return aci;
}

ACI bestOccurrenceSet(const ReferenceCluster& cluster, int K) { return init_refACI(cluster, K, true); }

ACI allOccurrenceSet(const ReferenceCluster& cluster, int K) { return init_refACI(cluster, K, false); }

geneCluster clusterFromReferenceCluster(const ReferenceCluster& cluster, Mode type, int K) {
    geneCluster result;
    result.type = type;
    result.refGenomeNr = cluster.refGenome;
    result.pValue = cluster.pValue;
    result.log10PValue = cluster.log10PValue;
    int largest = 0;
    firstLocationDists(cluster, K, result.minTotalDist, largest);
    result.consensusSet = referenceGeneSet(cluster);
    result.bestClusters.push_back(bestOccurrenceSet(cluster, K));
    result.allClusters.push_back(allOccurrenceSet(cluster, K));
    return result;
}

std::unique_ptr<listOfGeneClusters> clustersFromReferenceClusters(const ReferenceClusterList& list, int K) {
    auto result = std::make_unique<listOfGeneClusters>();
    result->genomeCount = K;
    for (const ReferenceCluster& cluster : list.clusters)
        result->clusters.push_back(clusterFromReferenceCluster(cluster, list.operationMode, K));
    return result;
}

}  // namespace tamsu::detail
