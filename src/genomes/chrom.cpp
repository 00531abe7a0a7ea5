// Chromosome records and the gene-line parser.
#include "genomes/chrom.h"

// TODO(genomes): placeholder.
Chromosome initChrom(const std::string& name, int number) {
    Chromosome c;
    c.name = name;
    c.number = number;
    return c;
}
void setChrom(Chromosome&, const std::vector<std::string>&) {}
