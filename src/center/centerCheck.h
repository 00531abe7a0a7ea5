// Center test of center mode: do a k-tuple's occurrences admit a common
// center within the pair-wise threshold?
#pragma once

#include "genomes/setOfSeqs.h"
#include "median/kTuples.h"

// Sets centerState of every tuple: 2 when a center exists, 1 when none does.
void check_center_condition(kTupleList* list, const SetOfSeqs& set, int pwDelta);
