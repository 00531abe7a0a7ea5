// p-values of clusters.
#include "statistics/statistics.h"

// TODO(statistics): placeholder.
void computeStatistics(kTupleList*, const SetOfSeqs&) {}
void computeStatisticsRef(listOfRefClusters*, const SetOfSeqs&) {}
