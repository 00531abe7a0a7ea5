// Pictures of found clusters: one SVG per cluster with each genome's
// occurrence drawn as gene arrows, read from a run's output table.
#pragma once

#include <string>
#include <vector>

#include "genomes/genomeSet.h"
#include "results/clusterRows.h"
#include "tamsu/tools.h"

namespace tamsu::detail {

// The picture of one cluster (its rows, in table order) as an SVG document.
std::string clusterSvg(const std::vector<TableOccurrence>& rows, const GenomeSet& set, int flank);

// Writes cluster_<n>.svg into options.directory for the options.top best
// clusters of the table (smallest log10 score first); returns the paths.
std::vector<std::string> plotClusterTable(const std::string& tablePath, const GenomeSet& set,
                                          const tamsu::PlotOptions& options);

}  // namespace tamsu::detail
