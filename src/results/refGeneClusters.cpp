// Extraction from reference clusters: one gene cluster per reference cluster,
// with one occurrence set of the best locations and one of all locations.
#include "results/refGeneClusters.h"

#include <algorithm>

std::vector<int> createReferenceSet(const refCluster& cluster) {
    const size_t n = std::min(static_cast<size_t>(std::max(cluster.size, 0)), cluster.geneContentArray.size());
    return {cluster.geneContentArray.begin(), cluster.geneContentArray.begin() + static_cast<long>(n)};
}

// The first location of genome g, null when it has none.
static const dLoc* firstLocation(const refCluster& cluster, int g) {
    if (g >= static_cast<int>(cluster.dLocLists.size()) || cluster.dLocLists[g].empty()) return nullptr;
    return &cluster.dLocLists[g].locs.front();
}

std::vector<approxOcc> copy_dLocRef(const listOf_dLocs& list, int g, bool bestOnly) {
    std::vector<approxOcc> copies;
    if (list.empty()) return copies;
    const int bestDist = list.locs.front().setDist;
    for (const dLoc& x : list.locs) {
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

std::vector<std::vector<approxOcc>> copy_dLocListsRef(const refCluster& cluster, int K, bool bestOnly) {
    std::vector<std::vector<approxOcc>> lists(std::max(K, 0));
    for (int g = 0; g < K && g < static_cast<int>(cluster.dLocLists.size()); ++g)
        lists[g] = copy_dLocRef(cluster.dLocLists[g], g, bestOnly);
    return lists;
}

// Sum and maximum of the first locations' distances (genomes without one add 0).
static void firstLocationDists(const refCluster& cluster, int K, int& total, int& largest) {
    total = 0;
    largest = 0;
    for (int g = 0; g < K; ++g)
        if (const dLoc* x = firstLocation(cluster, g)) {
            total += x->setDist;
            largest = std::max(largest, x->setDist);
        }
}

static ACI init_refACI(const refCluster& cluster, int K, bool bestOnly) {
    ACI aci;
    aci.support = cluster.listCount;
    for (int g = 0; g < K; ++g)
        if (firstLocation(cluster, g) != nullptr) ++aci.refOccCount;
    aci.pValue = cluster.pValue;
    aci.log10PValue = cluster.log10PValue;
    aci.occLists = copy_dLocListsRef(cluster, K, bestOnly);
    firstLocationDists(cluster, K, aci.totalDist, aci.maxPwDist);
    aci.minPwDist = 0;
    return aci;
}

ACI init_bestACI(const refCluster& cluster, int K) { return init_refACI(cluster, K, true); }

ACI init_allACI(const refCluster& cluster, int K) { return init_refACI(cluster, K, false); }

geneCluster createRefGeneCluster(const refCluster& cluster, Mode type, int K) {
    geneCluster result;
    result.type = type;
    result.refGenomeNr = cluster.refGenome;
    result.pValue = cluster.pValue;
    result.log10PValue = cluster.log10PValue;
    int largest = 0;
    firstLocationDists(cluster, K, result.minTotalDist, largest);
    result.consensusSet = createReferenceSet(cluster);
    result.bestClusters.push_back(init_bestACI(cluster, K));
    result.allClusters.push_back(init_allACI(cluster, K));
    return result;
}

std::unique_ptr<listOfGeneClusters> extractRefGeneClusters(const listOfRefClusters& list, int K) {
    auto result = std::make_unique<listOfGeneClusters>();
    result->genomeCount = K;
    for (const refCluster& cluster : list.clusters)
        result->clusters.push_back(createRefGeneCluster(cluster, list.operationMode, K));
    return result;
}
