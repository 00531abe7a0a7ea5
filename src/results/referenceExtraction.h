// Extraction of gene clusters from the reference-cluster list.
#pragma once

#include "genomes/genomeSet.h"
#include "refclusters/referenceSearch.h"
#include "results/clusterSource.h"
#include "results/tupleExtraction.h"

namespace tamsu::detail {

std::vector<Cluster> clustersFromReferenceClusters(const ReferenceClusterList& list, int K);
// The same one record at a time, families as read (set's ids), each made
// when it is visited.
ClusterSource referenceClusterSource(const ReferenceClusterList& list, const GenomeSet& set);

// Pieces built from one reference cluster (K genomes).
Cluster clusterFromReferenceCluster(const ReferenceCluster& cluster, Mode type, int K);
OccurrenceSet bestOccurrenceSet(const ReferenceCluster& cluster, int K);
OccurrenceSet allOccurrenceSet(const ReferenceCluster& cluster, int K);
// The reference interval's distinct genes in order of first occurrence.
std::vector<int> referenceGeneSet(const ReferenceCluster& cluster);
// Per genome the copies of its locations: all of them, or only the leading
// ones at the first location's distance (the lists are sorted by distance).
std::vector<std::vector<Occurrence>> referenceOccurrenceLists(const ReferenceCluster& cluster, int K, bool bestOnly);

}  // namespace tamsu::detail
