// The run driver and the command-line run.
#include "entry/commInts.h"

#include "center/centerCheck.h"
#include "filters/computeClusterFiltersLnR.h"
#include "genomes/readGenomes.h"
#include "index/initDatastructures.h"
#include "results/output.h"
#include "results/refGeneClusters.h"
#include "statistics/statistics.h"
#include "util/errors.h"

std::unique_ptr<ResultArray> initResultArray(const SetOfSeqs& set) {
    auto result = std::make_unique<ResultArray>();
    result->kTupleList = std::make_unique<kTupleList>();
    result->kTupleList->k = set.genomeCount;
    return result;
}

void fprintHeader(FILE* stream, const ParameterArray& params, const SetOfSeqs& set) {
    std::fprintf(stream, "query parameters:\n\n");
    std::fprintf(stream, params.isCenter ? "  search mode:               center\n"
                                         : "  search mode:               median\n");
    std::fprintf(stream, "  distance threshold delta:  %d\n", params.delta);
    std::fprintf(stream, "  distance threshold d:      %d\n", params.d);
    std::fprintf(stream, "  minimal cluster size:      %d\n", params.minClusterSize);
    if (params.hasQuorum) std::fprintf(stream, "  quorum parameter:     %d\n", params.q);
    std::fprintf(stream, "  species count:             %d\n", set.genomeCount);
    std::fprintf(stream, "  alphabet size:             %d\n", set.alphabetSize);
    std::fprintf(stream, "\n");
    std::fprintf(stream, "sequence information:\n\n");
    for (const Genome& genome : set.genomes)
        for (const Chromosome& chrom : genome.chromosomes)
            std::fprintf(stream, "  %s: %d genes\n", chrom.name.c_str(), chrom.length);
}

static std::unique_ptr<ResultArray> computeMedianOrCenterClusters(SetOfSeqs& set, ParameterArray& params,
                                                                  std::unique_ptr<ResultArray> result) {
    fprintHeader(stderr, params, set);
    std::printf("computing cluster filters ...\n\n");
    if (!computeFiltersAlg3(set, params, *result)) {
        std::printf("\ncomputation stopped.\n");
        return nullptr;
    }
    std::printf("cluster computation finished\n");
    kTupleList* list = result->kTupleList.get();
    result->medianCenterCount = countMedianCenters(list, params);
    result->refBasedKTupleCount = countRefBased_kTuples(list, set);
    if (params.isCenter) {
        check_center_condition(list, set, params.pwDelta);
        remove_NonCenter_kTuples(list);
    }
    std::fprintf(stderr, "size: %d\n", list->size());
    removeSuboptimal_kTuples(list);
    result->optimalMedianCount = list->size();
    result->overlapFreeMedianCount = list->size() - countNonSubsumed_kTuples(list);
    sort_kTupleList_byGeneContent(list);
    std::printf("statistical evaluation of clusters...\n");
    computeStatistics(list, set);
    std::printf("statistical evaluation finished\n");
    return result;
}

static std::unique_ptr<ResultArray> computeReferenceBasedClusters(SetOfSeqs& set, ParameterArray& params,
                                                                  std::unique_ptr<ResultArray> result) {
    std::printf("computing reference gene clusters\n");
    if (!computeReferenceClusters(set, params, *result)) {
        std::printf("\ncomputation stopped.\n");
        return nullptr;
    }
    std::printf("cluster computation finished\n");
    distTo_I_ref(result->kTupleList.get());
    computeStatisticsRef(result->refClusterList.get(), set);
    return result;
}

std::unique_ptr<ResultArray> computeClusters(SetOfSeqs& set, ParameterArray& params) {
    auto result = initResultArray(set);
    initDataStructures(set, params);
    fprintf_geneFamilyStatistics(stdout, set, params.outfileBase);
    if (params.operationMode != 'r' && params.operationMode != 'p')
        return computeMedianOrCenterClusters(set, params, std::move(result));
    return computeReferenceBasedClusters(set, params, std::move(result));
}

void freeAllocedStructs(std::unique_ptr<ResultArray>& result, std::unique_ptr<SetOfSeqs>& set,
                        std::unique_ptr<ParameterArray>& params) {
    result.reset();
    if (params) freeParameterArray(params);
    set.reset();
}

int runCommandLine(int argc, const char* const* argv) {
    std::unique_ptr<ParameterArray> params = readParameters(argc, argv);
    fprintParameterArray(stdout, *params);
    std::unique_ptr<SetOfSeqs> set = readGenomes(argv[1]);
    fprintf_genomeStatistics(stdout, *set);
    setDerivedParameters(*params, set->genomeCount);

    std::unique_ptr<ResultArray> result = computeClusters(*set, *params);
    if (result) {
        // The output file is created empty; nothing is written into it.
        std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(params->outfile.c_str(), "w"), std::fclose);
        if (!out) fail(stderr, "Can't open output file: %s\n", params->outfile.c_str());
        if (params->operationMode == 'r' || params->operationMode == 'p') {
            fprintf_refClusterList(stdout, result->refClusterList.get(), *set);
            std::fprintf(stderr, "now extracting:\n");
            const listOfRefClusters empty;
            const listOfRefClusters& found = result->refClusterList ? *result->refClusterList : empty;
            std::unique_ptr<listOfGeneClusters> clusters = extractRefGeneClusters(found, set->genomeCount);
            std::fprintf(stderr, "extracted:\n");
            fprintf_listOfGeneClusters(stderr, *clusters);
        }
    }
    freeAllocedStructs(result, set, params);
    return 0;
}
