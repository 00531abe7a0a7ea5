// Extraction from reference clusters.
#include "results/refGeneClusters.h"

// TODO(results): placeholder.
std::unique_ptr<listOfGeneClusters> extractRefGeneClusters(const listOfRefClusters&, int K) {
    auto list = std::make_unique<listOfGeneClusters>();
    list->genomeCount = K;
    return list;
}
