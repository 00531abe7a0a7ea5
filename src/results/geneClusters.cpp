// Extraction from k-tuples: every run of adjacent tuples with the same gene
// content becomes one gene cluster; its best occurrence sets are the tuples
// whose p-value equals the run's first.
#include "results/geneClusters.h"

#include <algorithm>

#include "median/kTuples.h"

std::vector<int> createConsensusSet(const kTuple& tuple) {
    const size_t n = tuple.median.size();
    if (tuple.hasGeneContentArray && tuple.geneContentArray.size() >= n)
        return {tuple.geneContentArray.begin(), tuple.geneContentArray.begin() + static_cast<long>(n)};
    // Without the gene-content sort the content is the same genes, ascending.
    std::vector<int> genes;
    genes.reserve(n);
    for (const medianElement& e : tuple.median) genes.push_back(e.gene);
    std::sort(genes.begin(), genes.end());
    return genes;
}

approxOcc copy_dLoc(const kTuple& tuple, int g) {
    const kTupleInterval& interval = tuple.intervalArray[g];
    approxOcc occ;
    occ.genome = g;
    occ.chromosome = interval.chr;
    occ.l = interval.l;
    occ.r = interval.r;
    occ.pValue = g < static_cast<int>(tuple.pValues.size()) ? tuple.pValues[g] : 1.0;
    occ.dist = interval.dist;
    occ.isRefOcc = occ.dist == 0;
    return occ;
}

std::vector<std::vector<approxOcc>> copy_dLocLists(const kTuple& tuple, int K) {
    std::vector<std::vector<approxOcc>> lists(std::max(K, 0));
    for (int g = 0; g < K && g < static_cast<int>(tuple.intervalArray.size()); ++g) {
        const kTupleInterval& interval = tuple.intervalArray[g];
        if (interval.l <= interval.r) lists[g].push_back(copy_dLoc(tuple, g));
    }
    return lists;
}

int computeSupport(const ACI& aci, int K) {
    int support = 0;
    for (int g = 0; g < K && g < static_cast<int>(aci.occLists.size()); ++g)
        if (!aci.occLists[g].empty()) ++support;
    return support;
}

ACI init_ACI(const kTuple& tuple, int K) {
    ACI aci;
    aci.occLists = copy_dLocLists(tuple, K);
    aci.support = computeSupport(aci, K);
    aci.refOccCount = countRefOccsIn_kTuple(tuple, K);
    aci.pValue = tuple.pValue;
    aci.log10PValue = tuple.log10PValue;
    aci.totalDist = tuple.totalDist;
    aci.minPwDist = find_minPwDistIn_kTuple(tuple, K);
    aci.maxPwDist = find_maxPwDistIn_kTuple(tuple, K);
    return aci;
}

geneCluster createGeneCluster(const kTuple& tuple, int K) {
    geneCluster cluster;
    cluster.type = tuple.operationMode;
    cluster.refGenomeNr = -1;
    cluster.pValue = tuple.pValue;
    cluster.log10PValue = tuple.log10PValue;
    cluster.minTotalDist = tuple.totalDist;
    cluster.consensusSet = createConsensusSet(tuple);
    cluster.bestClusters.push_back(init_ACI(tuple, K));
    cluster.allClusters.push_back(init_ACI(tuple, K));
    return cluster;
}

std::unique_ptr<listOfGeneClusters> extractGeneClusters(const kTupleList& list) {
    auto result = std::make_unique<listOfGeneClusters>();
    result->genomeCount = list.k;
    const int K = list.k;
    auto it = list.tuples.begin();
    while (it != list.tuples.end()) {
        const kTuple& first = *it;
        geneCluster cluster = createGeneCluster(first, K);
        for (++it; it != list.tuples.end() && isEqualGeneContentArray(&first, &*it); ++it) {
            if (it->pValue == first.pValue) cluster.bestClusters.push_back(init_ACI(*it, K));
            cluster.allClusters.push_back(init_ACI(*it, K));
        }
        result->clusters.push_back(std::move(cluster));
    }
    return result;
}
