// Fuzz target of the cluster-table reader of zub plot: the input is one
// tab-separated output table, read against the small test genomes, and the
// picture of each of its first clusters drawn. A tamsu::Error (a row that
// does not parse, does not fit the genomes or disagrees with its cluster) is
// the expected answer to bad input; anything else is a fault.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "genomes/readGenomes.h"
#include "plot/clusterPlot.h"
#include "scratchDir.h"
#include "util/errors.h"

using namespace tamsu::detail;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchDir dir;
    static FILE* const notices = std::fopen("/dev/null", "w");
    static const std::unique_ptr<GenomeSet> genomes = readGenomes(TAMSU_TEST_DATA "/small/genomes.txt", notices);
    const std::string path = dir.write("table.tsv", std::string_view(reinterpret_cast<const char*>(data), size));
    try {
        const std::vector<TableOccurrence> rows = readClusterTable(path, *genomes);
        const std::vector<TableCluster> clusters = clustersOf(rows);
        const GeneTable genes = GeneTable::of(*genomes);
        for (size_t i = 0; i < clusters.size() && i < 4; ++i)
            if (clusterSvg(clusters[i], -1, *genomes, genes, 2).empty()) return 1;
    } catch (const tamsu::Error&) {
    }
    return 0;
}
