// Cluster-filter enumeration of the median and center searches.
#include "filters/computeClusterFiltersLnR.h"

#include "util/errors.h"

bool computeFiltersAlg3(SetOfSeqs&, const ParameterArray& params, ResultArray&) {
    fail(stderr, "error: %s mode is not available yet\n", params.isCenter ? "center" : "median");
}
