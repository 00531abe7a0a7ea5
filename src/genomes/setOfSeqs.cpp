// Genome set, zero conversion, alphabet recoding and genome statistics.
#include "genomes/setOfSeqs.h"

// TODO(genomes): placeholder.
std::unique_ptr<SetOfSeqs> initSetOfSeqs(int genomeCount) {
    auto set = std::make_unique<SetOfSeqs>();
    set->genomeCount = genomeCount;
    set->genomes.resize(genomeCount);
    return set;
}
void fprintf_genomeStatistics(FILE*, const SetOfSeqs&) {}
