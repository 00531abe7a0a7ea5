// k-tuples: median and center cluster candidates (one interval per genome),
// and their list in canonical order.
#pragma once

#include <list>
#include <set>
#include <memory>
#include <vector>

#include "params/searchParameters.h"
#include "util/memoryBudget.h"

struct kTupleInterval {
    int l = 0;
    int r = 0;           // empty when l > r
    int chr = 0;
    int dist = 0;        // set distance to the cluster's gene set (the size of the set when empty)
    int extraChars = 0;
};

struct medianElement {
    int gene = 0;
    int occCount = 0;
};

struct kTuple {
    int totalDist = 0;
    Mode operationMode = Mode::median;
    std::vector<double> pValues;                // k, 1.0 at creation
    double pValue = 1.0;
    double log10PValue = 0.0;                   // sum of log10(pValues): finite where the product overflows
    std::vector<kTupleInterval> intervalArray;  // k
    // The cluster's gene set: the majority set of the occurrences in median
    // mode, the chosen center in center mode.
    std::vector<medianElement> median;
    std::vector<int> geneContentArray;          // median genes ascending, after the gene-content sort
    bool hasGeneContentArray = false;
};

// The list owns its tuples; std::list keeps order under insertion and removal.
// Canonical order of two tuples given by list positions (see kTupleComparision).
struct CanonicalBefore {
    int k = 0;
    bool operator()(const std::list<kTuple>::iterator& a, const std::list<kTuple>::iterator& b) const;
};

struct kTupleList {
    int k = 0;
    std::list<kTuple> tuples;
    // The tuples' positions in canonical order, kept by merge_kTupleLists so
    // that merging a filter's few tuples costs O(m log n) rather than a walk
    // over the whole result list. Every other operation that adds or removes
    // tuples drops it; the next merge rebuilds it.
    std::set<std::list<kTuple>::iterator, CanonicalBefore> canonicalIndex;
    int size() const { return static_cast<int>(tuples.size()); }
};

// What the median and center searches produce: the merged k-tuples in
// canonical order and the search's counts.
struct MedianResult {
    tamsu::SearchCounts counts;
    std::unique_ptr<kTupleList> tuples = std::make_unique<kTupleList>();
    MemoryCharge memory;  // what the tuples hold of the run's budget (none attached: no limit)
};

struct kTupleData;
using kTupleIterator = std::list<kTuple>::iterator;

// Creation and list plumbing. Lists and tuples are released by their owners
// (RAII); a tuple always has exactly list.k intervals.
std::unique_ptr<kTupleList> init_kTupleList(int k);
// A tuple from the median search's current choice of one interval per genome.
kTuple init_kTuple(int totalDist, int k, const kTupleData& data);
// Appends init_kTuple's tuple to the search's new list.
void copyInto_kTupleList(int k, int totalDist, kTupleData& data);
// Unlinks and frees the tuple; returns the position of its successor.
kTupleIterator remove_kTuple(kTupleList& list, kTupleIterator tuple);

// Canonical order: genome by genome, chr, then l, then r; -1, 0 or +1.
// A null tuple is fatal.
int kTupleComparision(const kTuple* a, const kTuple* b, int k);
// Sorts into canonical order; two tuples with identical intervals are fatal.
void bubbleSort_kTupleList(kTupleList& list);
// Merges a filter's fresh list into the (canonically ordered) result list;
// tuples whose intervals are already there are freed. Returns their number.
// The fresh list is left empty.
int merge_kTupleLists(kTupleList& old, kTupleList& fresh);

// t lies inside o in every genome where t occurs, at no smaller total distance.
bool isNested(const kTuple& t, const kTuple& o, int k);
// t and u overlap by position in some genome where both occur (chr ignored).
bool isSubsumed(const kTuple& t, const kTuple& u, int k);
// Gene-content order: median size, then genes ascending, then pValue; null
// compares equal to anything. A tuple without geneContentArray is fatal.
int compareGeneContentArray(const kTuple* a, const kTuple* b);

// Driver-level operations on the result list (in the order the driver runs them).
int countMedianCenters(const kTupleList* list, const SearchParameters& params);
// Tuples with an occurrence of exactly their gene set.
int countRefBased_kTuples(kTupleList* list);
void removeSuboptimal_kTuples(kTupleList* list);
int countNonSubsumed_kTuples(const kTupleList* list);
void sort_kTupleList_byGeneContent(kTupleList* list);

// Per-tuple queries of the result extraction.
int countRefOccsIn_kTuple(const kTuple& tuple, int k);
int find_minPwDistIn_kTuple(const kTuple& tuple, int k);
int find_maxPwDistIn_kTuple(const kTuple& tuple, int k);
bool isEqualGeneContentArray(const kTuple* a, const kTuple* b);
