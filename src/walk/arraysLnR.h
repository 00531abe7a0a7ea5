// Reference ranks and the L/R border tables (with their primed twins) that
// follow the reference left border: the per-left-border state of a walk,
// kept apart from the read-only index.
#pragma once

#include <cstdio>
#include <vector>

#include "index/initDatastructures.h"
#include "util/intArrays.h"

// Per position p, (D+2) columns: column 0 holds p, columns 1..D+1 the nearest
// borders (positions of characters ranked above p's own) to the left (L) or
// right (R); the primed tables hold, per border, the first / last position
// inside it whose character ranks at most p's own.
struct BorderTables {
    IntTable L, R, L_prime, R_prime;
};

struct WalkTables {
    int D = 0;                         // rows hold D+1 borders
    std::vector<int> rank;             // per character, relative to the current reference suffix
    std::vector<BorderTables> tables;  // per chromosome, in index order

    const BorderTables& of(const ChromIndex& chrom) const { return tables[static_cast<size_t>(chrom.flat)]; }
};

// Ranks and tables for every chromosome of the index (the primed ones only
// when primed is set).
WalkTables initWalkTables(const OccurrenceIndex& index, int D, bool primed);

// Ranks for left border 1 of ref: characters by first occurrence, absent ones
// after every present one, the sentinel last.
void computeRank(WalkTables& walk, int alphabetSize, const ChromIndex& ref);
// Ranks for left border i from those for i-1 (i = 1 rebuilds); an
// inconsistency is reported on out.
void updateRank(WalkTables& walk, int alphabetSize, const ChromIndex& ref, int i, FILE* out);

// Rebuild / incremental update of L and R on every chromosome.
void computeL(WalkTables& walk, const OccurrenceIndex& index);
void computeR(WalkTables& walk, const OccurrenceIndex& index);
void updateL(WalkTables& walk, const OccurrenceIndex& index, int i, int c);
void updateR(WalkTables& walk, const OccurrenceIndex& index, int i, int c);
// Primed tables, after updateL/updateR for the same i: all rows for i = 1,
// otherwise the rows the move of c, the character left of i, can have
// changed (the rows of c and those whose border row holds c).
void updateL_prime(WalkTables& walk, const OccurrenceIndex& index, int i, int c);
void updateR_prime(WalkTables& walk, const OccurrenceIndex& index, int i, int c);

// Rank of the characters that do not occur in the current reference suffix,
// and of the sentinel 0. Both lie above every present character's rank, and
// absent characters stay apart from present ones even when the reference
// chromosome holds the whole alphabet.
inline int absentRank(int alphabetSize) { return alphabetSize + 1; }
inline int sentinelRank(int alphabetSize) { return alphabetSize + 2; }
