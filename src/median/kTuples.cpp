// k-tuple records and lists.
#include "median/kTuples.h"

#include <algorithm>

// TODO(median): placeholder.
int countMedianCenters(const kTupleList*, const ParameterArray&) { return 0; }
int countRefBased_kTuples(kTupleList*, const SetOfSeqs&) { return 0; }
void remove_NonCenter_kTuples(kTupleList*) {}
void removeSuboptimal_kTuples(kTupleList*) {}
int countNonSubsumed_kTuples(const kTupleList*) { return 0; }
void sort_kTupleList_byGeneContent(kTupleList*) {}
void distTo_I_ref(kTupleList*) {}

int countRefOccsIn_kTuple(const kTuple& tuple, int k) {
    int count = 0;
    for (int g = 0; g < k; ++g)
        if (tuple.intervalArray[g].dist == 0) ++count;
    return count;
}

int find_minPwDistIn_kTuple(const kTuple& tuple, int k) {
    if (k < 1) return tuple.intervalArray.empty() ? 0 : tuple.intervalArray[0].dist;
    int best = tuple.intervalArray[0].dist;
    for (int g = 1; g < k; ++g) best = std::min(best, tuple.intervalArray[g].dist);
    return best;
}

int find_maxPwDistIn_kTuple(const kTuple& tuple, int k) {
    if (k < 1) return tuple.intervalArray.empty() ? 0 : tuple.intervalArray[0].dist;
    int best = tuple.intervalArray[0].dist;
    for (int g = 1; g < k; ++g) best = std::max(best, tuple.intervalArray[g].dist);
    return best;
}

bool isEqualGeneContentArray(const kTuple* a, const kTuple* b) {
    if (a == nullptr || b == nullptr) return false;
    return a->median.size() == b->median.size() && a->geneContentArray == b->geneContentArray;
}
