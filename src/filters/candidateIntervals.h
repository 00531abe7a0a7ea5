// Candidate occurrences of a cluster filter in the non-reference genomes:
// maximal intervals around the occurrences of the filter's characters,
// within each genome's distance budget.
#pragma once

#include "index/occurrenceIndex.h"
#include "occurrences/candidates.h"
#include "params/searchParameters.h"
#include "walk/pattern.h"
#include "walk/walkTables.h"

namespace tamsu::detail {

// Adds every candidate interval of every genome other than the reference
// genome to the matches record, under its distance to the pattern. Ranks, L
// and R must be current for the reference position; the per-genome bound is
// the pattern's maxRemDists.
void findCandidateIntervals(const Pattern& pattern, CandidateRecord& record, const OccurrenceIndex& index,
                            WalkTables& walk, const SearchParameters& params);

}  // namespace tamsu::detail
