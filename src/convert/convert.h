// GFF3 files and a gene-family table into a genome list and an annotation file.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "tamsu/tools.h"

namespace tamsu::detail {

// The side table's header line: one row per gene follows, in the order of the
// annotation file.
inline constexpr const char* kGeneTableHeader =
    "genome\tchromosome\tposition\tlocus_tag\tfamily_id\tfamily_name\tproduct\tstart\tend\tstrand\tsequence_id\t"
    "gene";

// Reads the tables, then each annotation file (GFF3 or GenBank, plain or
// gzip) once, and writes the genome list, the annotation file and, when genes
// is not null, the side table of the genes. Throws tamsu::Error naming the
// file and line of any input problem, and when an annotation file's stem is
// no genome column of the table (columns without a file are left out).
ConvertSummary convertGenomes(const ConvertRequest& request, FILE* genomeList, FILE* annotation, FILE* genes = nullptr);

// The conversion report: per genome the genes matched and unmatched, then the
// table genes that no GFF holds.
void printConvertSummary(FILE* out, const ConvertSummary& summary);

}  // namespace tamsu::detail
