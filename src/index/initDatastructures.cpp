// Occurrence index construction.
#include "index/initDatastructures.h"

// TODO(index): placeholder.
void initDataStructures(SetOfSeqs&, const ParameterArray&) {}
