// Pictures of found clusters: one SVG per cluster with each genome's
// occurrence drawn as gene arrows, read from a run's output table.
#pragma once

#include <string>
#include <vector>

#include "genomes/genomeSet.h"
#include "tamsu/tools.h"

namespace tamsu::detail {

// One row of the output table (the columns the pictures need).
struct TableOccurrence {
    int cluster = 0;
    std::string mode;
    std::string score;
    double log10Score = 0.0;
    std::vector<int> families;  // ids as read
    int genome = 0;
    int chromosome = 0;         // index within the genome, found by name
    int first = 0;
    int last = 0;
    int setDistance = 0;
    bool best = false;
    int line = 0;
};

// Reads a tab-separated output table and places each row in the genomes.
// Throws tamsu::Error naming the file and line of a row that does not parse
// or names a genome, chromosome or positions the genomes do not have.
std::vector<TableOccurrence> readClusterTable(const std::string& path, const GenomeSet& set);

// The picture of one cluster (its rows, in table order) as an SVG document.
std::string clusterSvg(const std::vector<TableOccurrence>& rows, const GenomeSet& set, int flank);

// Writes cluster_<n>.svg into options.directory for the options.top best
// clusters of the table (smallest log10 score first); returns the paths.
std::vector<std::string> plotClusterTable(const std::string& tablePath, const GenomeSet& set,
                                          const tamsu::PlotOptions& options);

}  // namespace tamsu::detail
