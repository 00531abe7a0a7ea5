// Text reports: the gene-family statistics file, the reference-cluster report
// and the extracted gene-cluster list.
#pragma once

#include <cstdio>
#include <string>

#include "genomes/setOfSeqs.h"
#include "refclusters/dLocs.h"
#include "results/geneClusters.h"

// Writes <stem>.genFamStat and a notice on stream; a file that cannot be
// created is reported on err and the run goes on.
void fprintf_geneFamilyStatistics(FILE* stream, FILE* err, const SetOfSeqs& set, const std::string& stem);

// Reference clusters with their locations.
void fprintf_refClusterList(FILE* stream, const listOfRefClusters& list, const SetOfSeqs& set);
// The location block of one genome in the reference-cluster report.
void fprintf_listOf_dLocsSeqs(FILE* stream, const listOf_dLocs& list, const refCluster& cluster,
                              const SetOfSeqs& set);
void fprintf_refCluster(FILE* stream, const refCluster& cluster, const SetOfSeqs& set, int index);

// The extracted clusters; after each cluster the listing waits for one
// character from keys (end of input just lets it go on; null: no pause).
void fprintf_listOfGeneClusters(FILE* stream, const listOfGeneClusters& list, FILE* keys);
void fprintf_geneCluster(FILE* stream, const geneCluster& cluster, int genomeCount);
void fprintf_consensusSet(FILE* stream, const std::vector<int>& consensusSet);
void fprintf_aciList(FILE* stream, const std::vector<ACI>& aciList, int genomeCount);
void fprintf_aci(FILE* stream, const ACI& aci, int genomeCount);
void fprintf_dLocList(FILE* stream, const std::vector<approxOcc>& occList);
void fprintf_approxOCC(FILE* stream, const approxOcc& occ);
