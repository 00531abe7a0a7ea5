// Extraction of gene clusters from the reference-cluster list.
#pragma once

#include <memory>

#include "refclusters/dLocs.h"
#include "results/geneClusters.h"

std::unique_ptr<listOfGeneClusters> extractRefGeneClusters(const listOfRefClusters& list, int K);
