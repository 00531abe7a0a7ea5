// Candidate-occurrence container of a cluster filter.
#include "occurrences/matchField.h"

#include <algorithm>

MatchesRecord initMatchesRecord(int k, int d) {
    MatchesRecord record;
    record.elementCountPerSeq.assign(k > 0 ? k : 0, 0);
    record.matchField = MatchField(k, d + 1);
    return record;
}

bool isContained(const Chromosome& chrom, int c, int l, int r) {
    for (int p = l; p <= r; ++p)
        if (chrom.genes[p] == c) return true;
    return false;
}
