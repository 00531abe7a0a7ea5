// Genome list and annotation file reader.
#include "genomes/readGenomes.h"

#include "util/errors.h"

// TODO(genomes): placeholder.
std::unique_ptr<SetOfSeqs> readGenomes(const std::string&) { fail(stderr, "not built yet\n"); }
