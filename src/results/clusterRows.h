// The output table of a run read back (by the figures, the report and the
// annotated output), and the grouping of its clusters by region.
#pragma once

#include <string>
#include <vector>

#include "genomes/genomeSet.h"

namespace tamsu::detail {

// One row of the output table (the columns the readers need).
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
    std::string occurrenceScore;  // as written ("" without the column)
    bool best = false;
    int line = 0;
};

// Reads a tab-separated output table and places each row in the genomes.
// Throws tamsu::Error naming the file and line of a row that does not parse,
// disagrees with the other rows of its cluster, or names a genome,
// chromosome or positions the genomes do not have.
std::vector<TableOccurrence> readClusterTable(const std::string& path, const GenomeSet& set);
// The same from the table's text (name: for messages).
std::vector<TableOccurrence> parseClusterTable(const std::string& text, const std::string& name, const GenomeSet& set);

// A cluster of the table: its rows in table order.
struct TableCluster {
    int number = 0;
    std::vector<int> families;
    double log10Score = 0.0;
    std::vector<const TableOccurrence*> rows;
};
// The clusters of the rows, in the order of their first row.
std::vector<TableCluster> clustersOf(const std::vector<TableOccurrence>& rows);

// Gathers clusters of one region. In the order of their scores (smallest
// log10 score first, then first in order) each cluster joins the group of the
// first group's leader with which it shares at least 80% of the families of
// the smaller gene set; otherwise it leads a group of its own. Groups are
// numbered from 0 in the order of their leaders, so a group's leader is its
// best cluster and group 0 holds the best cluster of all. Returns each
// cluster's group.
std::vector<int> groupClusters(const std::vector<std::vector<int>>& familySets, const std::vector<double>& log10Scores);
// The groups of the table's clusters (by their gene sets and scores).
std::vector<int> groupsOf(const std::vector<TableCluster>& clusters);

}  // namespace tamsu::detail
