// The run driver: the one sequence of a run that every entry shares.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <vector>

#include "genomes/genomeSet.h"
#include "median/tupleList.h"
#include "params/searchParameters.h"
#include "refclusters/referenceSearch.h"
#include "walk/progress.h"

namespace tamsu::detail {

// How much of a reference-based run this call does: the whole run, the
// search of one shard's part of the reference chromosomes, or the rest of the
// run from what every shard found.
struct RunPart {
    int shard = 0;                                // 0-based
    int shardCount = 0;                           // 0: not split
    std::vector<ChromClusters>* found = nullptr;  // merging: every reference chromosome's, walk order
};

// What one search leaves: its counts and, by mode, the median/center k-tuples,
// the reference clusters or one shard's part of them.
struct SearchResult {
    tamsu::SearchCounts counts;
    // Every mode's clusters, sorted and extracted, families as read (none for
    // a shard, nor for a reference-mode run asked for no records).
    std::vector<Cluster> clusters;
    // The reference clusters behind them (reference modes), for the reports.
    std::unique_ptr<ReferenceClusterList> referenceClusters;
    std::unique_ptr<ShardClusters> shardClusters;
    // The gene-family statistics file (the run names an output file and is
    // not a shard): its name and text, written by the caller after success.
    std::string statisticsPath;
    std::string statisticsText;
};

// Builds the index, computes the text of the gene-family statistics file
// statisticsPath (when set; the file is left to the caller), runs the mode's
// search (or the given part of it) and rates the clusters. Returns null when
// the run was cancelled.
// The searches' growing lists may hold maxMemory bytes (0: 80% of the
// physical memory); beyond it the run fails with a message. Without
// clusterRecords a reference-mode result holds its reference clusters only
// (referenceClusterSource makes the records from them).
std::unique_ptr<SearchResult> computeClusters(const GenomeSet& set, const SearchParameters& params, Progress& progress,
                                              const std::string& statisticsPath = {}, std::size_t maxMemory = 0,
                                              const RunPart& part = {}, bool clusterRecords = true);
// The parameters of a search of the query on these genomes.
SearchParameters searchParametersFor(const GenomeSet& set, const Query& query, int threads = 1);

// How many chromosomes a reference-based run walks as references (the first
// ones of the set).
int referenceChromosomeCount(const GenomeSet& set, const SearchParameters& params);

// The query header of the median and center searches.
void printMedianHeader(FILE* stream, const SearchParameters& params, const GenomeSet& set);

}  // namespace tamsu::detail
