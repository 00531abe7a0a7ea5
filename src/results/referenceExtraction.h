// Extraction of gene clusters from the reference-cluster list.
#pragma once

#include <memory>

#include "refclusters/referenceSearch.h"
#include "results/tupleExtraction.h"

namespace tamsu::detail {

std::unique_ptr<listOfGeneClusters> clustersFromReferenceClusters(const ReferenceClusterList& list, int K);

// Pieces built from one reference cluster (K genomes).
geneCluster clusterFromReferenceCluster(const ReferenceCluster& cluster, Mode type, int K);
ACI bestOccurrenceSet(const ReferenceCluster& cluster, int K);
ACI allOccurrenceSet(const ReferenceCluster& cluster, int K);
// The reference interval's distinct genes in order of first occurrence.
std::vector<int> referenceGeneSet(const ReferenceCluster& cluster);
// Per genome the copies of its locations: all of them, or only the leading
// ones at the first location's distance (the lists are sorted by distance).
std::vector<std::vector<approxOcc>> referenceOccurrenceLists(const ReferenceCluster& cluster, int K, bool bestOnly);
std::vector<approxOcc> referenceOccurrences(const LocationList& list, int g, bool bestOnly);

}  // namespace tamsu::detail
