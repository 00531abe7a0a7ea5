// Location lists and reference clusters: creation, order, merging and copies.
#include "refclusters/locations.h"

#include <algorithm>
#include <iterator>

#include "util/errors.h"

namespace tamsu::detail {

// --- Locations and their lists ---------------------------------------------

Location makeLocation(int genome, int chr, int l, int r, int setDist, int size, int hitCount) {
    Location x;
    x.genome = genome;
    x.chr = chr;
    x.l = l;
    x.r = r;
    x.setDist = setDist;
    x.size = size;
    x.hitCount = hitCount;
    return x;
}

LocationList makeLocationList(int genome) {
    LocationList list;
    list.genome = genome;
    return list;
}

// The chromosome is compared first: a genome's location lists run over all
// its chromosomes, and mergeLocations relies on one order that separates them
// (equal borders on two chromosomes are two locations, not one).
int compareLocations(const Location& a, const Location& b) {
    if (a.chr != b.chr) return a.chr < b.chr ? -1 : 1;
    if (a.l != b.l) return a.l < b.l ? -1 : 1;
    if (a.r != b.r) return a.r < b.r ? -1 : 1;
    return 0;
}

void appendLocations(LocationList& list1, LocationList& list2) {
    if (list1.locs.empty())
        list1.locs.swap(list2.locs);
    else
        list1.locs.insert(list1.locs.end(), list2.locs.begin(), list2.locs.end());
    list2.locs.clear();
}

void mergeLocations(LocationList& oldList, LocationList& newList, std::vector<Location>* scratch) {
    std::vector<Location>& olds = oldList.locs;
    std::vector<Location>& news = newList.locs;
    if (olds.empty() || news.empty()) {
        appendLocations(oldList, newList);
        return;
    }
    // The old list need not be ordered: an old element is compared with the
    // new element at hand, passed when smaller, dropped when equal (the new
    // one replaces it), and the new one goes first when the old is larger.
    std::vector<Location> own;
    std::vector<Location>& merged = scratch != nullptr ? *scratch : own;
    merged.clear();
    merged.reserve(olds.size() + news.size());
    size_t i = 0, j = 0;
    while (i < olds.size() && j < news.size()) {
        const int cmp = compareLocations(olds[i], news[j]);
        if (cmp < 0)
            merged.push_back(olds[i++]);
        else if (cmp == 0)
            ++i;
        else
            merged.push_back(news[j++]);
    }
    merged.insert(merged.end(), olds.begin() + static_cast<std::ptrdiff_t>(i), olds.end());
    merged.insert(merged.end(), news.begin() + static_cast<std::ptrdiff_t>(j), news.end());
    olds.swap(merged);
    news.clear();
}

void copyLocations(const LocationList& src, LocationList& dst) {
    dst.locs.reserve(dst.locs.size() + src.locs.size());
    for (const Location& x : src.locs)
        dst.locs.push_back(makeLocation(x.genome, x.chr, x.l, x.r, x.setDist, x.size, x.hitCount));
}

void sortLocations(LocationList& list) {
    // A bubble sort that swaps only on strict order is stable: a stable sort
    // with the same keys gives the same order.
    std::stable_sort(list.locs.begin(), list.locs.end(), [](const Location& a, const Location& b) {
        if (a.setDist != b.setDist) return a.setDist < b.setDist;
        if (a.hitCount != b.hitCount) return a.hitCount > b.hitCount;
        if (a.chr != b.chr) return a.chr < b.chr;
        if (a.l != b.l) return a.l < b.l;
        return a.r < b.r;
    });
}

void clearLocations(LocationList& list) { list.locs.clear(); }

bool isNestedLocation(const Location& x, const Location& y) {
    if (x.l > x.r || y.l > y.r) fail(Stream::err, "empty dLoc when testing for nestedness");
    return x.chr == y.chr && y.l <= x.l && x.l <= y.r && x.r <= y.r;
}

// --- Reference clusters ----------------------------------------------------

namespace {

// Locations by genome alone, for the binary search of a genome's run.
struct GenomeOrder {
    bool operator()(const Location& x, int g) const { return x.genome < g; }
    bool operator()(int g, const Location& x) const { return g < x.genome; }
};

}  // namespace

std::span<const Location> ReferenceCluster::locationsOf(int g) const {
    const auto [first, last] = std::equal_range(locations.begin(), locations.end(), g, GenomeOrder{});
    return {first, last};
}

std::span<Location> ReferenceCluster::locationsOf(int g) {
    const auto [first, last] = std::equal_range(locations.begin(), locations.end(), g, GenomeOrder{});
    return {first, last};
}

ReferenceCluster makeReferenceCluster(const Pattern& pattern, std::vector<Location>&& locations) {
    ReferenceCluster cluster;
    cluster.refGenome = pattern.refGenome;
    cluster.refChrom = pattern.refChrom;
    cluster.l = pattern.left;
    cluster.r = pattern.right;
    cluster.size = pattern.size;
    cluster.genomeCount = pattern.genomeCount;
    cluster.locations = std::move(locations);
    // Every genome has a list, empty or not.
    cluster.listCount = cluster.genomeCount;
    return cluster;
}

ReferenceClusterList makeReferenceClusterList(Mode operationMode) {
    ReferenceClusterList list;
    list.operationMode = operationMode;
    return list;
}

}  // namespace tamsu::detail
