// k-tuples: median and center cluster candidates (one interval per genome),
// and their list in canonical order.
#pragma once

#include <list>
#include <memory>
#include <set>
#include <vector>

#include "params/searchParameters.h"
#include "util/memoryBudget.h"

namespace tamsu::detail {

struct TupleOccurrence {
    int l = 0;
    int r = 0;  // empty when l > r
    int chr = 0;
    int dist = 0;  // set distance to the cluster's gene set (the size of the set when empty)
    int extraChars = 0;
};

struct ClusterTuple {
    int totalDist = 0;
    Mode operationMode = Mode::median;
    std::vector<double> pValues;  // k, 1.0 at creation
    double pValue = 1.0;
    double log10PValue = 0.0;                // sum of log10(pValues): finite where the product overflows
    std::vector<TupleOccurrence> perGenome;  // k
    // The cluster's gene set, ascending: the majority set of the occurrences
    // in median mode, the chosen center in center mode.
    std::vector<int> genes;
};

// The list owns its tuples; std::list keeps order under insertion and removal.
// Canonical order of two tuples given by list positions (see compareTuples).
struct CanonicalBefore {
    int k = 0;
    bool operator()(const std::list<ClusterTuple>::iterator& a, const std::list<ClusterTuple>::iterator& b) const;
};

// The tuples a reduction took out of a list during the search, with their
// share of the counts the driver reports over every tuple the search found.
struct ReducedTuples {
    int count = 0;
    int central = 0;  // of countCentralTuples
    int exact = 0;    // of countTuplesWithExactOccurrence
};

struct TupleList {
    int k = 0;
    std::list<ClusterTuple> tuples;
    // The tuples' positions in canonical order, kept by mergeTupleLists so
    // that merging a filter's few tuples costs O(m log n) rather than a walk
    // over the whole result list. Every other operation that adds or removes
    // tuples drops it; the next merge rebuilds it.
    std::set<std::list<ClusterTuple>::iterator, CanonicalBefore> canonicalIndex;
    ReducedTuples reduced;
    int reduceAt = 0;  // the size at which reduceGrownTuples reduces next (0: its first threshold)
    int size() const { return static_cast<int>(tuples.size()); }
    // Every distinct tuple that entered the list, reduced ones included.
    int foundCount() const { return size() + reduced.count; }
};

// What the median and center searches produce: the merged k-tuples in
// canonical order and the search's counts.
struct TupleSearchResult {
    tamsu::SearchCounts counts;
    std::unique_ptr<TupleList> tuples = std::make_unique<TupleList>();
    MemoryCharge memory;  // what the tuples hold of the run's budget (none attached: no limit)
};

struct TupleSearchState;
using TupleIterator = std::list<ClusterTuple>::iterator;

// Creation and list plumbing. Lists and tuples are released by their owners
// (RAII); a tuple always has exactly list.k intervals.
std::unique_ptr<TupleList> makeTupleList(int k);
// A tuple from the median search's current choice of one interval per genome.
ClusterTuple makeTuple(int totalDist, int k, const TupleSearchState& data);
// Appends makeTuple's tuple to the search's new list.
void storeTuple(int k, int totalDist, TupleSearchState& data);
// Unlinks and frees the tuple; returns the position of its successor.
TupleIterator removeTuple(TupleList& list, TupleIterator tuple);

// Canonical order: genome by genome, chr, then l, then r; -1, 0 or +1.
// A null tuple is fatal.
int compareTuples(const ClusterTuple* a, const ClusterTuple* b, int k);
// Sorts into canonical order; two tuples with identical intervals are fatal.
void sortTuples(TupleList& list);
// Merges a filter's fresh list into the (canonically ordered) result list;
// tuples whose intervals are already there are freed. Returns their number.
// The fresh list is left empty; its reduced tuples count for the result list.
int mergeTupleLists(TupleList& old, TupleList& fresh);
// During a search that stores only the first find of every tuple (see
// searchTuples): once the list has grown to its threshold (from
// params.reduceTuplesAt on), the tuples another tuple of the list dominates
// leave it (see removeDominatedTuples), counted in list.reduced. Returns the
// approximate bytes freed.
std::size_t reduceGrownTuples(TupleList& list, const SearchParameters& params);

// t lies inside o in every genome where t occurs, at no smaller total distance.
bool isNested(const ClusterTuple& t, const ClusterTuple& o, int k);
// t and u overlap by position in some genome where both occur (chr ignored).
bool overlapInSomeGenome(const ClusterTuple& t, const ClusterTuple& u, int k);
// Gene-content order: the set's size, then its genes, then pValue; null
// compares equal to anything.
int compareGeneContent(const ClusterTuple* a, const ClusterTuple* b);

// Driver-level operations on the result list (in the order the driver runs
// them). The counts include the tuples reduced during the search.
int countCentralTuples(const TupleList* list, const SearchParameters& params);
// Tuples with an occurrence of exactly their gene set.
int countTuplesWithExactOccurrence(TupleList* list);
// Drops every tuple that another tuple of the list dominates: one that holds
// its occurrences in every genome where it occurs, at no greater total
// distance. Distinct tuples never dominate each other both ways, so taking
// dominated tuples out of parts of the list earlier leaves the same tuples.
void removeDominatedTuples(TupleList* list);
int countOverlappingTuples(const TupleList* list);
void sortTuplesByGeneContent(TupleList* list);

// Per-tuple queries of the result extraction.
int countExactOccurrences(const ClusterTuple& tuple, int k);
int minOccurrenceDistance(const ClusterTuple& tuple, int k);
int maxOccurrenceDistance(const ClusterTuple& tuple, int k);
bool haveSameGeneContent(const ClusterTuple* a, const ClusterTuple* b);

}  // namespace tamsu::detail
