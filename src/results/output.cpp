// Text reports.
#include "results/output.h"

// TODO(results): placeholder.
void fprintf_geneFamilyStatistics(FILE*, const SetOfSeqs&, const std::string&) {}
void fprintf_refClusterList(FILE*, const listOfRefClusters*, const SetOfSeqs&) {}
void fprintf_listOfGeneClusters(FILE*, const listOfGeneClusters&) {}
