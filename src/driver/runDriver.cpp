// The run driver: index, statistics file, the mode's search and its p-values.
#include "driver/runDriver.h"

#include <algorithm>

#include "filters/filterSearch.h"
#include "index/occurrenceIndex.h"
#include "results/clusterTable.h"
#include "results/referenceExtraction.h"
#include "results/reports.h"
#include "results/tupleExtraction.h"
#include "statistics/statistics.h"
#include "util/memoryBudget.h"

namespace tamsu::detail {

void printMedianHeader(FILE* stream, const SearchParameters& params, const GenomeSet& set) {
    std::fprintf(stream, "query parameters:\n\n");
    std::fprintf(stream,
                 params.isCenter() ? "  search mode:               center\n" : "  search mode:               median\n");
    std::fprintf(stream, "  distance threshold delta:  %d\n", params.summedDelta);
    std::fprintf(stream, "  distance threshold d:      %d\n", params.referenceBudget);
    std::fprintf(stream, "  minimal cluster size:      %d\n", params.minClusterSize);
    if (params.hasQuorum) std::fprintf(stream, "  quorum parameter:     %d\n", params.mayLack);
    std::fprintf(stream, "  species count:             %d\n", set.genomeCount());
    std::fprintf(stream, "  alphabet size:             %d\n", set.alphabetSize);
    std::fprintf(stream, "\n");
    std::fprintf(stream, "sequence information:\n\n");
    for (const Genome& genome : set.genomes)
        for (const Chromosome& chrom : genome.chromosomes)
            std::fprintf(stream, "  %s: %d genes\n", chrom.name.c_str(), chrom.length());
}

static std::unique_ptr<SearchResult> computeMedianOrCenterClusters(const GenomeSet& set, const OccurrenceIndex& index,
                                                                   const SearchParameters& params, Progress& progress,
                                                                   MemoryBudget& memory) {
    progress.printWith(Stream::err, [&](FILE* err) { printMedianHeader(err, params, set); });
    progress.print(Stream::out, "computing cluster filters ...\n\n");
    std::optional<TupleSearchResult> search = runFilterSearch(index, params, progress, memory);
    if (!search) {
        progress.print(Stream::out, "\ncomputation stopped.\n");
        return nullptr;
    }
    progress.print(Stream::out, "cluster computation finished\n");
    auto result = std::make_unique<SearchResult>();
    result->counts = search->counts;
    TupleList* list = search->tuples.get();
    result->counts.medianCenterCount = countCentralTuples(list, params);
    result->counts.refBasedKTupleCount = countTuplesWithExactOccurrence(list);
    progress.print(Stream::err, formatText("size: %d\n", list->foundCount()));
    removeDominatedTuples(list);
    result->counts.optimalMedianCount = list->size();
    result->counts.overlapFreeMedianCount = list->size() - countOverlappingTuples(list);
    sortTuplesByGeneContent(list);
    progress.print(Stream::out, "statistical evaluation of clusters...\n");
    scoreTuples(list, set);
    progress.print(Stream::out, "statistical evaluation finished\n");
    // Sorted again now that the p-values are set: within a gene content the
    // best p-value comes first, and the best occurrence sets are those equal to it.
    sortTuplesByGeneContent(list);
    result->clusters = clustersFromTuples(*list);
    return result;
}

static std::unique_ptr<SearchResult> computeReferenceBasedClusters(const GenomeSet& set, const OccurrenceIndex& index,
                                                                   const SearchParameters& params, Progress& progress,
                                                                   MemoryBudget& memory, const RunPart& part,
                                                                   bool clusterRecords) {
    progress.print(Stream::out, "computing reference gene clusters\n");
    auto result = std::make_unique<SearchResult>();
    if (part.shardCount > 0) {
        const ChromRange all = referenceChromosomes(index, params);
        const ChromRange refs = splitByGenes(index, all, part.shard, part.shardCount);
        std::optional<std::vector<ChromClusters>> found =
            searchReferenceChromosomes(index, params, progress, refs, &memory);
        if (!found) {
            progress.print(Stream::out, "\ncomputation stopped.\n");
            return nullptr;
        }
        progress.endRun();
        if (refs.first == refs.end)
            progress.print(Stream::out, formatText("shard %d of %d: no reference chromosome to search\n",
                                                   part.shard + 1, part.shardCount));
        else
            progress.print(Stream::out, formatText("shard %d of %d searched: reference chromosomes %d to %d of %d\n",
                                                   part.shard + 1, part.shardCount, refs.first + 1, refs.end, all.end));
        result->shardClusters =
            std::make_unique<ShardClusters>(ShardClusters{refs, std::move(*found), set.genomeCount()});
        return result;
    }
    std::optional<ReferenceClusterList> clusters;
    if (part.found != nullptr) {
        replayReferenceSearch(index, params, progress);
        clusters = gatherReferenceClusters(std::move(*part.found), index, params, progress);
    } else {
        clusters = computeReferenceClusters(index, params, progress, &memory);
    }
    if (!clusters) {
        progress.print(Stream::out, "\ncomputation stopped.\n");
        return nullptr;
    }
    progress.print(Stream::out, "cluster computation finished\n");
    scoreReferenceClusters(&*clusters, set, params.threads);
    if (clusterRecords) result->clusters = clustersFromReferenceClusters(*clusters, set.genomeCount());
    result->referenceClusters = std::make_unique<ReferenceClusterList>(std::move(*clusters));
    return result;
}

// With the distance bound of these genomes: the depth at which a large delta
// stops sizing the searches' tables.
SearchParameters searchParametersFor(const GenomeSet& set, const Query& query, int threads) {
    int longest = 0;
    for (const Genome& genome : set.genomes)
        for (const Chromosome& chrom : genome.chromosomes) longest = std::max(longest, chrom.length());
    SearchParameters params =
        deriveSearchParameters(query, set.genomeCount(), distanceBound(set.alphabetSize, longest));
    params.threads = std::max(threads, 1);
    return params;
}

std::unique_ptr<SearchResult> computeClusters(const GenomeSet& set, const SearchParameters& params, Progress& progress,
                                              const std::string& statisticsPath, std::size_t maxMemory,
                                              const RunPart& part, bool clusterRecords) {
    MemoryBudget memory(maxMemory, modeName(params.mode));
    // Only the median and center filters read NUM.
    const bool medianOrCenter = params.mode == Mode::median || params.mode == Mode::center;
    progress.print(Stream::out, "initializing data structures\n");
    const OccurrenceIndex index = buildOccurrenceIndex(set, params.useNUM && medianOrCenter);
    std::string statistics;
    if (!statisticsPath.empty())
        progress.printWith(Stream::out,
                           [&](FILE* out) { statistics = geneFamilyStatistics(out, set, statisticsPath); });
    std::unique_ptr<SearchResult> result =
        medianOrCenter ? computeMedianOrCenterClusters(set, index, params, progress, memory)
                       : computeReferenceBasedClusters(set, index, params, progress, memory, part, clusterRecords);
    if (result) {
        // The searches work on the dense codes; callers see the ids as read.
        for (Cluster& cluster : result->clusters)
            for (int& family : cluster.families) family = set.codingTable[family];
        result->statisticsPath = statisticsPath;
        result->statisticsText = std::move(statistics);
    }
    return result;
}

int referenceChromosomeCount(const GenomeSet& set, const SearchParameters& params) {
    const int refGenomes = std::min(referenceGenomeCount(params, set.genomeCount()), set.genomeCount());
    int count = 0;
    for (int g = 0; g < refGenomes; ++g)
        count += static_cast<int>(set.genomes[static_cast<size_t>(g)].chromosomes.size());
    return count;
}

}  // namespace tamsu::detail
