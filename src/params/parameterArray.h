// The parameters a search reads: the query's values completed with those
// derived from it and the genome count, and the checks of a query.
#pragma once

#include <climits>
#include <cstdio>
#include <string>

#include "tamsu/types.h"

namespace tamsu::detail {

struct ParameterArray {
    int minClusterSize = -1;     // s; -1 when not given
    int minRefSize = -1;         // minimum distinct genes of a reference interval (derived)
    double minOccSize = 0.0;     // minimum share of a cluster's genes an occurrence must hold
    int delta = -1;              // distance threshold; g*delta in center mode after derivation
    int d = -1;                  // derived bound on the summed distances to the reference interval
    int pwDelta = 0;             // center mode: the pair-wise threshold as entered
    int maxOccDist = 0;          // filter depth D
    int maxDistToCenter = 0;     // center mode: bound on an occurrence's distance to the center
    int maxSumDist = 0;          // total distance budget
    bool isCenter = false;
    Mode operationMode = Mode::median;
    RefType refType = RefType::none;
    bool hasQuorum = false;
    int q = -1;                  // quorum as entered; after derivation the genomes that may lack a cluster
    CostType qtype = CostType::none;
    std::string outfile;
    std::string outfileBase;     // outfile without its four-character extension
    bool useNUM = true;
    // No distance in these genomes can exceed it (see distanceBound); the
    // tables that grow with delta stop there. Set by the driver once the
    // genomes are known.
    int distanceBound = INT_MAX;
    int threads = 1;             // workers of the reference-based and perfect searches
};

// Neither the set distance of a gene set and an interval nor the number of
// foreign genes an interval holds can exceed the alphabet size (both count
// genes of their union) or twice the longest chromosome (each side holds at
// most that many genes). Border tables and match fields deeper than this hold
// nothing more, so a larger delta sizes them no larger and changes no result.
int distanceBound(int alphabetSize, int longestChromosome);
// A table depth derived from delta (formed in 64 bits by the caller), clamped
// to the distance bound of the derived parameters.
int searchDepth(const ParameterArray& params, long long depth);

// Under a quorum, what a genome that lacks the cluster adds to its distance
// (derived parameters, g genomes): nothing at zero cost, the proportionate
// share maxSumDist / g otherwise.
inline int lackingGenomeCost(const ParameterArray& params, int g) {
    return params.qtype == CostType::zero ? 0 : params.maxSumDist / g;
}
// Whether the median and center searches may leave a genome without an
// occurrence: a quorum whose cost type has empty occurrences.
inline bool mayLackCluster(const ParameterArray& params) {
    return params.hasQuorum && params.q > 0 &&
           (params.qtype == CostType::zero || params.qtype == CostType::proportionate);
}

// The query's values as entered, nothing derived (what the command line prints).
ParameterArray enteredParameters(const Query& query);

// The query's values completed with the genome count g: afterwards q counts
// the genomes that may lack a cluster (0 without a quorum), and in center mode
// delta is g times the pair-wise threshold. Throws Error for g < 1 or a
// derived value beyond the int range.
ParameterArray setDerivedParameters(const Query& query, int g);

// Refuses a query no search can run: throws Error (stream err) with the
// rule's message. A genomeCount below 1 skips the rules that need it (a
// quorum no larger than the genome count).
void validateQuery(const Query& query, int genomeCount);

void fprintParameterArray(FILE* stream, const ParameterArray& params);

}  // namespace tamsu::detail
