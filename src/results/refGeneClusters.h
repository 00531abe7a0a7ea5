// Extraction of gene clusters from the reference-cluster list.
#pragma once

#include <memory>

#include "refclusters/dLocs.h"
#include "results/geneClusters.h"

std::unique_ptr<listOfGeneClusters> extractRefGeneClusters(const listOfRefClusters& list, int K);

// Pieces built from one reference cluster (K genomes).
geneCluster createRefGeneCluster(const refCluster& cluster, Mode type, int K);
ACI init_bestACI(const refCluster& cluster, int K);
ACI init_allACI(const refCluster& cluster, int K);
// The reference interval's distinct genes in order of first occurrence.
std::vector<int> createReferenceSet(const refCluster& cluster);
// Per genome the copies of its locations: all of them, or only the leading
// ones at the first location's distance (the lists are sorted by distance).
std::vector<std::vector<approxOcc>> copy_dLocListsRef(const refCluster& cluster, int K, bool bestOnly);
std::vector<approxOcc> copy_dLocRef(const listOf_dLocs& list, int g, bool bestOnly);
