// Candidate occurrences of a cluster filter in the non-reference genomes:
// maximal intervals around the occurrences of the filter's characters,
// within each genome's distance budget.
#pragma once

#include "filters/pattern.h"
#include "genomes/setOfSeqs.h"
#include "params/parameterArray.h"

// Adds every candidate interval of every genome other than the reference
// genome to the pattern's matches record, under its distance to the pattern.
// Ranks, L and R must be current for the reference position; D is unused (the
// per-genome bound is the pattern's maxRemDists).
void computeSuperIntervals(Pattern& pattern, const SetOfSeqs& set, int D, const ParameterArray& params);
