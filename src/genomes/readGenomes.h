// Reader of the genome list file and the annotation file it names.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "genomes/genomeSet.h"

namespace tamsu::detail {

// Reads, converts genes without homologue and recodes; throws Error on
// any input problem (the message names the file and, where it applies, the line).
// Notices of the reading go to out.
std::unique_ptr<GenomeSet> readGenomes(const std::string& path, FILE* out);

// Fills the named chromosomes of set from the annotation file; a listed
// chromosome without a block is an error (listPath, when given, is named in it).
void readAnnotationFile(const std::string& path, GenomeSet& set, const std::string& listPath, FILE* out);

// Whether any chromosome of any genome has exactly this name.
bool hasChromosomeNamed(const GenomeSet& set, const std::string& name);

}  // namespace tamsu::detail
