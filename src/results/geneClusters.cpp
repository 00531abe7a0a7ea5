// Extraction from k-tuples.
#include "results/geneClusters.h"

#include "median/kTuples.h"

// TODO(results): placeholder.
std::unique_ptr<listOfGeneClusters> extractGeneClusters(const kTupleList& list) {
    auto result = std::make_unique<listOfGeneClusters>();
    result->genomeCount = list.k;
    return result;
}
