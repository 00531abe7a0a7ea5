// Extraction of the uniform result form (gene clusters with their best and
// all occurrence sets) from the k-tuples of the median and center searches.
#pragma once

#include <memory>
#include <vector>

#include "tamsu/types.h"

using tamsu::ACI;
using tamsu::approxOcc;
using tamsu::geneCluster;
using tamsu::listOfGeneClusters;

struct kTupleList;
struct kTuple;

// Extraction from a k-tuple list sorted by gene content: one cluster per run
// of adjacent tuples with equal gene content.
std::unique_ptr<listOfGeneClusters> extractGeneClusters(const kTupleList& list);

// Pieces built from one k-tuple of a list with K genomes.
geneCluster createGeneCluster(const kTuple& tuple, int K);
ACI init_ACI(const kTuple& tuple, int K);
// The tuple's gene content, ascending (also the gene set its p-values are computed for).
std::vector<int> createConsensusSet(const kTuple& tuple);
std::vector<std::vector<approxOcc>> copy_dLocLists(const kTuple& tuple, int K);
approxOcc copy_dLoc(const kTuple& tuple, int g);

// Number of the K occurrence lists that are not empty.
int computeSupport(const ACI& aci, int K);
