// Enumeration of cluster filters over all reference intervals for the median
// and center searches.
#pragma once

#include <climits>
#include <optional>

#include "index/occurrenceIndex.h"
#include "median/tupleList.h"
#include "occurrences/candidates.h"
#include "params/searchParameters.h"
#include "walk/pattern.h"
#include "walk/progress.h"
#include "walk/referenceWalk.h"
#include "walk/walkTables.h"

namespace tamsu::detail {

// Walks every reference interval, expands each accepted filter into candidate
// occurrences and returns the median search's merged k-tuples; nothing when
// the run was cancelled. The growing lists charge memory.
std::optional<TupleSearchResult> runFilterSearch(const OccurrenceIndex& index, const SearchParameters& params,
                                                 Progress& progress, MemoryBudget& memory);

// The cluster filters of left border i of ch, as the walk (moved to that
// left border) meets them: grows the pattern step by step, keeping its
// distance bounds current, and calls accepted(r) for every interval i..r
// that passes the cheap tests and the bounds, until accepted answers false
// or the growth passes lastRight. False when accepted stopped it.
template <typename Accepted>
bool forEachFilter(ReferenceWalk& walk, const OccurrenceIndex& index, const SearchParameters& params, int D,
                   const ChromIndex& ch, int i, Accepted&& accepted, int lastRight = INT_MAX);
// The candidate occurrences of the walk's current filter, the interval from
// left border i of ch, into the (empty) record.
void collectCandidates(CandidateRecord& record, ReferenceWalk& walk, const OccurrenceIndex& index,
                       const SearchParameters& params, const ChromIndex& ch, int i);

// The cheap tests of a grown reference interval: size, infrequent characters
// (median mode) and the frequency of its border characters.
bool isValidFilter(Pattern& pattern, const OccurrenceIndex& index, const SearchParameters& params);
// Lower bounds, per genome, of the distance between the pattern's character
// set and any interval: evaluated around every occurrence of newChar.
void updateMinDistances(Pattern& pattern, const OccurrenceIndex& index, WalkTables& walk, int D);
// Smallest distance between a set of size characters (those ranked 1..size)
// and an interval of chrom through the position of rows, with at most D foreign
// characters; intervals reaching left of prev are not considered.
int minDistanceAround(int D, int size, const ChromIndex& chrom, const BorderRows& rows, int prev);
// Whether the bounds already rule the filter out; under a quorum the genomes
// that may lack the cluster are charged what lacking it costs instead.
bool areMinDistancesTooBig(const Pattern& pattern, const SearchParameters& params);
// Per-genome distance budget of the candidate intervals.
void setCandidateBudgets(Pattern& pattern, const SearchParameters& params);

template <typename Accepted>
bool forEachFilter(ReferenceWalk& walk, const OccurrenceIndex& index, const SearchParameters& params, int D,
                   const ChromIndex& ch, int i, Accepted&& accepted, int lastRight) {
    Pattern& pattern = walk.pattern();
    int j = i;
    while (j <= lastRight && walk.grow(j, ch)) {
        // The distance bounds are brought up to date at every growth step:
        // skipping a step would leave them too high for the rest of this
        // left border and reject filters wrongly.
        updateMinDistances(pattern, index, walk.tables(), D);
        if (isValidFilter(pattern, index, params) && !areMinDistancesTooBig(pattern, params) &&
            !accepted(pattern.right))
            return false;
        j = pattern.right + 1;
    }
    return true;
}

}  // namespace tamsu::detail
