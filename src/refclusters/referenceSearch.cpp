// The reference-based search: grows every reference interval, keeps per
// genome its best approximate occurrences, and reduces the clusters found.
#include "refclusters/referenceSearch.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <type_traits>

#include "util/errors.h"
#include "walk/referenceWalk.h"

namespace tamsu::detail {

// --- The search's building blocks ------------------------------------------

int minOccGeneCount(int s, double minOccSize) { return static_cast<int>(s * minOccSize + 0.999999); }

namespace {

// The distinct count of from..to (distinctCount) as to moves right: a position
// counts when its gene does not occur between from and it.
class RunningDistinct {
public:
    RunningDistinct(const int* prevOcc, int from) : prevOcc_(prevOcc), from_(from), to_(from - 1) {}
    int upTo(int to) {
        for (; to_ < to; ++to_)
            if (prevOcc_[to_ + 1] < from_) ++count_;
        return count_;
    }

private:
    const int* prevOcc_;
    int from_;
    int to_;
    int count_ = 0;
};

}  // namespace

LocationList bestLocationsWith(const SearchParameters& params, int s, int c, const OccurrenceIndex& index, int g,
                               WalkTables& walk) {
    LocationList result = makeLocationList(g);
    bestLocationsWith(params, s, c, index, g, walk, index.occurrencesIn(c, g), result);
    return result;
}

namespace {

// What the location search around the new gene's occurrences reads of a
// growth step, worked out once for all genomes.
struct GrowthStep {
    GrowthStep(const SearchParameters& params, int s, int c, bool singleGenes)
        : s(s),
          c(c),
          delta(params.delta),
          m(minOccGeneCount(s, params.minOccSize)),
          shortest(s - params.delta),
          needed(std::max(s - params.delta, m)),
          singleGenes(singleGenes),
          withoutOthers(!singleGenes || s > params.delta + 1) {}
    int s;
    int c;
    int delta;
    int m;
    // An interval holds at most its length in distinct genes, extra of them
    // foreign: one shorter than shortest + 2 * extra (or m) is too far or
    // too small whatever its count, which is left unread.
    int shortest;
    int needed;  // the length of the shortest interval that may be a location
    bool singleGenes;
    // An interval whose genes outside the set are not enclosed by genes of
    // the set is left out, so without another position of the set between
    // the outermost borders every location holds c alone: too far from a
    // set of more than delta + 1 genes, and left out without singleGenes.
    bool withoutOthers;
};

// Whether two consecutive positions of positions[0..count) (ascending, one
// chromosome) enclose at least one and at most delta distinct genes.
bool foreignBetweenNear(const int* positions, int count, const int* prevOcc, int delta) {
    for (int i = 0; i + 1 < count; ++i) {
        const int from = positions[i], to = positions[i + 1];
        int distinct = 0;
        for (int j = from + 1; j < to && distinct <= delta; ++j)
            if (prevOcc[j] <= from) ++distinct;  // its gene is not met since from
        if (distinct >= 1 && distinct <= delta) return true;
    }
    return false;
}

// The locations of genome g around the occurrences of the step's gene
// there (occurrences: indices into the index's occurrences()) appended to
// out: bestLocationsWith for tables of kB - 1 = delta (rows of kB borders on
// each side, computed in place), or any depth (kB 0: the walk's rows).
template <int kB>
void appendLocationsAround(const GrowthStep& step, const OccurrenceIndex& index, WalkTables& walk, int g,
                           std::pair<int, int> occurrences, std::vector<Location>& out) {
    const int s = step.s;
    const int delta = step.delta;
    const int m = step.m;
    const int shortest = step.shortest;
    // The border columns the tables keep (delta + 1 unless delta exceeds every distance).
    const int D = kB > 0 ? kB : walk.D + 1;
    // c's occurrences in genome g, chromosome by chromosome.
    const FamilyOccurrences& occ = index.occurrences();
    const auto [first, last] = occurrences;
    FixedRows<(kB > 0 ? kB : 1)> fixed;
    for (int at = first; at < last;) {
        const ChromIndex& chrom = index.chromosomes()[static_cast<size_t>(occ.key[at] >> 32)];
        const int k = chrom.number;
        const int* prevOcc = chrom.prevOcc.data();
        const int* nextOcc = chrom.nextOcc.data();
        const long long chromEnd = FamilyOccurrences::keyOf(chrom.flat + 1, 0);
        int end = at + 1;
        while (end < last && occ.key[end] < chromEnd) ++end;
        // For a gene set of one gene, a location holding a foreign gene holds
        // it between two occurrences of c, so two consecutive occurrences
        // with at most delta distinct genes between them: without such a
        // pair every location on the chromosome holds c alone.
        if (!step.singleGenes && s == 1 && !foreignBetweenNear(occ.position.data() + at, end - at, prevOcc, delta)) {
            at = end;
            continue;
        }
        int prevPos = 0;
        for (; at < end; ++at) {
            const int p = occ.position[at];
            // Each position's rows are read once per left border (when its
            // gene joins the pattern): computed afresh, not kept.
            const int *L, *R, *Lp, *Rp;
            if constexpr (kB > 0) {
                walk.absorbedRows(chrom, p, fixed);
                L = fixed.L, R = fixed.R, Lp = fixed.L_prime, Rp = fixed.R_prime;
            } else {
                const BorderRows rows = walk.rowsOnce(chrom, p, step.c);
                L = rows.L, R = rows.R, Lp = rows.L_prime, Rp = rows.R_prime;
            }
            const int prev = prevPos;
            prevPos = p;
            // Most occurrences lie where even the widest interval is too short.
            const int widest = R[D] - 1;
            if (widest - L[D] < step.needed) continue;
            if (step.withoutOthers && Lp[D] == p && Rp[D] == p) continue;
            for (int a = D; a >= 1; --a) {
                // Intervals holding the previous occurrence of c were produced from it.
                if (prev > L[a]) continue;
                // Runs of equal left borders (the left end) are taken once, at
                // their lowest depth.
                while (a > 1 && L[a] == L[a - 1]) --a;
                const int lp = L[a];
                int extra = a - 1;  // foreign genes first met at L[1..a-1]
                if (widest - lp < std::max(shortest + 2 * extra, m)) continue;
                // Distinct counts of the interval and of its part from the
                // primed borders, both growing to the right with b.
                RunningDistinct outer(prevOcc, lp + 1), inner(prevOcc, Lp[a]);
                for (int b = 1; b <= D; ++b) {
                    if (b > 1) {
                        if (R[b] == R[b - 1]) break;
                        // The gene at R[b-1] is foreign and new unless it already
                        // occurs left of p inside the interval.
                        if (prevOcc[R[b - 1]] < std::max(lp, 1)) ++extra;
                    }
                    if (extra > delta) break;
                    if (nextOcc[lp] < R[b]) break;     // the left neighbour recurs inside
                    if (lp < prevOcc[R[b]]) continue;  // the right neighbour occurs inside
                    const int length = R[b] - 1 - lp;
                    if (length < shortest + 2 * extra || length < m) continue;
                    const int n = outer.upTo(R[b] - 1);
                    // Foreign genes met only at the ends make a better interval
                    // without them.
                    if (n != inner.upTo(Rp[b])) continue;
                    const int dist = s - n + 2 * extra;
                    if (dist < 0) fail(Stream::err, "negative distance %d\n", dist);
                    if (dist > delta || n < m || (n == 1 && !step.singleGenes)) continue;
                    if (R[b] - 1 > chrom.length)
                        fail(Stream::err, "impossible interval: (%d,%d) on chr of length %d\n", lp + 1, R[b] - 1,
                             chrom.length);
                    Location& x = out.emplace_back();
                    x.genome = g;
                    x.chr = k;
                    x.l = lp + 1;
                    x.r = R[b] - 1;
                    x.setDist = dist;
                    x.size = n;
                    x.hitCount = n - extra;
                }
            }
        }
    }
}

// Calls f with the border count of the walk's rows as a constant (0: any).
template <typename F>
void withBorderCount(const WalkTables& walk, F&& f) {
    // Small distances (the usual ones) get rows of a fixed width.
    switch (walk.D) {
        case 0:
            return f(std::integral_constant<int, 1>{});
        case 1:
            return f(std::integral_constant<int, 2>{});
        case 2:
            return f(std::integral_constant<int, 3>{});
        default:
            return f(std::integral_constant<int, 0>{});
    }
}

}  // namespace

void bestLocationsWith(const SearchParameters& params, int s, int c, const OccurrenceIndex& index, int g,
                       WalkTables& walk, std::pair<int, int> occurrences, LocationList& result, bool singleGenes) {
    const GrowthStep step(params, s, c, singleGenes);
    result.genome = g;
    result.locs.clear();
    withBorderCount(walk, [&](auto kB) {
        appendLocationsAround<decltype(kB)::value>(step, index, walk, g, occurrences, result.locs);
    });
}

void removeNonInheritable(const OccurrenceIndex& index, int c, LocationList& list, int delta, int minOccGeneCount) {
    if (!list.empty())
        removeNonInheritable(index, c, list, delta, minOccGeneCount, index.occurrencesIn(c, list.locs.front().genome));
}

void removeNonInheritable(const OccurrenceIndex& index, int /* c: given by its occurrences */, LocationList& list,
                          int delta, int minOccGeneCount, std::pair<int, int> occurrences) {
    // Survivors are moved down over the removed ones, order kept.
    std::vector<Location>& locs = list.locs;
    size_t kept = 0;
    if (occurrences.first == occurrences.second) {
        // The genome lacks c: no location gains a hit or has c beside it.
        for (size_t at = 0; at < locs.size(); ++at) {
            Location& x = locs[at];
            x.setDist += 1;
            if (x.setDist > delta || x.size < minOccGeneCount) continue;
            if (kept != at) locs[kept] = x;
            ++kept;
        }
        locs.resize(kept);
        return;
    }
    // c's occurrences in the list's genome, searched by (chromosome,
    // position) key: the first at l or beyond tells whether c lies inside,
    // it and the one before whether c lies beside (the genes are not read).
    const FamilyOccurrences& occ = index.occurrences();
    const long long* first = occ.key.data() + occurrences.first;
    const long long* last = occ.key.data() + occurrences.second;
    for (size_t at = 0; at < locs.size(); ++at) {
        Location& x = locs[at];
        const int flat = index.flatNumber(x.genome, x.chr);
        const long long* next = std::lower_bound(first, last, FamilyOccurrences::keyOf(flat, x.l));
        if (next != last && *next <= FamilyOccurrences::keyOf(flat, x.r)) {
            x.hitCount += 1;
        } else {
            x.setDist += 1;
            const bool besideLeft = next != first && next[-1] == FamilyOccurrences::keyOf(flat, x.l - 1);
            const bool besideRight = next != last && *next == FamilyOccurrences::keyOf(flat, x.r + 1);
            if (x.setDist > delta || besideLeft || besideRight || x.size < minOccGeneCount) continue;
        }
        if (kept != at) locs[kept] = x;
        ++kept;
    }
    locs.resize(kept);
}

void NonOccTally::reset(int genomeCount, int delta) {
    held_.assign(static_cast<size_t>(genomeCount), 0);
    heldBy_.assign(1, genomeCount);
    size_ = 0;
    delta_ = delta;
    lacking_ = 0;
}

void NonOccTally::add(std::span<const int> holders) {
    // Threshold: a genome lacks too many genes while it holds fewer than
    // size - delta of them.
    const int t = size_ - delta_;
    for (int j : holders) {
        const int h = held_[static_cast<size_t>(j)]++;
        --heldBy_[static_cast<size_t>(h)];
        if (static_cast<size_t>(h) + 1 >= heldBy_.size()) heldBy_.push_back(0);
        ++heldBy_[static_cast<size_t>(h) + 1];
        if (h < t && h + 1 >= t) --lacking_;
    }
    ++size_;
    if (t >= 0 && static_cast<size_t>(t) < heldBy_.size()) lacking_ += heldBy_[static_cast<size_t>(t)];
}

static bool hasMinHits(const LocationList& list) {
    return std::any_of(list.locs.begin(), list.locs.end(), [](const Location& x) { return x.hitCount >= 2; });
}

int minHitCoveredCount(const std::vector<LocationList>& lists, int K) {
    int covered = 0;
    for (int j = 0; j < K; ++j)
        if (hasMinHits(lists[j])) ++covered;
    return covered;
}

int minHitCoveredCount(const std::vector<LocationList>& lists, std::span<const int> genomes) {
    int covered = 0;
    for (int j : genomes)
        if (hasMinHits(lists[j])) ++covered;
    return covered;
}

bool lacksFamily(const OccurrenceIndex& index, int c, int g) {
    std::span<const int> holders = index.genomesHolding(c);
    return holders.empty() || (holders.size() == 1 && holders[0] == g);
}

int leftmostEssentialFamily(const Location& x, const ChromIndex& chrom) {
    if (x.l > x.r) return -1;
    for (int p = x.l; p <= x.r; ++p)
        if (chrom.nextOcc[p] > x.r) return chrom.genes[p];
    fail(Stream::out, "no left border found\n");
}

int rightmostEssentialFamily(const Location& x, const ChromIndex& chrom) {
    if (x.l > x.r) return -1;
    for (int p = x.r; p >= x.l; --p)
        if (chrom.prevOcc[p] < x.l) return chrom.genes[p];
    fail(Stream::out, "no right border found\n");
}

bool occursInLocations(int gene, const std::vector<LocationList>& lists, const OccurrenceIndex& index, int g) {
    for (size_t j = 0; j < lists.size(); ++j) {
        if (static_cast<int>(j) == g) continue;
        for (const Location& x : lists[j].locs)
            if (x.hitCount > 2 && holdsFamily(index, index.chrom(static_cast<int>(j), x.chr), gene, x.l, x.r))
                return true;
    }
    return false;
}

// head, the first location of its genome's list, is an exact occurrence
// found before x: in an earlier genome, or earlier in x's own.
static bool isEarlierExactOccurrence(const Location& head, const Location& x) {
    if (head.setDist != 0) return false;
    if (head.genome != x.genome) return head.genome < x.genome;
    return head.chr < x.chr || (head.chr == x.chr && (head.l < x.l || (head.l == x.l && head.r < x.r)));
}

bool isFirstReferenceOccurrence(const Location& x, const std::vector<LocationList>& lists) {
    return std::none_of(lists.begin(), lists.end(), [&x](const LocationList& list) {
        return !list.empty() && isEarlierExactOccurrence(list.locs.front(), x);
    });
}

bool isFirstReferenceOccurrence(const Location& x, std::span<const Location> locations) {
    bool first = true;
    forEachGenomeRun(locations, [&](int, std::span<const Location> run) {
        if (isEarlierExactOccurrence(run.front(), x)) first = false;
    });
    return first;
}

// --- Reductions --------------------------------------------------------------

void removeLocationsWithFewHits(LocationList& list, int minHits) {
    std::erase_if(list.locs, [minHits](const Location& x) { return x.hitCount < minHits; });
}

void removeSuboptimalLocations(LocationList& list) {
    std::vector<Location>& locs = list.locs;
    for (size_t a = 0; a < locs.size(); ++a) {
        // Every b nested in a at no smaller distance goes; a keeps its place
        // among the rest.
        const Location outer = locs[a];  // its slot may be overwritten below
        size_t kept = 0, newA = a;
        for (size_t b = 0; b < locs.size(); ++b) {
            if (b != a && locs[b].setDist >= outer.setDist && isNestedLocation(locs[b], outer)) {
                if (b < a) --newA;
                continue;
            }
            if (kept != b) locs[kept] = locs[b];
            ++kept;
        }
        locs.resize(kept);
        a = newA;
    }
}

bool sameReferenceChromosomes(const ReferenceCluster& a, const ReferenceCluster& b) {
    return a.refGenome == b.refGenome && a.refChrom == b.refChrom;
}

bool isReferenceIntervalNested(const ReferenceCluster& a, const ReferenceCluster& b) {
    return sameReferenceChromosomes(a, b) && a.l >= b.l && a.r <= b.r;
}

bool areAllLocationsNested(const ReferenceCluster& a, const ReferenceCluster& b) {
    bool nested = true;
    forEachGenomeRun(a.locations, [&](int genome, std::span<const Location> inner) {
        if (!nested) return;
        const std::span<const Location> outer = b.locationsOf(genome);
        for (const Location& x : inner) {
            bool covered = std::any_of(outer.begin(), outer.end(), [&x](const Location& y) {
                return y.chr == x.chr && y.l <= x.l && x.r <= y.r && y.setDist <= x.setDist;
            });
            if (!covered) {
                nested = false;
                return;
            }
        }
    });
    return nested;
}

void removeDominatedClusters(std::list<ReferenceCluster>& clusters) {
    // Pass 1: a cluster gives way to a later, longer one with the same left border.
    for (auto a = clusters.begin(); a != clusters.end();) {
        bool dominated = false;
        for (auto b = std::next(a); b != clusters.end(); ++b) {
            if (!sameReferenceChromosomes(*a, *b) || b->l != a->l) break;
            if (a->listCount > b->listCount) continue;
            if (!isReferenceIntervalNested(*a, *b)) continue;
            if (!areAllLocationsNested(*a, *b)) continue;
            dominated = true;
            break;
        }
        a = dominated ? clusters.erase(a) : std::next(a);
    }
    // Pass 2: a later cluster gives way to an earlier one that contains it.
    for (auto a = clusters.begin(); a != clusters.end(); ++a) {
        for (auto b = std::next(a); b != clusters.end();) {
            if (!sameReferenceChromosomes(*a, *b) || b->l > a->r) break;
            if (b->listCount > a->listCount || !isReferenceIntervalNested(*b, *a) || !areAllLocationsNested(*b, *a)) {
                ++b;
                continue;
            }
            b = clusters.erase(b);
        }
    }
}

std::vector<int> referenceGeneContent(const ReferenceCluster& cluster, const OccurrenceIndex& index) {
    const ChromIndex& chrom = index.chrom(cluster.refGenome, cluster.refChrom);
    std::vector<int> content;
    content.reserve(std::max(cluster.size, 0));
    for (int p = cluster.l; p <= cluster.r && static_cast<int>(content.size()) < cluster.size; ++p)
        if (chrom.prevOcc[p] < cluster.l) content.push_back(chrom.genes[p]);
    if (static_cast<int>(content.size()) < cluster.size)
        fail(Stream::err, "Error in ref cluster list size: c: %d, size: %d\n", static_cast<int>(content.size()),
             cluster.size);
    return content;
}

void setGeneContents(ReferenceClusterList& list, const OccurrenceIndex& index) {
    for (ReferenceCluster& cluster : list.clusters) cluster.genes = referenceGeneContent(cluster, index);
}

// --- The search ----------------------------------------------------------------

namespace {

// Roughly what a reference cluster occupies: the record, its list node and
// its locations.
std::size_t approxBytes(const ReferenceCluster& cluster) {
    return sizeof(ReferenceCluster) + 2 * sizeof(void*) + cluster.locations.capacity() * sizeof(Location) +
           cluster.genes.capacity() * sizeof(int);
}

// One worker's search: its walk, its working lists, and the results it
// keeps per reference chromosome (shared slots, each written by the one
// worker that walks that chromosome).
class RefSearcher {
public:
    RefSearcher(const OccurrenceIndex& index, const SearchParameters& params, int minClusterSize, ReferenceWalk& walk,
                std::vector<ChromClusters>& found, MemoryBudget* memory)
        : index_(index),
          params_(params),
          minClusterSize_(minClusterSize),
          walk_(walk),
          found_(found),
          clusterBytes_(memory) {
        // The reference occurrence of a single gene has one hit, so an
        // interval of one gene passes the quorum only when no genome needs
        // two.
        singleGenes_ = minClusterSize <= 1 && index.genomeCount() - params.mayLack <= 0;
        for (int j = 0; j < index.genomeCount(); ++j) workLists_.push_back(makeLocationList(j));
        isActive_.assign(static_cast<size_t>(index.genomeCount()), 0);
    }

    LeftBorder operator()(const ChromIndex& chrom, int i) {
        const LeftBorder step = search(chrom, i);
        // A chromosome's clusters are reduced as soon as it is done, which
        // bounds what is kept; the reduction of the whole list then finds
        // nothing more to remove there.
        if (i == chrom.length && step != LeftBorder::cancel) {
            std::list<ReferenceCluster>& clusters = found_[static_cast<size_t>(chrom.flat)].clusters;
            std::size_t before = 0, after = 0;
            for (const ReferenceCluster& cluster : clusters) before += approxBytes(cluster);
            removeDominatedClusters(clusters);
            for (const ReferenceCluster& cluster : clusters) after += approxBytes(cluster);
            clusterBytes_.remove(before - after);  // the dominated clusters are gone
        }
        return step;
    }

private:
    LeftBorder search(const ChromIndex& chrom, int i);
    // Folds the locations around the step's gene into the lists of the
    // genomes holding it (but g) that hold enough of the set's genes.
    template <int kB>
    void addNewLocations(const GrowthStep& step, std::span<const int> holders, int g);
    void activate(int x) {
        if (!isActive_[x] && !workLists_[x].empty()) {
            isActive_[x] = 1;
            active_.push_back(x);
        }
    }

    const OccurrenceIndex& index_;
    const SearchParameters& params_;
    const int minClusterSize_;
    bool singleGenes_ = true;  // whether locations of one distinct gene can matter
    ReferenceWalk& walk_;
    std::vector<ChromClusters>& found_;
    NonOccTally nonOccs_;
    std::vector<LocationList> workLists_;
    LocationList newList_;  // the new locations of one genome, folded in at once
    // The genomes whose working list holds locations (in no particular
    // order): a growth step costs them and the genomes holding the new gene,
    // not every genome of the run.
    std::vector<int> active_;
    std::vector<char> isActive_;  // per genome
    std::vector<Location> mergeScratch_;
    LocationList reducedScratch_;           // one genome's locations as a cluster keeps them
    std::vector<Location> clusterScratch_;  // a cluster's locations before it is kept (exactly sized then)
    int lastL_ = 0;
    int lastR_ = 0;
    MemoryCharge clusterBytes_;  // what this worker's clusters hold of the run's budget
};

template <int kB>
void RefSearcher::addNewLocations(const GrowthStep& step, std::span<const int> holders, int g) {
    WalkTables& tables = walk_.tables();
    for (int h = 0; h < static_cast<int>(holders.size()); ++h) {
        const int x = holders[h];
        if (x == g || nonOccs_.lacks(x)) continue;
        newList_.genome = x;
        appendLocationsAround<kB>(step, index_, tables, x, index_.occurrencesOfHolder(step.c, h), newList_.locs);
        if (newList_.empty()) continue;
        mergeLocations(workLists_[x], newList_, &mergeScratch_);
        activate(x);
    }
}

LeftBorder RefSearcher::search(const ChromIndex& chrom, int i) {
    const OccurrenceIndex& index = index_;
    const SearchParameters& params = params_;
    const int K = index.genomeCount();
    const int delta = params.delta;
    const int g = chrom.genome;
    Pattern& pattern = walk_.pattern();
    std::vector<LocationList>& workLists = workLists_;
    ChromClusters& found = found_[static_cast<size_t>(chrom.flat)];
    if (i == 1) lastL_ = lastR_ = 0;
    nonOccs_.reset(K, delta);
    for (int x : active_) {
        clearLocations(workLists[x]);
        isActive_[x] = 0;
    }
    active_.clear();

    if (startsNoCluster(index, chrom, i)) return LeftBorder::skipped;

    int j = i;
    while (walk_.grow(j, chrom)) {
        j = pattern.right + 1;
        const int c = pattern.newChar;
        const int s = pattern.size;
        walk_.tables().absorb(index, c);

        const int m = minOccGeneCount(s, params.minOccSize);
        std::span<const int> holders = index.genomesHolding(c);
        // Only lists that hold locations change; those left empty drop out.
        // They are few next to the genomes holding c, searched for each.
        size_t kept = 0;
        for (int x : active_) {
            const auto at = std::lower_bound(holders.begin(), holders.end(), x);
            removeNonInheritable(index, c, workLists[x], delta, m,
                                 at != holders.end() && *at == x
                                     ? index.occurrencesOfHolder(c, static_cast<int>(at - holders.begin()))
                                     : std::pair<int, int>{0, 0});
            if (workLists[x].empty())
                isActive_[x] = 0;
            else
                active_[kept++] = x;
        }
        active_.resize(kept);

        // More genomes than allowed lack too many genes of P, and
        // growth only adds genes.
        nonOccs_.add(holders);
        if (nonOccs_.lacking() > params.mayLack) break;

        clearLocations(workLists[g]);
        workLists[g].locs.push_back(makeLocation(g, chrom.number, pattern.left, pattern.right, 0, s, s));
        activate(g);
        // New locations lie around occurrences of c only, and only in genomes
        // that hold enough of P's genes: a location's distance is at least
        // the number of P's genes its genome lacks.
        const GrowthStep step(params, s, c, singleGenes_);
        withBorderCount(walk_.tables(), [&](auto kB) { addNewLocations<decltype(kB)::value>(step, holders, g); });

        const int covered = minHitCoveredCount(workLists, active_);
        if (covered < K - params.mayLack || s < minClusterSize_) continue;
        if (pattern.right > lastR_) {
            if (pattern.left > lastL_) {
                found.nonNestedCount += 1;
                lastL_ = pattern.left;
            }
            lastR_ = pattern.right;
        }
        found.filterCount += 1;

        const Location reference = workLists[g].locs.front();
        if (!isFirstReferenceOccurrence(reference, workLists)) continue;
        if (!occursInLocations(leftmostEssentialFamily(reference, chrom), workLists, index, g)) continue;
        if (!occursInLocations(rightmostEssentialFamily(reference, chrom), workLists, index, g)) continue;

        // The cluster keeps per genome its locations with at least 2 hits, the
        // suboptimal ones dropped, best first.
        std::vector<Location>& locations = clusterScratch_;
        locations.clear();
        for (int x = 0; x < K; ++x) {
            if (workLists[x].empty()) continue;
            LocationList& list = reducedScratch_;
            list.genome = x;
            list.locs.clear();
            copyLocations(workLists[x], list);
            removeLocationsWithFewHits(list, 2);
            removeSuboptimalLocations(list);
            sortLocations(list);
            locations.insert(locations.end(), list.locs.begin(), list.locs.end());
        }
        // Clusters are only ever inserted behind the last one.
        if (isFirstReferenceOccurrence(reference, locations)) {
            found.clusters.push_back(makeReferenceCluster(pattern, {locations.begin(), locations.end()}));
            clusterBytes_.add(approxBytes(found.clusters.back()));
        }
    }
    return LeftBorder::done;
}

}  // namespace

bool startsNoCluster(const OccurrenceIndex& index, const ChromIndex& chrom, int i) {
    return chrom.nextOcc[i] > chrom.length && lacksFamily(index, chrom.genes[i], chrom.genome);
}

ChromRange referenceChromosomes(const OccurrenceIndex& index, const SearchParameters& params) {
    return index.leadingGenomes(referenceGenomeCount(params, index.genomeCount()));
}

// The search's opening lines and the start of its progress over refs.
static void startReferenceSearch(const OccurrenceIndex& index, const SearchParameters& params, Progress& progress,
                                 ChromRange refs) {
    const int K = index.genomeCount();
    progress.print(Stream::out, formatText("q: %d\n", params.mayLack));
    progress.print(Stream::err, formatText("refGenomeCount: %d, q: %d, K; %d\n", referenceGenomeCount(params, K),
                                           params.mayLack, K));
    progress.beginRun(index, refs);
}

std::optional<std::vector<ChromClusters>> searchReferenceChromosomes(const OccurrenceIndex& index,
                                                                     const SearchParameters& params, Progress& progress,
                                                                     ChromRange refs, MemoryBudget* memory) {
    const int K = index.genomeCount();
    startReferenceSearch(index, params, progress, refs);
    // A fixed gene set is the whole first chromosome of genome 0.
    const int minClusterSize = params.refType == RefType::cluster && K > 0 && !index.genome(0).empty()
                                   ? index.chrom(0, 0).length
                                   : params.minClusterSize;

    // Results by reference chromosome, gathered in walk order by the caller:
    // the same list whichever thread walked which chromosome.
    std::vector<ChromClusters> found(index.chromosomes().size());
    // The location search reads the primed rows too.
    const int depth = searchDepth(params, params.delta);
    bool complete = false;
    if (params.threads > 1) {
        complete = runReferenceWalkInParallel(
            index, depth, true, progress, refs, params.threads,
            [&](ReferenceWalk& walk) { return RefSearcher(index, params, minClusterSize, walk, found, memory); });
    } else {
        ReferenceWalk walk(index, depth, true, progress);
        RefSearcher search(index, params, minClusterSize, walk, found, memory);
        complete = walk.run(refs, search);
    }
    if (!complete) return std::nullopt;
    found.erase(found.begin() + refs.end, found.end());
    found.erase(found.begin(), found.begin() + refs.first);
    return found;
}

void replayReferenceSearch(const OccurrenceIndex& index, const SearchParameters& params, Progress& progress) {
    const ChromRange refs = referenceChromosomes(index, params);
    startReferenceSearch(index, params, progress, refs);
    replayReferenceWalk(index, refs, progress,
                        [&](const ChromIndex& ref, int i) { return !startsNoCluster(index, ref, i); });
}

ReferenceClusterList gatherReferenceClusters(std::vector<ChromClusters>&& found, const OccurrenceIndex& index,
                                             const SearchParameters& params, Progress& progress) {
    ReferenceClusterList clusterList = makeReferenceClusterList(params.mode);
    int clusterFilterCount = 0;
    int nonNestedCount = 0;
    for (ChromClusters& chrom : found) {
        clusterList.clusters.splice(clusterList.clusters.end(), chrom.clusters);
        clusterFilterCount += chrom.filterCount;
        nonNestedCount += chrom.nonNestedCount;
    }
    removeDominatedClusters(clusterList.clusters);
    progress.print(Stream::out, formatText("list size: %d\n", clusterList.count()));
    setGeneContents(clusterList, index);
    progress.endRun();
    progress.print(Stream::out, formatText("number of reference gene clusters:  %d\n", clusterFilterCount));
    progress.print(Stream::out, formatText("non-nested reference gene clusters: %d\n", nonNestedCount));
    return clusterList;
}

std::optional<ReferenceClusterList> computeReferenceClusters(const OccurrenceIndex& index,
                                                             const SearchParameters& params, Progress& progress,
                                                             MemoryBudget* memory) {
    std::optional<std::vector<ChromClusters>> found =
        searchReferenceChromosomes(index, params, progress, referenceChromosomes(index, params), memory);
    if (!found) return std::nullopt;
    return gatherReferenceClusters(std::move(*found), index, params, progress);
}

}  // namespace tamsu::detail
