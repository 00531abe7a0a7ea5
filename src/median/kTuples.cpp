// k-tuple records and lists.
#include "median/kTuples.h"

// TODO(median): placeholder.
int countMedianCenters(const kTupleList*, const ParameterArray&) { return 0; }
int countRefBased_kTuples(kTupleList*, const SetOfSeqs&) { return 0; }
void remove_NonCenter_kTuples(kTupleList*) {}
void removeSuboptimal_kTuples(kTupleList*) {}
int countNonSubsumed_kTuples(const kTupleList*) { return 0; }
void sort_kTupleList_byGeneContent(kTupleList*) {}
void distTo_I_ref(kTupleList*) {}
