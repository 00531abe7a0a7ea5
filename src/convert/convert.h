// GFF3 files and a gene-family table into a genome list and an annotation file.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "tamsu/tools.h"

namespace tamsu::detail {

// Reads the tables, then each GFF3 file once, and writes the genome list and
// the annotation file. Throws tamsu::Error naming the file and line of any
// input problem, and when the table's genome columns are not the GFF stems.
ConvertSummary convertGenomes(const ConvertRequest& request, FILE* genomeList, FILE* annotation);

// The conversion report: per genome the genes matched and unmatched, then the
// table genes that no GFF holds.
void printConvertSummary(FILE* out, const ConvertSummary& summary);

}  // namespace tamsu::detail
