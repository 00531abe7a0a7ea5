// Reference-based clusters: approximate occurrences (dLocs), their per-genome
// lists, reference clusters and the run's cluster list.
#pragma once

#include <list>
#include <vector>

struct dLoc {
    int genome = 0;
    int chr = 0;
    int l = 0;
    int r = 0;
    int setDist = 0;   // |P \ G| + |G \ P|
    int size = 0;      // |G|
    int hitCount = 0;  // |P ∩ G|
    double pValue = 0.0;
};

struct listOf_dLocs {
    int genome = 0;
    std::list<dLoc> locs;
    int count() const { return static_cast<int>(locs.size()); }
    bool empty() const { return locs.empty(); }
};

struct refCluster {
    int refGenome = 0;
    int refChrom = 0;
    int l = 0;
    int r = 0;
    int genomeCount = 0;
    int size = 0;
    int listCount = 0;
    double pValue = 0.0;
    std::vector<listOf_dLocs> dLocLists;  // one per genome
    std::vector<int> geneContentArray;    // distinct genes of the reference interval, first occurrence order
};

struct listOfRefClusters {
    char operationMode = 'r';
    std::list<refCluster> clusters;
    int count() const { return static_cast<int>(clusters.size()); }
};

#include <cstdio>

#include "genomes/setOfSeqs.h"
#include "params/parameterArray.h"

struct ResultArray;

// The location block of one genome in the reference-cluster report.
void fprintf_listOf_dLocsSeqs(FILE* stream, const listOf_dLocs& list, const refCluster& cluster,
                              const SetOfSeqs& set);

// The reference-based (and perfect) search; false when the host cancelled it.
bool computeReferenceClusters(SetOfSeqs& set, ParameterArray& params, ResultArray& result);
