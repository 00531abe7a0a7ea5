// Reference-based clusters: approximate occurrences (locations), their
// per-genome lists, reference clusters and the run's cluster list.
#pragma once

#include <list>
#include <vector>

#include "tamsu/types.h"
#include "walk/pattern.h"

namespace tamsu::detail {

struct Location {
    int genome = 0;
    int chr = 0;
    int l = 0;
    int r = 0;
    int setDist = 0;   // |P \ G| + |G \ P|
    int size = 0;      // |G|
    int hitCount = 0;  // |P ∩ G|
    double pValue = 0.0;
};

// One genome's locations, side by side in one array: a list is built,
// merged and filtered in place of node-by-node allocation.
struct LocationList {
    int genome = 0;
    std::vector<Location> locs;
    int count() const { return static_cast<int>(locs.size()); }
    bool empty() const { return locs.empty(); }
};

struct ReferenceCluster {
    int refGenome = 0;
    int refChrom = 0;
    int l = 0;
    int r = 0;
    int genomeCount = 0;
    int size = 0;
    int listCount = 0;
    double pValue = 0.0;
    std::vector<LocationList> locationLists;  // one per genome
    std::vector<int> genes;                   // distinct genes of the reference interval, first occurrence order
    double log10PValue = 0.0;                 // log10 of pValue, summed factor by factor (never overflows)
};

struct ReferenceClusterList {
    Mode operationMode = Mode::reference;
    std::list<ReferenceCluster> clusters;
    int count() const { return static_cast<int>(clusters.size()); }
};

// --- Locations and their lists ---------------------------------------------

Location makeLocation(int genome, int chr, int l, int r, int setDist, int size, int hitCount);
LocationList makeLocationList(int genome);
// -1, 0, +1 by chromosome, then l, then r (the genome is not compared).
int compareLocations(const Location& a, const Location& b);
// list2's elements go behind list1's; list2 is left empty.
void appendLocations(LocationList& list1, LocationList& list2);
// Folds newList into oldList: one walk, an old element with the same (l, r)
// as a new one is replaced by it, relative order of both inputs kept.
// newList is left empty. scratch (when given) lends its room to the merge
// and takes the old list's.
void mergeLocations(LocationList& oldList, LocationList& newList, std::vector<Location>* scratch = nullptr);
// Appends copies (p-value 0.0) of src's elements to the empty dst.
void copyLocations(const LocationList& src, LocationList& dst);
// n new lists, list i labelled i and holding a copy of lists[i].
std::vector<LocationList> copyLocationLists(const std::vector<LocationList>& lists, int n);
// Stable: by setDist ascending, hitCount descending, chr, l, r ascending.
void sortLocations(LocationList& list);
void clearLocations(LocationList& list);
// x lies inside y on the same chromosome; both must be non-empty.
bool isNestedLocation(const Location& x, const Location& y);

// --- Reference clusters ----------------------------------------------------

// A cluster for the current reference interval of pattern; takes the lists.
ReferenceCluster makeReferenceCluster(const Pattern& pattern, std::vector<LocationList>&& lists);
ReferenceClusterList makeReferenceClusterList(Mode operationMode);

}  // namespace tamsu::detail
