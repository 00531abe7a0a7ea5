// Extraction from k-tuples: every run of adjacent tuples with the same gene
// content becomes one gene cluster; its best occurrence sets are the tuples
// whose p-value equals the run's first.
#include "results/tupleExtraction.h"

#include <algorithm>

#include "median/tupleList.h"

namespace tamsu::detail {

Occurrence tupleOccurrence(const ClusterTuple& tuple, int g) {
    const TupleOccurrence& interval = tuple.perGenome[g];
    Occurrence occ;
    occ.genome = g;
    occ.chromosome = interval.chr;
    occ.first = interval.l;
    occ.last = interval.r;
    occ.pValue = g < static_cast<int>(tuple.pValues.size()) ? tuple.pValues[g] : 1.0;
    occ.distance = interval.dist;
    return occ;
}

std::vector<std::vector<Occurrence>> tupleOccurrenceLists(const ClusterTuple& tuple, int K) {
    std::vector<std::vector<Occurrence>> lists(std::max(K, 0));
    for (int g = 0; g < K && g < static_cast<int>(tuple.perGenome.size()); ++g) {
        const TupleOccurrence& interval = tuple.perGenome[g];
        if (interval.l <= interval.r) lists[g].push_back(tupleOccurrence(tuple, g));
    }
    return lists;
}

int countSupport(const OccurrenceSet& set, int K) {
    int support = 0;
    for (int g = 0; g < K && g < static_cast<int>(set.perGenome.size()); ++g)
        if (!set.perGenome[g].empty()) ++support;
    return support;
}

OccurrenceSet occurrenceSetFromTuple(const ClusterTuple& tuple, int K) {
    OccurrenceSet set;
    set.perGenome = tupleOccurrenceLists(tuple, K);
    set.genomesWithOccurrence = countSupport(set, K);
    set.exactOccurrences = countExactOccurrences(tuple, K);
    set.pValue = tuple.pValue;
    set.log10PValue = tuple.log10PValue;
    set.totalDistance = tuple.totalDist;
    set.minDistance = minOccurrenceDistance(tuple, K);
    set.maxDistance = maxOccurrenceDistance(tuple, K);
    return set;
}

Cluster clusterFromTuple(const ClusterTuple& tuple, int K) {
    Cluster cluster;
    cluster.mode = tuple.operationMode;
    cluster.referenceGenome = -1;
    cluster.pValue = tuple.pValue;
    cluster.log10PValue = tuple.log10PValue;
    cluster.minTotalDistance = tuple.totalDist;
    cluster.families = tuple.genes;
    cluster.best.push_back(occurrenceSetFromTuple(tuple, K));
    cluster.all.push_back(occurrenceSetFromTuple(tuple, K));
    return cluster;
}

std::vector<Cluster> clustersFromTuples(const TupleList& list) {
    std::vector<Cluster> clusters;
    const int K = list.k;
    auto it = list.tuples.begin();
    while (it != list.tuples.end()) {
        const ClusterTuple& first = *it;
        Cluster cluster = clusterFromTuple(first, K);
        for (++it; it != list.tuples.end() && haveSameGeneContent(&first, &*it); ++it) {
            if (it->pValue == first.pValue) cluster.best.push_back(occurrenceSetFromTuple(*it, K));
            cluster.all.push_back(occurrenceSetFromTuple(*it, K));
        }
        clusters.push_back(std::move(cluster));
    }
    return clusters;
}

}  // namespace tamsu::detail
