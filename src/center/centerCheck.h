// Center test of center mode: do a k-tuple's occurrences admit a common
// center within the pair-wise threshold?
#pragma once

#include "genomes/genomeSet.h"
#include "median/tupleList.h"

namespace tamsu::detail {

// Sets centerState of every tuple: 2 when a center exists, 1 when none does.
void check_center_condition(TupleList* list, const GenomeSet& set, int pwDelta);

}  // namespace tamsu::detail
