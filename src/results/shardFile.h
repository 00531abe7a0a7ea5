// The partial result file of one shard of a split reference-based run: a
// versioned JSON document with the query, a fingerprint of the input files
// and the clusters of the shard's reference chromosomes before the run's
// final reduction.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "genomes/genomeSet.h"
#include "refclusters/referenceSearch.h"

namespace tamsu::detail {

// The version written; a reader takes only this one.
constexpr int kShardFileVersion = 1;

struct ShardFileHeader {
    int shard = 1;  // 1-based
    int shardCount = 1;
    std::vector<std::string> command;  // the query as words of the command line
    std::string inputFingerprint;
};

void writeShardFile(FILE* out, const ShardFileHeader& header, const ShardClusters& found, const GenomeSet& set);

// Reads a file written by writeShardFile; throws tamsu::Error naming path on
// anything else (also on arrays or objects nested deeper than any shard
// result's). The clusters are checked for form only: checkedShardClusters
// checks them against the genomes.
void readShardFile(const std::string& path, ShardFileHeader& header, ShardClusters& found);

// The clusters of found, once every chromosome, interval and count lies
// within the genomes set (so that no
// table is read past its end) and every size, hit count and set distance is
// the one the genes give; throws tamsu::Error naming path otherwise.
std::vector<ChromClusters> checkedShardClusters(const ShardClusters& found, const GenomeSet& set,
                                                const std::string& path);

}  // namespace tamsu::detail
