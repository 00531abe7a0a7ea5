// Enumeration of cluster filters over all reference intervals for the median
// and center searches.
#pragma once

#include "filters/pattern.h"
#include "genomes/setOfSeqs.h"
#include "params/parameterArray.h"

struct ResultArray;

// False when the host cancelled the run.
bool computeFiltersAlg3(SetOfSeqs& set, const ParameterArray& params, ResultArray& result);

// The cheap tests of a grown reference interval: size, infrequent characters
// (median mode) and the frequency of its border characters.
bool isValidCF(Pattern& pattern, const SetOfSeqs& set, const ParameterArray& params);
// Lower bounds, per genome, of the distance between the pattern's character
// set and any interval: evaluated around every occurrence of newChar.
void minDistsToI_ref(Pattern& pattern, const SetOfSeqs& set, int D);
// Smallest distance between a set of size characters (those ranked 1..size)
// and an interval of chrom through position p, with at most D foreign
// characters; intervals reaching left of prev are not considered.
int computeDist(int p, int D, int size, const Chromosome& chrom, int prev);
// Whether the bounds already rule the filter out.
bool areMinDistsTooBig(const Pattern& pattern, const ParameterArray& params);
// Per-genome distance budget of the candidate intervals.
void compute_maxRemDists(Pattern& pattern, const ParameterArray& params);
