// The run driver: the one sequence of a run that every entry shares.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

#include "genomes/setOfSeqs.h"
#include "median/kTuples.h"
#include "params/parameterArray.h"
#include "refclusters/dLocs.h"
#include "walk/progress.h"

// What one search leaves: its counts and, by mode, the median/center k-tuples
// or the reference clusters.
struct ResultArray {
    tamsu::SearchCounts counts;
    std::unique_ptr<struct kTupleList> kTupleList;
    std::unique_ptr<struct listOfRefClusters> refClusterList;
};

// Builds the index, writes the gene-family statistics file (when params name
// an output file), runs the mode's search and rates the clusters. Returns
// null when the run was cancelled.
// The searches' growing lists may hold maxMemory bytes (0: 80% of the
// physical memory); beyond it the run fails with a message.
std::unique_ptr<ResultArray> computeClusters(const SetOfSeqs& set, const ParameterArray& params, Progress& progress,
                                             std::size_t maxMemory = 0);

// The query header of the median and center searches.
void fprintHeader(FILE* stream, const ParameterArray& params, const SetOfSeqs& set);
