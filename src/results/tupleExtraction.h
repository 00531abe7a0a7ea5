// Extraction of the uniform result form (gene clusters with their best and
// all occurrence sets) from the k-tuples of the median and center searches.
#pragma once

#include <memory>
#include <vector>

#include "tamsu/types.h"

namespace tamsu::detail {

struct TupleList;
struct ClusterTuple;

// Extraction from a k-tuple list sorted by gene content: one cluster per run
// of adjacent tuples with equal gene content.
std::unique_ptr<listOfGeneClusters> clustersFromTuples(const TupleList& list);

// Pieces built from one k-tuple of a list with K genomes.
geneCluster clusterFromTuple(const ClusterTuple& tuple, int K);
ACI occurrenceSetFromTuple(const ClusterTuple& tuple, int K);
// The tuple's gene content, ascending (also the gene set its p-values are computed for).
std::vector<std::vector<approxOcc>> tupleOccurrenceLists(const ClusterTuple& tuple, int K);
approxOcc tupleOccurrence(const ClusterTuple& tuple, int g);

// Number of the K occurrence lists that are not empty.
int countSupport(const ACI& aci, int K);

}  // namespace tamsu::detail
