// Why a gene set is or is not a cluster: its best interval in every genome
// and the search's rules applied to it.
#pragma once

#include <vector>

#include "genomes/genomeSet.h"
#include "tamsu/tools.h"
#include "tamsu/types.h"

namespace tamsu::detail {

// The gene set is given by family ids as read. The query's mode decides the
// rules: the summed distance for median, the distance to every occurrence
// (with the quorum) for center, reference and perfect, and for the reference
// modes an interval of a reference genome with exactly the set and its
// essential genes found in other genomes. A delta below 0 counts as 0.
tamsu::Explanation explainGeneSet(const GenomeSet& set, const std::vector<int>& familyIds, const tamsu::Query& query);

}  // namespace tamsu::detail
