// The output file with what people read beside the numbers: the group of
// each cluster, its families' names and products, clusters above a size left
// out; and the long table of every gene of every occurrence. Built from the
// plain table's text, so that it follows the table whatever the records
// behind it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "genomes/genomeSet.h"
#include "results/clusterRows.h"
#include "results/geneTable.h"

namespace tamsu::detail {

struct TableAdditions {
    bool annotate = false;  // group, family_names, products
    int maxSize = 0;        // 0: every cluster
};

// The names and products of a cluster's families, in the order of its set
// (a family without name: its id).
std::vector<std::string> familyNames(const std::vector<int>& families, const GeneTable& genes);
std::vector<std::string> familyProducts(const std::vector<int>& families, const GeneTable& genes);

// The plain table's text with the additions (rows of larger clusters left
// out, three columns appended when annotating).
std::string annotatedTable(const std::string& plainTable, const GenomeSet& set, const TableAdditions& additions);

// The JSON document's text with the same additions; the header records the
// program, its version and the command line (when not empty).
std::string annotatedJson(const std::string& plainJson, const std::string& plainTable, const GenomeSet& set,
                          const TableAdditions& additions, const std::string& version,
                          const std::vector<std::string>& command);

// One row per gene of every occurrence (and its flanks: none), clusters above
// maxSize left out: cluster, group, occurrence, genome, chromosome, position,
// locus_tag, gene, family_id, family_name, product, strand, start, end,
// in_cluster, best.
void writeGeneRows(FILE* out, const std::string& plainTable, const GenomeSet& set, int maxSize);

}  // namespace tamsu::detail
