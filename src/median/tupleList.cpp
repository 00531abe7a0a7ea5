// k-tuple records and lists: creation from the median search, canonical
// order and merging, and the reductions the driver applies to the result list.
#include "median/tupleList.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <map>
#include <vector>

#include "median/tupleSearch.h"
#include "util/errors.h"
#include "util/table.h"

namespace tamsu::detail {

namespace {

bool isEmptyInterval(const TupleOccurrence& iv) { return iv.l > iv.r; }

// Entry i of a table that may be shorter than the local numbering expects;
// missing entries read as 0 instead of reading past the table.
template <typename T>
T entryOrZero(const std::vector<T>& table, int i) {
    return i >= 0 && static_cast<size_t>(i) < table.size() ? table[i] : T(0);
}

}  // namespace

std::unique_ptr<TupleList> makeTupleList(int k) {
    auto list = std::make_unique<TupleList>();
    list->k = k;
    return list;
}

ClusterTuple makeTuple(int totalDist, int k, const TupleSearchState& data) {
    ClusterTuple tuple;
    tuple.totalDist = totalDist;
    tuple.pValues.assign(k > 0 ? k : 0, 1.0);
    tuple.pValue = 1.0;
    tuple.operationMode = data.params.mode;

    const int lcc = data.localCharCount > 0 ? data.localCharCount : 0;
    const std::vector<int>& localChars = data.localChars;
    const std::vector<unsigned char>& inSet = data.clusterSet;

    for (int c = 1; c <= lcc; ++c)
        if (entryOrZero(inSet, c)) tuple.genes.push_back(entryOrZero(localChars, c));
    std::sort(tuple.genes.begin(), tuple.genes.end());

    // Every occurrence with its distance to that set; a genome without a
    // chosen interval reads as the empty occurrence, which lacks every gene.
    static const CandidateInterval emptyOccurrence;
    tuple.perGenome.resize(k > 0 ? k : 0);
    for (int g = 0; g < k; ++g) {
        const CandidateInterval& iv =
            static_cast<size_t>(g) < data.currentIntervals.size() && data.currentIntervals[g] != nullptr
                ? *data.currentIntervals[g]
                : emptyOccurrence;
        TupleOccurrence& occ = tuple.perGenome[g];
        occ = TupleOccurrence{iv.l, iv.r, iv.chr, 0, 0};
        for (int c = 1; c <= lcc; ++c) {
            const bool member = entryOrZero(inSet, c) != 0;
            const bool present = entryOrZero(iv.localFlags, c) != 0;
            if (member != present) ++occ.dist;
            if (present && !member) ++occ.extraChars;
        }
    }
    return tuple;
}

// Roughly what a tuple occupies: the record, its list node and its arrays.
static std::size_t approxBytes(const ClusterTuple& tuple, int k) {
    const std::size_t genomes = static_cast<std::size_t>(k > 0 ? k : 0);
    return sizeof(ClusterTuple) + 2 * sizeof(void*) + genomes * (sizeof(TupleOccurrence) + sizeof(double)) +
           tuple.genes.size() * sizeof(int);
}

void storeTuple(int k, int totalDist, TupleSearchState& data) {
    if (!data.newTuples) data.newTuples = makeTupleList(k);
    data.newTuples->tuples.push_back(makeTuple(totalDist, k, data));
    data.memory.add(approxBytes(data.newTuples->tuples.back(), k));
}

TupleIterator removeTuple(TupleList& list, TupleIterator tuple) {
    list.canonicalIndex.clear();
    return list.tuples.erase(tuple);
}

int compareTuples(const ClusterTuple* a, const ClusterTuple* b, int k) {
    if (a == nullptr) fail(Stream::out, "no tuple1\n");
    if (b == nullptr) fail(Stream::out, "no tuple2\n");
    for (int g = 0; g < k; ++g) {
        const TupleOccurrence& x = a->perGenome[g];
        const TupleOccurrence& y = b->perGenome[g];
        if (x.chr != y.chr) return x.chr < y.chr ? -1 : 1;
        if (x.l != y.l) return x.l < y.l ? -1 : 1;
        if (x.r != y.r) return x.r < y.r ? -1 : 1;
    }
    return 0;
}

void sortTuples(TupleList& list) {
    if (list.size() < 2) return;
    // A stable sort that moves only strictly out-of-order pairs gives the
    // adjacent-swap sort's order; identical tuples end up next to each other,
    // where the final pass of that sort would have met them.
    const int k = list.k;
    list.tuples.sort([k](const ClusterTuple& x, const ClusterTuple& y) { return compareTuples(&x, &y, k) < 0; });
    for (auto x = list.tuples.begin(), y = std::next(x); y != list.tuples.end(); ++x, ++y)
        if (compareTuples(&*x, &*y, k) == 0) fail(Stream::out, "duplicate with same I_ref generated\n");
}

bool CanonicalBefore::operator()(const std::list<ClusterTuple>::iterator& a,
                                 const std::list<ClusterTuple>::iterator& b) const {
    return compareTuples(&*a, &*b, k) < 0;
}

// Each fresh tuple goes in front of the first old tuple that does not order
// before it, exactly where a walk along both sorted lists would put it; an
// equal old tuple makes it a duplicate.
int mergeTupleLists(TupleList& old, TupleList& fresh) {
    old.reduced.count += fresh.reduced.count;
    old.reduced.central += fresh.reduced.central;
    old.reduced.exact += fresh.reduced.exact;
    fresh.reduced = {};
    sortTuples(fresh);
    if (old.tuples.empty()) {
        old.tuples.splice(old.tuples.end(), fresh.tuples);
        old.k = fresh.k;
        old.canonicalIndex.clear();
        return 0;
    }
    auto& index = old.canonicalIndex;
    if (index.size() != old.tuples.size() || index.key_comp().k != old.k) {
        index = std::set<TupleIterator, CanonicalBefore>(CanonicalBefore{old.k});
        for (auto it = old.tuples.begin(); it != old.tuples.end(); ++it) index.insert(index.end(), it);
    }
    int duplicates = 0;
    while (!fresh.tuples.empty()) {
        auto b = fresh.tuples.begin();
        auto at = index.lower_bound(b);
        if (at != index.end() && compareTuples(&**at, &*b, old.k) == 0) {
            fresh.tuples.erase(b);
            ++duplicates;
            continue;
        }
        old.tuples.splice(at == index.end() ? old.tuples.end() : *at, fresh.tuples, b);
        index.insert(at, b);  // b now points into the old list
    }
    return duplicates;
}

static bool isCentral(const ClusterTuple& tuple, int k, const SearchParameters& params) {
    for (int g = 0; g < k; ++g)
        if (tuple.perGenome[g].dist > params.delta) return false;
    return params.isCenter();
}

static bool hasExactOccurrence(const ClusterTuple& tuple) {
    return std::any_of(tuple.perGenome.begin(), tuple.perGenome.end(),
                       [](const TupleOccurrence& iv) { return iv.dist == 0; });
}

int countCentralTuples(const TupleList* list, const SearchParameters& params) {
    if (list == nullptr || list->tuples.empty() || !params.isCenter()) return 0;
    int count = list->reduced.central;
    for (const ClusterTuple& tuple : list->tuples) count += isCentral(tuple, list->k, params);
    return count;
}

int countTuplesWithExactOccurrence(TupleList* list) {
    if (list == nullptr) return 0;
    int count = list->reduced.exact;
    for (const ClusterTuple& tuple : list->tuples) count += hasExactOccurrence(tuple);
    return count;
}

bool isNested(const ClusterTuple& t, const ClusterTuple& o, int k) {
    if (t.totalDist < o.totalDist) return false;
    for (int g = 0; g < k; ++g) {
        const TupleOccurrence& ti = t.perGenome[g];
        const TupleOccurrence& oi = o.perGenome[g];
        if (isEmptyInterval(ti)) continue;
        if (isEmptyInterval(oi) || oi.chr != ti.chr || oi.l > ti.l || ti.r > oi.r) return false;
    }
    return true;
}

bool overlapInSomeGenome(const ClusterTuple& t, const ClusterTuple& u, int k) {
    for (int g = 0; g < k; ++g) {
        const TupleOccurrence& ti = t.perGenome[g];
        const TupleOccurrence& ui = u.perGenome[g];
        if (isEmptyInterval(ti) || isEmptyInterval(ui)) continue;
        if (ti.l <= ui.r && ui.l <= ti.r) return true;
    }
    return false;
}

// Per tuple in list order: whether another tuple holds its occurrences in
// every genome where it occurs at no greater total distance. Containment is
// transitive, so the tuples that survive the pair-wise sweep over the list
// are exactly those that no other tuple dominates; they are found through an
// index of the intervals per genome and chromosome, which confines the
// candidates to intervals starting at most the longest interval's length
// before t's.
static std::vector<char> dominatedTuples(const TupleList* list) {
    if (list == nullptr || list->size() < 2) return std::vector<char>(list == nullptr ? 0 : list->tuples.size(), 0);
    const int k = list->k;
    std::vector<const ClusterTuple*> tuples;
    tuples.reserve(list->tuples.size());
    for (const ClusterTuple& t : list->tuples) tuples.push_back(&t);

    struct Entry {
        int l, r, index;
    };
    struct Bucket {
        std::vector<Entry> entries;  // by ascending l
        int maxLength = 0;
    };
    std::map<std::pair<int, int>, Bucket> buckets;  // (genome, chromosome)
    int minTotalDist = INT_MAX, minHolders = 0;     // for tuples without any occurrence
    for (int i = 0; i < static_cast<int>(tuples.size()); ++i) {
        const ClusterTuple& t = *tuples[i];
        if (t.totalDist < minTotalDist) {
            minTotalDist = t.totalDist;
            minHolders = 0;
        }
        if (t.totalDist == minTotalDist) ++minHolders;
        for (int g = 0; g < k; ++g) {
            const TupleOccurrence& iv = t.perGenome[g];
            if (isEmptyInterval(iv)) continue;
            Bucket& bucket = buckets[{g, iv.chr}];
            bucket.entries.push_back({iv.l, iv.r, i});
            bucket.maxLength = std::max(bucket.maxLength, iv.r - iv.l + 1);
        }
    }
    for (auto& [key, bucket] : buckets)
        std::sort(bucket.entries.begin(), bucket.entries.end(),
                  [](const Entry& a, const Entry& b) { return a.l < b.l; });

    auto dominated = [&](int i) {
        const ClusterTuple& t = *tuples[i];
        int first = 0;
        while (first < k && isEmptyInterval(t.perGenome[first])) ++first;
        if (first == k)  // occurs nowhere: any other tuple at no greater distance holds it
            return t.totalDist > minTotalDist || minHolders > 1;
        // A tuple that holds t holds its interval in every genome where t
        // occurs: the candidates are read in the genome whose index has
        // fewest intervals that may hold t's (tuples of one reference
        // interval share their interval there, and would all be read).
        std::vector<Entry>::const_iterator from, to;
        int right = 0;  // t's right end in that genome
        bool chosen = false;
        for (int g = first; g < k; ++g) {
            const TupleOccurrence& iv = t.perGenome[g];
            if (isEmptyInterval(iv)) continue;
            const Bucket& bucket = buckets.at({g, iv.chr});
            const int lowest = iv.r - bucket.maxLength + 1;
            const auto low = std::lower_bound(bucket.entries.begin(), bucket.entries.end(), lowest,
                                              [](const Entry& e, int l) { return e.l < l; });
            const auto high =
                std::upper_bound(low, bucket.entries.end(), iv.l, [](int l, const Entry& e) { return l < e.l; });
            if (!chosen || high - low < to - from) {
                from = low, to = high, right = iv.r;
                chosen = true;
            }
        }
        for (auto it = from; it != to; ++it)
            if (it->r >= right && it->index != i && isNested(t, *tuples[it->index], k)) return true;
        return false;
    };
    std::vector<char> remove(tuples.size(), 0);
    for (int i = 0; i < static_cast<int>(tuples.size()); ++i) remove[i] = dominated(i);
    return remove;
}

void removeDominatedTuples(TupleList* list) {
    if (list == nullptr) return;
    const std::vector<char> remove = dominatedTuples(list);
    int i = 0;
    for (auto t = list->tuples.begin(); t != list->tuples.end(); ++i)
        t = remove[i] ? removeTuple(*list, t) : std::next(t);
}

std::size_t reduceGrownTuples(TupleList& list, const SearchParameters& params) {
    if (params.reduceTuplesAt <= 0 || list.size() < std::max(params.reduceTuplesAt, list.reduceAt)) return 0;
    const std::vector<char> remove = dominatedTuples(&list);
    std::size_t freed = 0;
    int i = 0;
    for (auto t = list.tuples.begin(); t != list.tuples.end(); ++i) {
        if (!remove[i]) {
            ++t;
            continue;
        }
        list.reduced.count += 1;
        list.reduced.central += isCentral(*t, list.k, params);
        list.reduced.exact += hasExactOccurrence(*t);
        freed += approxBytes(*t, list.k);
        t = removeTuple(list, t);
    }
    // Twice what is left: the sweeps cost a constant share of the tuples stored.
    list.reduceAt = 2 * list.size();
    return freed;
}

int countOverlappingTuples(const TupleList* list) {
    if (list == nullptr || list->tuples.empty()) return 0;
    int count = 0;
    for (auto t = list->tuples.begin(); t != list->tuples.end(); ++t) {
        for (auto u = std::next(t); u != list->tuples.end(); ++u) {
            if (overlapInSomeGenome(*t, *u, list->k)) {
                ++count;
                break;
            }
        }
    }
    return count;
}

int compareGeneContent(const ClusterTuple* a, const ClusterTuple* b) {
    if (a == nullptr || b == nullptr) return 0;
    if (a->genes.size() != b->genes.size()) return a->genes.size() < b->genes.size() ? -1 : 1;
    for (size_t i = 0; i < a->genes.size(); ++i)
        if (a->genes[i] != b->genes[i]) return a->genes[i] < b->genes[i] ? -1 : 1;
    if (a->pValue != b->pValue) return a->pValue < b->pValue ? -1 : 1;
    return 0;
}

void sortTuplesByGeneContent(TupleList* list) {
    if (list == nullptr) return;
    // Tuples of equal gene content become adjacent; the result extraction
    // groups them. Their relative order is not part of the contract.
    list->tuples.sort([](const ClusterTuple& x, const ClusterTuple& y) { return compareGeneContent(&x, &y) < 0; });
}

int countExactOccurrences(const ClusterTuple& tuple, int k) {
    int count = 0;
    for (int g = 0; g < k; ++g)
        if (tuple.perGenome[g].dist == 0) ++count;
    return count;
}

int minOccurrenceDistance(const ClusterTuple& tuple, int k) {
    if (k < 1) return tuple.perGenome.empty() ? 0 : tuple.perGenome[0].dist;
    int best = tuple.perGenome[0].dist;
    for (int g = 1; g < k; ++g) best = std::min(best, tuple.perGenome[g].dist);
    return best;
}

int maxOccurrenceDistance(const ClusterTuple& tuple, int k) {
    if (k < 1) return tuple.perGenome.empty() ? 0 : tuple.perGenome[0].dist;
    int best = tuple.perGenome[0].dist;
    for (int g = 1; g < k; ++g) best = std::max(best, tuple.perGenome[g].dist);
    return best;
}

bool haveSameGeneContent(const ClusterTuple* a, const ClusterTuple* b) {
    if (a == nullptr || b == nullptr) return false;
    return a->genes == b->genes;
}

}  // namespace tamsu::detail
