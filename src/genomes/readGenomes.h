// Reader of the genome list file and the annotation file it names.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "genomes/genomeSet.h"

namespace tamsu::detail {

class Fnv1a;

// Reads, converts genes without homologue and recodes; throws Error on
// any input problem (the message names the file and, where it applies, the
// line): a file that is not a regular file, a genome or chromosome name
// listed twice, and everything readAnnotationFile refuses. Sets the set's
// inputFingerprint from the bytes read.
// Notices of the reading go to out.
std::unique_ptr<GenomeSet> readGenomes(const std::string& path, FILE* out);

// Fills the named chromosomes of set from the annotation file. A listed
// chromosome without a block, a second block of it, a block without its
// column-title line and a malformed gene line are errors naming the file and
// line (listPath, when given, is named too). The bytes read are added to hash
// (when given).
void readAnnotationFile(const std::string& path, GenomeSet& set, const std::string& listPath, Fnv1a* hash = nullptr);

// Whether any chromosome of any genome has exactly this name.
bool hasChromosomeNamed(const GenomeSet& set, const std::string& name);

}  // namespace tamsu::detail
