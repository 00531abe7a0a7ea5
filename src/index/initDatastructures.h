// Occurrence index: per-chromosome position lists, frequencies, distinct-count
// table NUM, previous/next occurrence, border-table allocation; per-set rank
// and charOccStat.
#pragma once

#include <vector>

#include "genomes/setOfSeqs.h"
#include "params/parameterArray.h"

void initDataStructures(SetOfSeqs& set, const ParameterArray& params);

PositionLists computePOS(const std::vector<int>& genes, int n, int alphabetSize);
std::vector<int> computeCharFreq(const PositionLists& POS, int size);
IntTable computeNUM(const std::vector<int>& genes, int n, int alphabetSize);
void computePrevNextOcc(Chromosome& chrom, int alphabetSize);
std::vector<int> computeCharOccStat(const SetOfSeqs& set);

// Number of distinct characters in positions i..j (0 when i > j); O(1) with
// the NUM table, a scan of prevOcc without it. An empty interval is answered
// before the table is read, so i may be n+2 or j may be -1 there.
inline int getNUM(const Chromosome& chrom, int i, int j) {
    if (i > j) return 0;
    if (!chrom.NUM.empty()) return chrom.NUM(i, j);
    int count = 0;
    const int* prev = chrom.prevOcc.data();
    for (int p = i; p <= j; ++p)
        if (prev[p] < i) ++count;
    return count;
}

void fprintPOS(FILE* stream, const PositionLists& POS, int alphabetSize);
void fprintNUM(FILE* stream, const IntTable& NUM, int n);
