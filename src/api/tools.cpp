// The public calls around a search: conversion, pictures and explanations.
#include "tamsu/tamsu.h"

#include "convert/convert.h"
#include "convert/families.h"
#include "explain/explain.h"
#include "plot/clusterPlot.h"

namespace tamsu {

ConvertSummary convertGenomes(const ConvertRequest& request, FILE* genomeList, FILE* annotation, FILE* genes) {
    return ::convertGenomes(request, genomeList, annotation, genes);
}

FamiliesSummary buildFamilies(const FamiliesRequest& request, FILE* table, FILE* log) {
    return ::buildFamilies(request, table, log);
}

void printFamiliesSummary(FILE* out, const FamiliesSummary& summary) { ::printFamiliesSummary(out, summary); }

void printConvertSummary(FILE* out, const ConvertSummary& summary) { ::printConvertSummary(out, summary); }

std::vector<std::string> plotClusters(const Genomes& genomes, const std::string& clusterTablePath,
                                      const PlotOptions& options) {
    return plotClusterTable(clusterTablePath, genomes.data(), options);
}

Explanation explain(const Genomes& genomes, const std::vector<int>& familyIds, const Query& query) {
    return explainGeneSet(genomes.data(), familyIds, query);
}

}  // namespace tamsu
