// Extraction of the clusters (gene sets with their best and all occurrence
// sets) from the k-tuples of the median and center searches. Families stay
// recoded here; the driver maps them to the ids as read.
#pragma once

#include <vector>

#include "tamsu/types.h"

namespace tamsu::detail {

struct TupleList;
struct ClusterTuple;

// Extraction from a k-tuple list sorted by gene content: one cluster per run
// of adjacent tuples with equal gene content.
std::vector<Cluster> clustersFromTuples(const TupleList& list);

// Pieces built from one k-tuple of a list with K genomes.
Cluster clusterFromTuple(const ClusterTuple& tuple, int K);
OccurrenceSet occurrenceSetFromTuple(const ClusterTuple& tuple, int K);
// The tuple's gene content, ascending (also the gene set its p-values are computed for).
std::vector<std::vector<Occurrence>> tupleOccurrenceLists(const ClusterTuple& tuple, int K);
Occurrence tupleOccurrence(const ClusterTuple& tuple, int g);

// Number of the K occurrence lists that are not empty.
int countSupport(const OccurrenceSet& set, int K);

}  // namespace tamsu::detail
