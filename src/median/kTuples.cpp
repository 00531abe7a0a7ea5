// k-tuple records and lists: creation from the median search, canonical
// order and merging, and the reductions the driver applies to the result list.
#include "median/kTuples.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <map>
#include <vector>

#include "median/iterativeMedianComp.h"
#include "util/errors.h"
#include "util/intArrays.h"

namespace {

bool isEmptyInterval(const kTupleInterval& iv) { return iv.l > iv.r; }

// Entry i of a table that may be shorter than the local numbering expects;
// missing entries read as 0 instead of reading past the table.
template <typename T>
T entryOrZero(const std::vector<T>& table, int i) {
    return i >= 0 && static_cast<size_t>(i) < table.size() ? table[i] : T(0);
}

}  // namespace

std::unique_ptr<kTupleList> init_kTupleList(int k) {
    auto list = std::make_unique<kTupleList>();
    list->k = k;
    return list;
}

kTuple init_kTuple(int totalDist, int k, const kTupleData& data) {
    kTuple tuple;
    tuple.totalDist = totalDist;
    tuple.pValues.assign(k > 0 ? k : 0, 1.0);
    tuple.pValue = 1.0;
    tuple.operationMode = data.params != nullptr ? data.params->mode : Mode::median;

    const int lcc = data.localCharCount > 0 ? data.localCharCount : 0;
    static const std::vector<int> noLocalChars;
    const std::vector<int>& localChars = data.localChars != nullptr ? *data.localChars : noLocalChars;
    const std::vector<unsigned char>& inSet = data.clusterSet;

    // The cluster's gene set, in descending local-char order.
    for (int c = lcc; c >= 1; --c)
        if (entryOrZero(inSet, c)) tuple.median.push_back(medianElement{entryOrZero(localChars, c), entryOrZero(data.occCount, c)});

    // Every occurrence with its distance to that set; a genome without a
    // chosen interval reads as the empty occurrence, which lacks every gene.
    static const Interval emptyOccurrence;
    tuple.intervalArray.resize(k > 0 ? k : 0);
    for (int g = 0; g < k; ++g) {
        const Interval& iv =
            static_cast<size_t>(g) < data.currentIntervals.size() && data.currentIntervals[g] != nullptr
                ? *data.currentIntervals[g]
                : emptyOccurrence;
        kTupleInterval& occ = tuple.intervalArray[g];
        occ = kTupleInterval{iv.l, iv.r, iv.chr, 0, 0};
        for (int c = 1; c <= lcc; ++c) {
            const bool member = entryOrZero(inSet, c) != 0;
            const bool present = entryOrZero(iv.localOcc, c) != 0;
            if (member != present) ++occ.dist;
            if (present && !member) ++occ.extraChars;
        }
    }
    return tuple;
}

// Roughly what a tuple occupies: the record, its list node and its arrays.
static std::size_t approxBytes(const kTuple& tuple, int k) {
    const std::size_t genomes = static_cast<std::size_t>(k > 0 ? k : 0);
    return sizeof(kTuple) + 2 * sizeof(void*) + genomes * (sizeof(kTupleInterval) + sizeof(double)) +
           tuple.median.size() * sizeof(medianElement);
}

void copyInto_kTupleList(int k, int totalDist, kTupleData& data) {
    if (!data.newTuples) data.newTuples = init_kTupleList(k);
    data.newTuples->tuples.push_back(init_kTuple(totalDist, k, data));
    data.memory.add(approxBytes(data.newTuples->tuples.back(), k));
}

kTupleIterator remove_kTuple(kTupleList& list, kTupleIterator tuple) {
    list.canonicalIndex.clear();
    return list.tuples.erase(tuple);
}

int kTupleComparision(const kTuple* a, const kTuple* b, int k) {
    if (a == nullptr) fail(Stream::out, "no tuple1\n");
    if (b == nullptr) fail(Stream::out, "no tuple2\n");
    for (int g = 0; g < k; ++g) {
        const kTupleInterval& x = a->intervalArray[g];
        const kTupleInterval& y = b->intervalArray[g];
        if (x.chr != y.chr) return x.chr < y.chr ? -1 : 1;
        if (x.l != y.l) return x.l < y.l ? -1 : 1;
        if (x.r != y.r) return x.r < y.r ? -1 : 1;
    }
    return 0;
}

void bubbleSort_kTupleList(kTupleList& list) {
    if (list.size() < 2) return;
    // A stable sort that moves only strictly out-of-order pairs gives the
    // adjacent-swap sort's order; identical tuples end up next to each other,
    // where the final pass of that sort would have met them.
    const int k = list.k;
    list.tuples.sort([k](const kTuple& x, const kTuple& y) { return kTupleComparision(&x, &y, k) < 0; });
    for (auto x = list.tuples.begin(), y = std::next(x); y != list.tuples.end(); ++x, ++y)
        if (kTupleComparision(&*x, &*y, k) == 0) fail(Stream::out, "duplicate with same I_ref generated\n");
}

bool CanonicalBefore::operator()(const std::list<kTuple>::iterator& a, const std::list<kTuple>::iterator& b) const {
    return kTupleComparision(&*a, &*b, k) < 0;
}

// Each fresh tuple goes in front of the first old tuple that does not order
// before it, exactly where a walk along both sorted lists would put it; an
// equal old tuple makes it a duplicate.
int merge_kTupleLists(kTupleList& old, kTupleList& fresh) {
    bubbleSort_kTupleList(fresh);
    if (old.tuples.empty()) {
        old.tuples.splice(old.tuples.end(), fresh.tuples);
        old.k = fresh.k;
        old.canonicalIndex.clear();
        return 0;
    }
    auto& index = old.canonicalIndex;
    if (index.size() != old.tuples.size() || index.key_comp().k != old.k) {
        index = std::set<kTupleIterator, CanonicalBefore>(CanonicalBefore{old.k});
        for (auto it = old.tuples.begin(); it != old.tuples.end(); ++it) index.insert(index.end(), it);
    }
    int duplicates = 0;
    while (!fresh.tuples.empty()) {
        auto b = fresh.tuples.begin();
        auto at = index.lower_bound(b);
        if (at != index.end() && kTupleComparision(&**at, &*b, old.k) == 0) {
            fresh.tuples.erase(b);
            ++duplicates;
            continue;
        }
        old.tuples.splice(at == index.end() ? old.tuples.end() : *at, fresh.tuples, b);
        index.insert(at, b);  // b now points into the old list
    }
    return duplicates;
}

int countMedianCenters(const kTupleList* list, const SearchParameters& params) {
    if (list == nullptr || list->tuples.empty() || !params.isCenter()) return 0;
    int count = 0;
    for (const kTuple& tuple : list->tuples) {
        bool central = true;
        for (int g = 0; g < list->k && central; ++g)
            central = tuple.intervalArray[g].dist <= params.delta;
        if (central) ++count;
    }
    return count;
}

int countRefBased_kTuples(kTupleList* list) {
    if (list == nullptr) return 0;
    int count = 0;
    for (const kTuple& tuple : list->tuples)
        if (std::any_of(tuple.intervalArray.begin(), tuple.intervalArray.end(),
                        [](const kTupleInterval& iv) { return iv.dist == 0; }))
            ++count;
    return count;
}

bool isNested(const kTuple& t, const kTuple& o, int k) {
    if (t.totalDist < o.totalDist) return false;
    for (int g = 0; g < k; ++g) {
        const kTupleInterval& ti = t.intervalArray[g];
        const kTupleInterval& oi = o.intervalArray[g];
        if (isEmptyInterval(ti)) continue;
        if (isEmptyInterval(oi) || oi.chr != ti.chr || oi.l > ti.l || ti.r > oi.r) return false;
    }
    return true;
}

bool isSubsumed(const kTuple& t, const kTuple& u, int k) {
    for (int g = 0; g < k; ++g) {
        const kTupleInterval& ti = t.intervalArray[g];
        const kTupleInterval& ui = u.intervalArray[g];
        if (isEmptyInterval(ti) || isEmptyInterval(ui)) continue;
        if (ti.l <= ui.r && ui.l <= ti.r) return true;
    }
    return false;
}

// A tuple is removed when another one holds its occurrences in every genome
// where it occurs at no greater total distance. Containment is transitive, so
// the tuples that survive the pair-wise sweep over the list are exactly those
// that no other tuple dominates; they are found through an index of the
// intervals per genome and chromosome, which confines the candidates to
// intervals starting at most the longest interval's length before t's.
void removeSuboptimal_kTuples(kTupleList* list) {
    if (list == nullptr || list->size() < 2) return;
    const int k = list->k;
    std::vector<const kTuple*> tuples;
    tuples.reserve(list->tuples.size());
    for (const kTuple& t : list->tuples) tuples.push_back(&t);

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
        const kTuple& t = *tuples[i];
        if (t.totalDist < minTotalDist) {
            minTotalDist = t.totalDist;
            minHolders = 0;
        }
        if (t.totalDist == minTotalDist) ++minHolders;
        for (int g = 0; g < k; ++g) {
            const kTupleInterval& iv = t.intervalArray[g];
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
        const kTuple& t = *tuples[i];
        int first = 0;
        while (first < k && isEmptyInterval(t.intervalArray[first])) ++first;
        if (first == k)  // occurs nowhere: any other tuple at no greater distance holds it
            return t.totalDist > minTotalDist || minHolders > 1;
        const kTupleInterval& iv = t.intervalArray[first];
        const Bucket& bucket = buckets.at({first, iv.chr});
        const int lowest = iv.r - bucket.maxLength + 1;
        auto it = std::lower_bound(bucket.entries.begin(), bucket.entries.end(), lowest,
                                   [](const Entry& e, int l) { return e.l < l; });
        for (; it != bucket.entries.end() && it->l <= iv.l; ++it)
            if (it->r >= iv.r && it->index != i && isNested(t, *tuples[it->index], k)) return true;
        return false;
    };
    std::vector<char> remove(tuples.size(), 0);
    for (int i = 0; i < static_cast<int>(tuples.size()); ++i) remove[i] = dominated(i);

    int i = 0;
    for (auto t = list->tuples.begin(); t != list->tuples.end(); ++i)
        t = remove[i] ? remove_kTuple(*list, t) : std::next(t);
}

int countNonSubsumed_kTuples(const kTupleList* list) {
    if (list == nullptr || list->tuples.empty()) return 0;
    int count = 0;
    for (auto t = list->tuples.begin(); t != list->tuples.end(); ++t) {
        for (auto u = std::next(t); u != list->tuples.end(); ++u) {
            if (isSubsumed(*t, *u, list->k)) {
                ++count;
                break;
            }
        }
    }
    return count;
}

int compareGeneContentArray(const kTuple* a, const kTuple* b) {
    if (a == nullptr || b == nullptr) return 0;
    if (!a->hasGeneContentArray || !b->hasGeneContentArray) fail(Stream::err, "Array geneContentArray uninitialized!\n");
    if (a->median.size() != b->median.size()) return a->median.size() < b->median.size() ? -1 : 1;
    for (size_t i = 0; i < a->median.size(); ++i)
        if (a->geneContentArray[i] != b->geneContentArray[i])
            return a->geneContentArray[i] < b->geneContentArray[i] ? -1 : 1;
    if (a->pValue != b->pValue) return a->pValue < b->pValue ? -1 : 1;
    return 0;
}

void sort_kTupleList_byGeneContent(kTupleList* list) {
    if (list == nullptr) return;
    for (kTuple& tuple : list->tuples) {
        tuple.geneContentArray.assign(tuple.median.size(), -1);
        for (size_t i = 0; i < tuple.median.size(); ++i) tuple.geneContentArray[i] = tuple.median[i].gene;
        sortAscIntArray(tuple.geneContentArray.data(), static_cast<int>(tuple.geneContentArray.size()));
        tuple.hasGeneContentArray = true;
    }
    // Tuples of equal gene content become adjacent; the result extraction
    // groups them. Their relative order is not part of the contract.
    list->tuples.sort([](const kTuple& x, const kTuple& y) { return compareGeneContentArray(&x, &y) < 0; });
}

int countRefOccsIn_kTuple(const kTuple& tuple, int k) {
    int count = 0;
    for (int g = 0; g < k; ++g)
        if (tuple.intervalArray[g].dist == 0) ++count;
    return count;
}

int find_minPwDistIn_kTuple(const kTuple& tuple, int k) {
    if (k < 1) return tuple.intervalArray.empty() ? 0 : tuple.intervalArray[0].dist;
    int best = tuple.intervalArray[0].dist;
    for (int g = 1; g < k; ++g) best = std::min(best, tuple.intervalArray[g].dist);
    return best;
}

int find_maxPwDistIn_kTuple(const kTuple& tuple, int k) {
    if (k < 1) return tuple.intervalArray.empty() ? 0 : tuple.intervalArray[0].dist;
    int best = tuple.intervalArray[0].dist;
    for (int g = 1; g < k; ++g) best = std::max(best, tuple.intervalArray[g].dist);
    return best;
}

bool isEqualGeneContentArray(const kTuple* a, const kTuple* b) {
    if (a == nullptr || b == nullptr) return false;
    return a->median.size() == b->median.size() && a->geneContentArray == b->geneContentArray;
}
