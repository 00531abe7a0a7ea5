// k-tuples: median and center cluster candidates (one interval per genome),
// and their list in canonical order.
#pragma once

#include <list>
#include <set>
#include <memory>
#include <vector>

#include "params/parameterArray.h"
#include "util/memoryBudget.h"

namespace tamsu::detail {

struct TupleOccurrence {
    int l = 0;
    int r = 0;           // empty when l > r
    int chr = 0;
    int dist = 0;        // distance to the majority median (countTuplesWithExactOccurrence)
    int extraChars = 0;
};

struct ClusterGene {
    int gene = 0;
    int occCount = 0;
};

struct ClusterTuple {
    int totalDist = 0;
    Mode operationMode = Mode::median;
    std::vector<double> pValues;                // k, 1.0 at creation
    double pValue = 1.0;
    double log10PValue = 0.0;                   // sum of log10(pValues): finite where the product overflows
    std::vector<TupleOccurrence> perGenome;  // k
    std::vector<ClusterGene> median;          // the cluster's gene content
    std::vector<unsigned char> intervalOccs;    // k x (localCharCount + 1), flat
    std::vector<int> occCount;                  // localCharCount + 1
    int localCharCount = 0;
    std::vector<int> localChars;                // localCharCount + 1
    char centerState = 0;                       // 0 unevaluated, 1 fails, 2 passes
    std::vector<int> sortedGenes;          // median genes ascending, after the gene-content sort
    bool hasSortedGenes = false;

    unsigned char intervalOcc(int g, int c) const {
        return intervalOccs[static_cast<size_t>(g) * (localCharCount + 1) + c];
    }
};

// The list owns its tuples; std::list keeps order under insertion and removal.
// Canonical order of two tuples given by list positions (see compareTuples).
struct CanonicalBefore {
    int k = 0;
    bool operator()(const std::list<ClusterTuple>::iterator& a, const std::list<ClusterTuple>::iterator& b) const;
};

struct TupleList {
    int k = 0;
    std::list<ClusterTuple> tuples;
    // The tuples' positions in canonical order, kept by mergeTupleLists so
    // that merging a filter's few tuples costs O(m log n) rather than a walk
    // over the whole result list. Every other operation that adds or removes
    // tuples drops it; the next merge rebuilds it.
    std::set<std::list<ClusterTuple>::iterator, CanonicalBefore> canonicalIndex;
    int size() const { return static_cast<int>(tuples.size()); }
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
// The fresh list is left empty.
int mergeTupleLists(TupleList& old, TupleList& fresh);

// t lies inside o in every genome where t occurs, at no smaller total distance.
bool isNested(const ClusterTuple& t, const ClusterTuple& o, int k);
// t and u overlap by position in some genome where both occur (chr ignored).
bool overlapInSomeGenome(const ClusterTuple& t, const ClusterTuple& u, int k);
// Gene-content order: median size, then genes ascending, then pValue; null
// compares equal to anything. A tuple without sortedGenes is fatal.
int compareGeneContent(const ClusterTuple* a, const ClusterTuple* b);

// Driver-level operations on the result list (in the order the driver runs them).
int countCentralTuples(const TupleList* list, const ParameterArray& params);
int countTuplesWithExactOccurrence(TupleList* list);
void remove_NonCenter_kTuples(TupleList* list);
void removeDominatedTuples(TupleList* list);
int countOverlappingTuples(const TupleList* list);
void sortTuplesByGeneContent(TupleList* list);

// Per-tuple queries of the result extraction.
int countExactOccurrences(const ClusterTuple& tuple, int k);
int minOccurrenceDistance(const ClusterTuple& tuple, int k);
int maxOccurrenceDistance(const ClusterTuple& tuple, int k);
bool haveSameGeneContent(const ClusterTuple* a, const ClusterTuple* b);

}  // namespace tamsu::detail
