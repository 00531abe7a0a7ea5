// The parameters a search reads: the query's values beside those derived
// from it and the genome count, and the checks of a query.
#pragma once

#include <climits>
#include <cstdio>
#include <string>

#include "tamsu/types.h"

namespace tamsu::detail {

// What a search reads, built once from the query and the genome count and
// never changed afterwards: the query's values as entered beside the values
// derived from them, each under a name of its own.
struct SearchParameters {
    // As entered.
    Mode mode = Mode::median;
    RefType refType = RefType::none;
    int delta = -1;           // the distance threshold: pair-wise in center mode
    int minClusterSize = -1;  // s; -1 when not given
    double minOccSize = 0.0;  // minimum share of a cluster's genes an occurrence must hold
    bool hasQuorum = false;
    int quorum = -1;                        // genomes a cluster has to occur in; -1 without a quorum
    CostType lackingCost = CostType::zero;  // what a genome without the cluster costs under a quorum
    bool useNUM = true;
    int threads = 1;  // workers of the searches (the caller's, not the query's)
    // Center searches take the dominated k-tuples out of a list once it
    // holds this many, and again whenever it holds twice what a reduction
    // left (the caller's, not the query's); 0: only after the search.
    int reduceTuplesAt = 1 << 14;

    // Derived.
    int mayLack = 0;           // genomes that may lack a cluster: 0 without a quorum
    int summedDelta = -1;      // bound on the summed distances of a median or center cluster (center: g * delta)
    int referenceBudget = -1;  // bound on the summed distances to the reference interval, (2g-2) * summedDelta / g
    int minRefSize = -1;       // minimum distinct genes of a reference interval
    // No distance in these genomes can exceed it (see distanceBound); the
    // tables that grow with delta stop there.
    int distanceBound = INT_MAX;

    bool isCenter() const { return mode == Mode::center; }
};

// Neither the set distance of a gene set and an interval nor the number of
// foreign genes an interval holds can exceed the alphabet size (both count
// genes of their union) or twice the longest chromosome (each side holds at
// most that many genes). Border tables and match fields deeper than this hold
// nothing more, so a larger delta sizes them no larger and changes no result.
int distanceBound(int alphabetSize, int longestChromosome);
// A table depth derived from delta (formed in 64 bits by the caller), clamped
// to the distance bound of the derived parameters.
int searchDepth(const SearchParameters& params, long long depth);

// Under a quorum, what a genome that lacks the cluster adds to its distance
// (derived parameters, g genomes): nothing at zero cost, the proportionate
// share maxSumDist / g otherwise.
inline int lackingGenomeCost(const SearchParameters& params, int g) {
    return params.lackingCost == CostType::zero ? 0 : params.summedDelta / g;
}
// Whether the median and center searches may leave a genome without an
// occurrence: a quorum whose cost type has empty occurrences.
inline bool mayLackCluster(const SearchParameters& params) {
    return params.hasQuorum && params.mayLack > 0 &&
           (params.lackingCost == CostType::zero || params.lackingCost == CostType::proportionate);
}

// The query's values with those derived for g genomes and the distance
// bound of these genomes. Throws Error for g < 1 or a derived value
// beyond the int range.
SearchParameters deriveSearchParameters(const Query& query, int g, int distanceBound = INT_MAX);

// Refuses a query no search can run: throws Error (stream err) with the
// rule's message. A genomeCount below 1 skips the rules that need it (a
// quorum no larger than the genome count).
void validateQuery(const Query& query, int genomeCount);

// The parameter block: the query as entered (genomeCount 0: what the
// command line prints), or with the derived quorum and, in center mode, the
// summed delta for that many genomes (what a host is shown).
void printParameterBlock(FILE* stream, const Query& query, int genomeCount, const std::string& outputFile);

}  // namespace tamsu::detail
