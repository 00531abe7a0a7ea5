// Reference-based clusters: approximate occurrences (locations), their
// per-genome lists, reference clusters and the run's cluster list.
#pragma once

#include <list>
#include <span>
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
    // Every genome's locations in one array, genome by genome in ascending
    // order, each genome's in its list order: a cluster costs its locations,
    // not a list per genome of the run (most are empty in a large run).
    std::vector<Location> locations;
    std::vector<int> genes;    // distinct genes of the reference interval, first occurrence order
    double log10PValue = 0.0;  // log10 of pValue, summed factor by factor (never overflows)

    // The locations of genome g, in list order (empty when it has none).
    std::span<const Location> locationsOf(int g) const;
    std::span<Location> locationsOf(int g);
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
// Stable: by setDist ascending, hitCount descending, chr, l, r ascending.
void sortLocations(LocationList& list);
void clearLocations(LocationList& list);
// x lies inside y on the same chromosome; both must be non-empty.
bool isNestedLocation(const Location& x, const Location& y);

// --- Reference clusters ----------------------------------------------------

// A cluster for the current reference interval of pattern; takes the
// locations (genome by genome, ascending).
ReferenceCluster makeReferenceCluster(const Pattern& pattern, std::vector<Location>&& locations);
// The genome runs of a cluster's locations in order: visit(genome, its
// locations) for every genome that has some.
template <typename Visit>
void forEachGenomeRun(std::span<const Location> locations, Visit&& visit) {
    for (size_t at = 0, end = 0; at < locations.size(); at = end) {
        while (end < locations.size() && locations[end].genome == locations[at].genome) ++end;
        visit(locations[at].genome, locations.subspan(at, end - at));
    }
}
ReferenceClusterList makeReferenceClusterList(Mode operationMode);

}  // namespace tamsu::detail
