// Text reports: the gene-family statistics file, the reference-cluster report
// and the extracted gene-cluster list.
#pragma once

#include <cstdio>
#include <functional>
#include <span>
#include <string>

#include "genomes/genomeSet.h"
#include "refclusters/referenceSearch.h"
#include "results/clusterSource.h"
#include "results/tupleExtraction.h"

namespace tamsu::detail {

// The text of the gene-family statistics file fileName, with the two notices
// of the run on stream. The caller writes the file once the run succeeded.
std::string geneFamilyStatistics(FILE* stream, const GenomeSet& set, const std::string& fileName);

// Reference clusters with their locations.
void printReferenceClusters(FILE* stream, const ReferenceClusterList& list, const GenomeSet& set);
// The location block of one genome in the reference-cluster report.
// One genome's locations of cluster under the genome's name.
void printLocations(FILE* stream, int genome, std::span<const Location> locations, const ReferenceCluster& cluster,
                    const GenomeSet& set);
void printReferenceCluster(FILE* stream, const ReferenceCluster& cluster, const GenomeSet& set, int index);

// The extracted clusters, their gene sets in the searches' codes (codeOf:
// family id -> code); after each cluster the listing waits for one
// character from keys (end of input just lets it go on; null: no pause).
void printGeneClusters(FILE* stream, const ClusterSource& clusters, const std::function<int(int)>& codeOf,
                       int genomeCount, FILE* keys);
void printGeneCluster(FILE* stream, const Cluster& cluster, const std::vector<int>& codes, int genomeCount);
void printOccurrenceSets(FILE* stream, const std::vector<OccurrenceSet>& sets, int genomeCount);
void printOccurrenceSet(FILE* stream, const OccurrenceSet& set, int genomeCount);
void printOccurrences(FILE* stream, const std::vector<Occurrence>& occList);
void printOccurrence(FILE* stream, const Occurrence& occ);

}  // namespace tamsu::detail
