// Significance of clusters: p-values from a binomial model of each genome's
// gene-family frequencies.
#pragma once

#include <vector>

#include "genomes/setOfSeqs.h"
#include "median/kTuples.h"
#include "refclusters/dLocs.h"

void computeStatistics(kTupleList* list, const SetOfSeqs& set);
void computeStatisticsRef(listOfRefClusters* list, const SetOfSeqs& set);
