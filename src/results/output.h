// Text reports: the gene-family statistics file, the reference-cluster report
// and the extracted gene-cluster list.
#pragma once

#include <cstdio>
#include <string>

#include "genomes/setOfSeqs.h"
#include "refclusters/dLocs.h"
#include "results/geneClusters.h"

// Writes <stem>.genFamStat and a notice on stream; a file that cannot be
// created is reported on stderr and the run goes on.
void fprintf_geneFamilyStatistics(FILE* stream, const SetOfSeqs& set, const std::string& stem);
void fprintf_refClusterList(FILE* stream, const listOfRefClusters* list, const SetOfSeqs& set);
void fprintf_listOfGeneClusters(FILE* stream, const listOfGeneClusters& list);
