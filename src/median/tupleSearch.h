// The median search of one cluster filter: one candidate interval per genome,
// chosen depth-first with the running median distance.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "index/occurrenceIndex.h"
#include "median/tupleList.h"
#include "occurrences/candidates.h"
#include "params/searchParameters.h"
#include "walk/progress.h"

namespace tamsu::detail {

// Whether the walk of a reference genome before referenceGenome found the
// tuple of the chosen intervals (one per genome) already.
using FoundEarlier = std::function<bool(std::span<CandidateInterval* const> chosen, int referenceGenome)>;

// Working record of one searchTuples call.
struct TupleSearchState {
    TupleSearchState(const OccurrenceIndex& index, const SearchParameters& params, CandidateRecord& record,
                     Progress& progress, TupleSearchResult& results)
        : index(index),
          results(results),
          progress(progress),
          params(params),
          candidateField(record.candidateField),
          localChars(record.localChars) {}

    const OccurrenceIndex& index;
    TupleSearchResult& results;
    Progress& progress;
    const SearchParameters& params;
    CandidateField& candidateField;
    std::unique_ptr<TupleList> newTuples;
    std::vector<CandidateInterval*> currentIntervals;  // k; entries at and beyond the current depth are stale
    const std::vector<int>& localChars;
    std::vector<int> localIndex;  // taken over from the matches record
    int localCharCount = 0;
    int referenceGenome = 0;
    std::vector<int> occCount;              // localCharCount + 1
    int emptyPlaced = 0;                    // empty intervals among the chosen ones
    std::vector<unsigned char> clusterSet;  // localCharCount + 1: the complete tuple's gene set
    MemoryCharge memory;                    // what newTuples holds of the run's budget
    const FoundEarlier* foundEarlier = nullptr;
};

// Enumerates the filter's k-tuples and merges them into results.tuples;
// false when the host cancelled the run (nothing is merged then). Takes over
// the record's localIndex. With foundEarlier, a tuple an earlier reference
// genome's walk found is not stored again, and the lists are reduced as they
// grow (reduceGrownTuples): every stored tuple is then the first find of its
// intervals, which a reduction needs (a tuple reduced away cannot stop its
// later finds at the merge).
bool searchTuples(const OccurrenceIndex& index, const SearchParameters& params, CandidateRecord& record,
                  Progress& progress, TupleSearchResult& results, const FoundEarlier* foundEarlier = nullptr);
// Whether the median search of a filter reaches the chosen intervals (one
// per genome): bucketOf(g, interval) is the candidate list of genome g that
// holds the interval, or -1, m the field's last list. Only the budget of
// distances to the reference interval is checked; the others depend on the
// intervals alone, not on the filter.
bool reachesChoice(std::span<CandidateInterval* const> chosen, const SearchParameters& params, int m,
                   const std::function<int(int, const CandidateInterval&)>& bucketOf);
// Places genome g and, recursively, all later ones within the three remaining
// budgets; false propagates a cancellation.
bool placeGenome(int g, int refBudget, int distBudget, int missBudget, TupleSearchState& data);
// Adds an interval's local chars (flags) to occCount with g non-empty
// intervals placed before it; returns how much the median distance grows.
int addToMedian(const std::vector<unsigned char>& flags, TupleSearchState& data, int localCharCount, int g);
// A local char is a majority char when at least `half` of the chosen
// occurrences hold it: half = (n + 1) / 2 for n genomes with an occurrence.
// First and last majority-char position of every chosen interval.
void findEssentialPositions(const OccurrenceIndex& index, TupleSearchState& data, const std::vector<int>& occCount,
                            int half);
// Whether no chosen interval can be trimmed or extended at a border without
// changing its share of the median (median mode).
bool areBordersOptimal(const OccurrenceIndex& index, TupleSearchState& data, const std::vector<int>& occCount,
                       int half);
// Whether the median holds at least minSize local chars.
bool isMedianBigEnough(const std::vector<int>& occCount, int localCharCount, int half, int minSize);
// The gene set of the complete tuple in data.clusterSet: the majority set in
// median mode, the chosen center in center mode. Returns the tuple's total
// distance (searchCost, the median search's, in median mode; with the
// distances to the center in center mode), or nothing when the set is below
// the minimum size or, in center mode, no center of that size exists.
std::optional<int> chooseClusterSet(TupleSearchState& data, int half, int searchCost);
// Border test of a candidate interval: neither border gene may occur only once
// in it while being rare overall.
bool hasValidBorders(const OccurrenceIndex& index, const SearchParameters& params, const ChromIndex& chrom, int l,
                     int r);

}  // namespace tamsu::detail
