// The public calls around a search: conversion, pictures and explanations.
#include "tamsu/tamsu.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "api/callStreams.h"
#include "convert/convert.h"
#include "convert/families.h"
#include "explain/explain.h"
#include "plot/clusterPlot.h"
#include "report/htmlReport.h"

namespace tamsu {

using namespace detail;

ConvertSummary convertGenomes(const ConvertRequest& request, FILE* genomeList, FILE* annotation, FILE* genes) {
    return detail::convertGenomes(request, genomeList, annotation, genes);
}

FamiliesSummary buildFamilies(const FamiliesRequest& request, FILE* table, FILE* log) {
    return detail::buildFamilies(request, table, log);
}

void printFamiliesSummary(FILE* out, const FamiliesSummary& summary) { detail::printFamiliesSummary(out, summary); }

void printConvertSummary(FILE* out, const ConvertSummary& summary) { detail::printConvertSummary(out, summary); }

std::vector<std::string> plotClusters(const Genomes& genomes, const std::string& clusterTablePath,
                                      const PlotOptions& options) {
    return plotClusterTable(clusterTablePath, genomes.data(), options);
}

void writeReport(FILE* out, const Genomes& genomes, const std::string& clusterTablePath, int flank) {
    if (flank < 0) throw Error(Stream::err, "error: the flank must be at least 0\n");
    const std::string page = htmlReport(clusterTablePath, genomes.data(), flank);
    std::fwrite(page.data(), 1, page.size(), out);
}

// The verdict comes from the search itself, so that explain and the run
// cannot disagree; the rules beside it only show the values behind it.
Explanation explain(const Genomes& genomes, const std::vector<int>& familyIds, const Query& query) {
    Explanation why = explainGeneSet(genomes.data(), familyIds, query);
    std::unique_ptr<FILE, int (*)(FILE*)> sink(std::fopen("/dev/null", "w"), &std::fclose);
    if (!sink) throw Error(Stream::err, "error: cannot open /dev/null for the explaining run\n");
    RunContext quiet;
    quiet.out = sink.get();
    quiet.err = sink.get();
    const Result result = findClusters(genomes, query, quiet);
    for (int n = 0; n < static_cast<int>(result.clusters.size()); ++n) {
        std::vector<int> families = result.clusters[n].families;
        std::sort(families.begin(), families.end());
        if (families == why.families) {
            why.reportedAs = n;
            break;
        }
        if (why.insideCluster < 0 &&
            std::includes(families.begin(), families.end(), why.families.begin(), why.families.end())) {
            why.insideCluster = n;
            why.insideFamilies = families;
        }
    }
    if (why.reportedAs >= 0) {
        why.insideCluster = -1;
        why.insideFamilies.clear();
    }
    return why;
}

}  // namespace tamsu
