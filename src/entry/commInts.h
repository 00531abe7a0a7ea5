// The run driver that both entry points share, its result record, and the
// command-line run.
#pragma once

#include <cstdio>
#include <memory>

#include "genomes/setOfSeqs.h"
#include "median/kTuples.h"
#include "params/parameterArray.h"
#include "refclusters/dLocs.h"

struct ResultArray {
    int filterCount = 0;
    double kTupleCount = 0.0;
    double partialKTupleCount = 0.0;
    double completeKTupleCount = 0.0;
    int optBorderMedianCount = 0;
    int minSizeMedianCount = 0;
    int distinctKTupleCount = 0;
    int optimalMedianCount = 0;
    int overlapFreeMedianCount = 0;
    int refBasedKTupleCount = 0;
    int medianCenterCount = 0;
    std::unique_ptr<struct kTupleList> kTupleList;
    std::unique_ptr<struct listOfRefClusters> refClusterList;
};

std::unique_ptr<ResultArray> initResultArray(const SetOfSeqs& set);

// Builds the index, runs the mode's search and rates the clusters. Returns
// null when the host stopped the search. Preconditions: genomes read and
// recoded, setDerivedParameters done.
std::unique_ptr<ResultArray> computeClusters(SetOfSeqs& set, ParameterArray& params);

// Releases what is present, in this order: result, parameters (which reports
// the output names), genomes.
void freeAllocedStructs(std::unique_ptr<ResultArray>& result, std::unique_ptr<SetOfSeqs>& set,
                        std::unique_ptr<ParameterArray>& params);

void fprintHeader(FILE* stream, const ParameterArray& params, const SetOfSeqs& set);

// The whole command-line run; returns the exit status of a complete run (0)
// and throws TamsuError on any failure.
int runCommandLine(int argc, const char* const* argv);
