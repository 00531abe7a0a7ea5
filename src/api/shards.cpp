// Runs split into shards by reference chromosome: one shard's search, its
// result file, and the merge that finishes the run.
#include <algorithm>
#include <iterator>

#include "api/callStreams.h"
#include "params/searchParameters.h"
#include "results/shardFile.h"

namespace tamsu {

using namespace detail;

namespace {

void requireReferenceMode(const Query& query) {
    if (query.mode != Mode::reference && query.mode != Mode::perfect)
        fail(Stream::err,
             "error: only reference-based and perfect runs (-r, -p) split into shards; a %s run needs all genomes "
             "at once\n",
             query.mode == Mode::median ? "median" : "center");
}

}  // namespace

std::string inputFingerprint(const Genomes& genomes) {
    const std::string& fingerprint = genomes.data().inputFingerprint;
    if (fingerprint.empty())
        fail(Stream::err, "error: genomes that were not read from a genome list have no input fingerprint\n");
    return fingerprint;
}

ShardResult findShardClusters(const Genomes& genomes, const Query& query, int shard, int shardCount,
                              RunContext& context) {
    const GenomeSet& set = genomes.data();
    validate(query, set.genomeCount());
    requireReferenceMode(query);
    if (shardCount < 1 || shard < 1 || shard > shardCount)
        fail(Stream::err, "error: no shard %d of %d (shards are 1..N)\n", shard, shardCount);
    const SearchParameters params = searchParametersFor(set, query, context.threads);
    CallStatus status(context);
    Progress progress(status.get());
    RunPart part;
    part.shard = shard - 1;
    part.shardCount = shardCount;
    std::unique_ptr<SearchResult> found = computeClusters(set, params, progress, {}, context.maxMemory, part);
    ShardResult result;
    result.shard = shard;
    result.shardCount = shardCount;
    if (found && found->shardClusters)
        result.clusters = std::make_shared<const ShardResult::Clusters>(std::move(*found->shardClusters));
    return result;
}

void writeShardResult(FILE* out, const ShardResult& result, const Genomes& genomes) {
    if (!result.clusters)
        fail(Stream::err, "error: shard %d of %d was not searched to its end\n", result.shard, result.shardCount);
    ShardFileHeader header{result.shard, result.shardCount, result.command, result.inputFingerprint};
    writeShardFile(out, header, *result.clusters, genomes.data());
}

ShardResult readShardResult(const std::string& path) {
    ShardFileHeader header;
    auto clusters = std::make_shared<ShardResult::Clusters>();
    readShardFile(path, header, *clusters);
    ShardResult result;
    result.shard = header.shard;
    result.shardCount = header.shardCount;
    result.command = std::move(header.command);
    result.inputFingerprint = std::move(header.inputFingerprint);
    result.clusters = std::move(clusters);
    result.source = path;
    return result;
}

std::vector<ShardResult> orderShards(std::vector<ShardResult> results) {
    if (results.empty()) fail(Stream::err, "error: no shard results given\n");
    const ShardResult& first = results.front();
    const int n = first.shardCount;
    std::vector<const ShardResult*> byShard(static_cast<std::size_t>(std::max(n, 0)), nullptr);
    for (const ShardResult& result : results) {
        const char* name = result.source.c_str();
        if (result.shardCount != n)
            fail(Stream::err, "error: %s is one of %d shards, %s one of %d: they belong to different runs\n", name,
                 result.shardCount, first.source.c_str(), n);
        if (result.shard < 1 || result.shard > n)
            fail(Stream::err, "error: %s claims shard %d of %d\n", name, result.shard, n);
        if (result.command != first.command)
            fail(Stream::err, "error: %s and %s are shards of different queries\n", name, first.source.c_str());
        if (result.inputFingerprint != first.inputFingerprint)
            fail(Stream::err, "error: %s and %s are shards of different input files\n", name, first.source.c_str());
        const ShardResult*& slot = byShard[static_cast<std::size_t>(result.shard - 1)];
        if (slot != nullptr)
            fail(Stream::err, "error: %s and %s are both shard %d of %d\n", slot->source.c_str(), name, result.shard,
                 n);
        slot = &result;
    }
    std::vector<ShardResult> ordered;
    for (int i = 0; i < n; ++i) {
        if (byShard[static_cast<std::size_t>(i)] == nullptr)
            fail(Stream::err, "error: shard %d of %d is missing\n", i + 1, n);
        ordered.push_back(*byShard[static_cast<std::size_t>(i)]);
    }
    return ordered;
}

Result mergeShards(const Genomes& genomes, const Query& query, const std::vector<ShardResult>& shards,
                   RunContext& context) {
    const GenomeSet& set = genomes.data();
    validate(query, set.genomeCount());
    requireReferenceMode(query);
    const SearchParameters params = searchParametersFor(set, query, context.threads);
    // The shards' parts must tile the reference chromosomes in order.
    std::vector<ChromClusters> found;
    int next = 0;
    for (const ShardResult& shard : shards) {
        if (!shard.clusters)
            fail(Stream::err, "error: shard %d of %d holds no clusters\n", shard.shard, shard.shardCount);
        const ShardClusters& part = *shard.clusters;
        if (part.refs.first != next)
            fail(Stream::err, "error: %s starts at reference chromosome %d, not %d: the shards do not fit together\n",
                 shard.source.c_str(), part.refs.first, next);
        std::vector<ChromClusters> chroms = checkedShardClusters(part, set, shard.source);
        std::move(chroms.begin(), chroms.end(), std::back_inserter(found));
        next = part.refs.end;
    }
    if (next != referenceChromosomeCount(set, params))
        fail(Stream::err, "error: the shards hold %d reference chromosomes, the run has %d\n", next,
             referenceChromosomeCount(set, params));
    CallStatus status(context);
    Progress progress(status.get());
    RunPart part;
    part.found = &found;
    Result result = resultOf(computeClusters(set, params, progress, context.statisticsPath, context.maxMemory, part,
                                             context.clusterRecords));
    if (context.writeStatistics) writeStatisticsFile(result);
    return result;
}

}  // namespace tamsu
