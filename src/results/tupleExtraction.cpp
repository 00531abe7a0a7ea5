// Extraction from k-tuples: every run of adjacent tuples with the same gene
// content becomes one gene cluster; its best occurrence sets are the tuples
// whose p-value equals the run's first.
#include "results/tupleExtraction.h"

#include <algorithm>

#include "median/tupleList.h"

namespace tamsu::detail {

approxOcc tupleOccurrence(const ClusterTuple& tuple, int g) {
    const TupleOccurrence& interval = tuple.perGenome[g];
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

std::vector<std::vector<approxOcc>> tupleOccurrenceLists(const ClusterTuple& tuple, int K) {
    std::vector<std::vector<approxOcc>> lists(std::max(K, 0));
    for (int g = 0; g < K && g < static_cast<int>(tuple.perGenome.size()); ++g) {
        const TupleOccurrence& interval = tuple.perGenome[g];
        if (interval.l <= interval.r) lists[g].push_back(tupleOccurrence(tuple, g));
    }
    return lists;
}

int countSupport(const ACI& aci, int K) {
    int support = 0;
    for (int g = 0; g < K && g < static_cast<int>(aci.occLists.size()); ++g)
        if (!aci.occLists[g].empty()) ++support;
    return support;
}

ACI occurrenceSetFromTuple(const ClusterTuple& tuple, int K) {
    ACI aci;
    aci.occLists = tupleOccurrenceLists(tuple, K);
    aci.support = countSupport(aci, K);
    aci.refOccCount = countExactOccurrences(tuple, K);
    aci.pValue = tuple.pValue;
    aci.log10PValue = tuple.log10PValue;
    aci.totalDist = tuple.totalDist;
    aci.minPwDist = minOccurrenceDistance(tuple, K);
    aci.maxPwDist = maxOccurrenceDistance(tuple, K);
    return aci;
}

geneCluster clusterFromTuple(const ClusterTuple& tuple, int K) {
    geneCluster cluster;
    cluster.type = tuple.operationMode;
    cluster.refGenomeNr = -1;
    cluster.pValue = tuple.pValue;
    cluster.log10PValue = tuple.log10PValue;
    cluster.minTotalDist = tuple.totalDist;
    cluster.consensusSet = tuple.genes;
    cluster.bestClusters.push_back(occurrenceSetFromTuple(tuple, K));
    cluster.allClusters.push_back(occurrenceSetFromTuple(tuple, K));
    return cluster;
}

std::unique_ptr<listOfGeneClusters> clustersFromTuples(const TupleList& list) {
    auto result = std::make_unique<listOfGeneClusters>();
    result->genomeCount = list.k;
    const int K = list.k;
    auto it = list.tuples.begin();
    while (it != list.tuples.end()) {
        const ClusterTuple& first = *it;
        geneCluster cluster = clusterFromTuple(first, K);
        for (++it; it != list.tuples.end() && haveSameGeneContent(&first, &*it); ++it) {
            if (it->pValue == first.pValue) cluster.bestClusters.push_back(occurrenceSetFromTuple(*it, K));
            cluster.allClusters.push_back(occurrenceSetFromTuple(*it, K));
        }
        result->clusters.push_back(std::move(cluster));
    }
    return result;
}

}  // namespace tamsu::detail
