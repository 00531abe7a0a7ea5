// Export of the gene clusters of a run into the output file: a tab-separated
// table (one row per occurrence) or one JSON document. Both forms are
// described column by column in the README.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "genomes/genomeSet.h"
#include "results/clusterSource.h"
#include "results/tupleExtraction.h"

namespace tamsu::detail {

// The query of a run as the user gave it.
struct ClusterQuery {
    std::string mode;     // "median", "center", "reference" or "perfect"
    std::string refType;  // "discovery", "genome", "cluster"; empty outside the reference modes
    int delta = -1;
    int minClusterSize = -1;  // s; -1 when not given
    int quorum = -1;          // -1 without a quorum
    std::string qType;        // "zeroCost", "proportionateCost", "sizeDependentCost"; empty without a quorum
    std::string genomeList;   // path of the genome list as given
};

// Names and tags are taken as the input has them; a tab or line break inside
// one would break the table's rows, so it becomes a blank.
std::string tableField(std::string text);

ClusterQuery describeQuery(const tamsu::Query& query, const std::string& genomeList);
const char* modeName(tamsu::Mode mode);

// One distinct occurrence of a cluster. A cluster's occurrences are the union
// of the occurrences of all its occurrence sets (allClusters), each interval
// (genome, chromosome, first, last) once; it is "best" when one of the best
// occurrence sets (bestClusters) holds it. Positions are 1-based gene
// positions on the chromosome.
struct ExportedOccurrence {
    int genome = 0;      // index in the input order
    int chromosome = 0;  // index within the genome
    int first = 0;
    int last = 0;
    int setDist = 0;
    double score = 0.0;
    bool best = false;
};

// The occurrences of a cluster, ordered by genome, set distance, chromosome,
// first and last position.
std::vector<ExportedOccurrence> exportedOccurrences(const Cluster& cluster);

// The header line and one row per occurrence, clusters in list order.
void writeClusterTable(FILE* out, const ClusterSource& clusters, const GenomeSet& set, const std::string& mode);
// One JSON document: a header with the query and the genomes, then the
// clusters with their occurrences (the rows of the table, nested), written
// cluster by cluster.
void writeClusterJson(FILE* out, const ClusterSource& clusters, const GenomeSet& set, const ClusterQuery& query);

}  // namespace tamsu::detail
