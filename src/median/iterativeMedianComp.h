// The median search of one cluster filter: one candidate interval per genome,
// chosen depth-first with the running median distance.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "index/initDatastructures.h"
#include "median/kTuples.h"
#include "occurrences/matchField.h"
#include "params/searchParameters.h"
#include "walk/progress.h"

// Working record of one generate_kTuples call.
struct kTupleData {
    const OccurrenceIndex* index = nullptr;
    MedianResult* results = nullptr;
    Progress* progress = nullptr;
    const SearchParameters* params = nullptr;
    MatchField* matchField = nullptr;
    std::unique_ptr<kTupleList> newTuples;
    std::vector<Interval*> currentIntervals;  // k; entries at and beyond the current depth are stale
    const std::vector<int>* localChars = nullptr;
    std::vector<int> localIndex;              // taken over from the matches record
    int localCharCount = 0;
    int refSeq = 0;
    std::vector<int> occCount;                // localCharCount + 1
    int emptyPlaced = 0;                      // empty intervals among the chosen ones
    std::vector<unsigned char> clusterSet;    // localCharCount + 1: the complete tuple's gene set
    MemoryCharge memory;                      // what newTuples holds of the run's budget
};

// Enumerates the filter's k-tuples and merges them into results.kTupleList;
// false when the host cancelled the run (nothing is merged then). Takes over
// the record's localIndex.
bool generate_kTuples(const OccurrenceIndex& index, const SearchParameters& params, MatchesRecord& record,
                      Progress& progress, MedianResult& results);
// Places genome g and, recursively, all later ones within the three remaining
// budgets; false propagates a cancellation.
bool getNextIntervalBool(int g, int refBudget, int distBudget, int missBudget, kTupleData& data);
// Adds an interval's local chars (flags) to occCount with g non-empty
// intervals placed before it; returns how much the median distance grows.
int addToDistToMedian(const std::vector<unsigned char>& flags, kTupleData& data, int localCharCount, int g);
// A local char is a majority char when at least `half` of the chosen
// occurrences hold it: half = (n + 1) / 2 for n genomes with an occurrence.
// First and last majority-char position of every chosen interval.
void computeLeftRightEssentPos(const OccurrenceIndex& index, kTupleData& data, const std::vector<int>& occCount,
                               int half);
// Whether no chosen interval can be trimmed or extended at a border without
// changing its share of the median (median mode).
bool areBordersOptimalBool(const OccurrenceIndex& index, kTupleData& data, const std::vector<int>& occCount,
                           int half);
// Whether the median holds at least minSize local chars.
bool isBigEnoughMedianBool(const std::vector<int>& occCount, int localCharCount, int half, int minSize);
// The gene set of the complete tuple in data.clusterSet: the majority set in
// median mode, the chosen center in center mode. Returns the tuple's total
// distance (searchCost, the median search's, in median mode; with the
// distances to the center in center mode), or nothing when the set is below
// the minimum size or, in center mode, no center of that size exists.
std::optional<int> chooseClusterSet(kTupleData& data, int half, int searchCost);
// Border test of a candidate interval: neither border gene may occur only once
// in it while being rare overall.
bool isValidInterval(const OccurrenceIndex& index, const SearchParameters& params, const ChromIndex& chrom, int l, int r);
