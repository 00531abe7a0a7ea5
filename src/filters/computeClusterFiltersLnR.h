// Enumeration of cluster filters over all reference intervals for the median
// and center searches.
#pragma once

#include "genomes/setOfSeqs.h"
#include "params/parameterArray.h"

struct ResultArray;

// False when the host cancelled the run.
bool computeFiltersAlg3(SetOfSeqs& set, const ParameterArray& params, ResultArray& result);
