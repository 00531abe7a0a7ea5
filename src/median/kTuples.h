// k-tuples: median and center cluster candidates (one interval per genome),
// and their list in canonical order.
#pragma once

#include <list>
#include <vector>

#include "genomes/setOfSeqs.h"
#include "params/parameterArray.h"

struct kTupleInterval {
    int l = 0;
    int r = 0;           // empty when l > r
    int chr = 0;
    int dist = 0;        // distance to the majority median (countRefBased_kTuples)
    int extraChars = 0;
};

struct medianElement {
    int gene = 0;
    int occCount = 0;
};

struct kTuple {
    int totalDist = 0;
    char operationMode = 'm';
    std::vector<double> pValues;                // k, 1.0 at creation
    double pValue = 1.0;
    std::vector<kTupleInterval> intervalArray;  // k
    std::vector<medianElement> median;          // the cluster's gene content
    std::vector<unsigned char> intervalOccs;    // k x (localCharCount + 1), flat
    std::vector<int> occCount;                  // localCharCount + 1
    int localCharCount = 0;
    std::vector<int> localChars;                // localCharCount + 1
    char centerState = 0;                       // 0 unevaluated, 1 fails, 2 passes
    std::vector<int> geneContentArray;          // median genes ascending, after the gene-content sort
    bool hasGeneContentArray = false;

    unsigned char intervalOcc(int g, int c) const {
        return intervalOccs[static_cast<size_t>(g) * (localCharCount + 1) + c];
    }
};

// The list owns its tuples; std::list keeps order under insertion and removal.
struct kTupleList {
    int k = 0;
    std::list<kTuple> tuples;
    int size() const { return static_cast<int>(tuples.size()); }
};

// Driver-level operations on the result list (in the order the driver runs them).
int countMedianCenters(const kTupleList* list, const ParameterArray& params);
int countRefBased_kTuples(kTupleList* list, const SetOfSeqs& set);
void remove_NonCenter_kTuples(kTupleList* list);
void removeSuboptimal_kTuples(kTupleList* list);
int countNonSubsumed_kTuples(const kTupleList* list);
void sort_kTupleList_byGeneContent(kTupleList* list);
// Distance pass of the reference modes.
void distTo_I_ref(kTupleList* list);

// Per-tuple queries of the result extraction.
int countRefOccsIn_kTuple(const kTuple& tuple, int k);
int find_minPwDistIn_kTuple(const kTuple& tuple, int k);
int find_maxPwDistIn_kTuple(const kTuple& tuple, int k);
bool isEqualGeneContentArray(const kTuple* a, const kTuple* b);
