// Location lists, reference clusters, the reference search and its reductions.
#include "refclusters/dLocs.h"

#include "util/errors.h"

bool computeReferenceClusters(SetOfSeqs&, ParameterArray& params, ResultArray&) {
    fail(stderr, "error: %s mode is not available yet\n",
         params.operationMode == 'p' ? "perfect" : "reference-based");
}
