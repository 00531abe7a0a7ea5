// Gene families without a pangenome table: the genomes' proteins clustered
// with MMseqs2 (easy-cluster) into a family table in OrthoFinder's
// Orthogroups.tsv layout, which the converter reads.
#pragma once

#include <cstdio>

#include "tamsu/tools.h"

namespace tamsu::detail {

// Reads each annotation file (and protein files), writes the proteins to a
// scratch folder, runs mmseqs easy-cluster (or easy-linclust) and writes the families of two or
// more proteins to table: a header "Orthogroup" and the genome names (the
// annotation file stems), then one row per family, named fam00001, ... in
// the order of their first gene (genome by genome, chromosome, position),
// with each genome's gene ids separated by ", ". Steps go to log (null:
// none). Throws tamsu::Error when a genome has no protein, when mmseqs
// cannot be started or fails (with the end of its log), or on malformed input.
FamiliesSummary buildFamilies(const FamiliesRequest& request, FILE* table, FILE* log);

void printFamiliesSummary(FILE* out, const FamiliesSummary& summary);

}  // namespace tamsu::detail
