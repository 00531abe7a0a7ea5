// One self-contained HTML file of a run's clusters: a table to sort and
// filter (size, score, genomes, families, products, group) and the figure of
// the selected cluster, all inline, so that it opens without a network.
#pragma once

#include <string>

#include "genomes/genomeSet.h"

namespace tamsu::detail {

// The page for the output table at tablePath (tab-separated) of these
// genomes; flank genes on either side in the figures. Throws tamsu::Error
// naming the table's line of a row that does not fit the genomes.
std::string htmlReport(const std::string& tablePath, const GenomeSet& set, int flank);

}  // namespace tamsu::detail
