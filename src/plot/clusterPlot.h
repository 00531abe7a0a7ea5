// Figures of found clusters, read from a run's output table: per genome an
// occurrence drawn as gene arrows to scale (where zub convert's side table
// gives coordinates), every occurrence in the orientation of the reference
// one, genes named, families coloured with a legend; SVG, and PNG and PDF
// through rsvg-convert.
#pragma once

#include <string>
#include <vector>

#include "genomes/genomeSet.h"
#include "results/clusterRows.h"
#include "results/geneTable.h"
#include "tamsu/tools.h"

namespace tamsu::detail {

// Text for XML and HTML: markup characters as entities, control characters
// (not allowed in XML 1.0) as blanks.
std::string xmlText(const std::string& text);

// The picture of one cluster (of group `group`, -1: not known) as an SVG document.
std::string clusterSvg(const TableCluster& cluster, int group, const GenomeSet& set, const GeneTable& genes,
                       int flank);

// The clusters the options choose, in the order drawn: the named ones, or
// the best by score (one per group unless ungrouped), only those holding
// options.families. Throws tamsu::Error for a named cluster the table lacks.
std::vector<size_t> chooseClusters(const std::vector<TableCluster>& clusters, const std::vector<int>& groups,
                                   const tamsu::PlotOptions& options);

// Writes cluster_<n>.svg (and .png, .pdf as asked) into options.directory
// for the chosen clusters of the table; returns the paths.
std::vector<std::string> plotClusterTable(const std::string& tablePath, const GenomeSet& set,
                                          const tamsu::PlotOptions& options);

}  // namespace tamsu::detail
