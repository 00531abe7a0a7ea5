// Reference ranks and the L/R border tables (with their primed twins) that
// follow the reference left border.
#pragma once

#include "genomes/setOfSeqs.h"

// Ranks for left border 1 of ref: characters by first occurrence, absent ones
// after every present one, the sentinel last.
void computeRank(SetOfSeqs& set, const Chromosome& ref);
// Ranks for left border i from those for i-1 (i = 1 rebuilds).
void updateRank(SetOfSeqs& set, const Chromosome& ref, int i);

// Rebuild / incremental update of L and R on every chromosome; g is unused.
void computeL(SetOfSeqs& set, int g, int D);
void computeR(SetOfSeqs& set, int g, int D);
void updateL(SetOfSeqs& set, int g, int i, int D, int c);
void updateR(SetOfSeqs& set, int g, int i, int D, int c);
// Primed tables (first / last position inside each border whose character
// ranks at most the row's own), after updateL/updateR for the same i: all
// rows for i = 1, otherwise the rows the move of c, the character left of i,
// can have changed (the rows of c and those whose border row holds c).
void updateL_prime(SetOfSeqs& set, int g, int i, int D, int c);
void updateR_prime(SetOfSeqs& set, int g, int i, int D, int c);

// Rank of the characters that do not occur in the current reference suffix,
// and of the sentinel 0. Both lie above every present character's rank, and
// absent characters stay apart from present ones even when the reference
// chromosome holds the whole alphabet.
inline int absentRank(int alphabetSize) { return alphabetSize + 1; }
inline int sentinelRank(int alphabetSize) { return alphabetSize + 2; }
