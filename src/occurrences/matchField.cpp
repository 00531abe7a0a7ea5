// Candidate-occurrence container of a cluster filter.
#include "occurrences/matchField.h"

#include <algorithm>
#include <cstdio>

#include "util/errors.h"

MatchesRecord initMatchesRecord(int k, int d) {
    MatchesRecord record;
    record.elementCountPerSeq.assign(k > 0 ? k : 0, 0);
    record.matchField = MatchField(k, d + 1);
    return record;
}

void addToMatchesRecord(MatchesRecord& record, int g, int dist, int l, int r, int chr) {
    record.memory.add(sizeof(Interval));
    ++record.elementCountPerSeq[g];
    addToMatchField(record.matchField, g, dist, l, r, chr);
}

void addToMatchField(MatchField& matchField, int g, int dist, int l, int r, int chr) {
    if (dist < 0)
        fail(Stream::err, "error: negative distance %d for interval %d..%d of genome %d in the match field\n", dist, l,
             r, g);
    if (dist > matchField.m() || g < 0 || g >= matchField.k())
        fail(Stream::err, "error: distance %d for interval %d..%d of genome %d exceeds the match field (lists 0..%d)\n",
             dist, l, r, g, matchField.m());
    Interval interval;
    interval.l = l;
    interval.r = r;
    interval.chr = chr;
    // Appending to the bucket puts it at the front of the list order.
    matchField.bucket(g, dist).push_back(std::move(interval));
}

void addEmptyOccs(MatchesRecord& record, int refGenome, int k, const SearchParameters& params) {
    int dist;
    switch (params.lackingCost) {
    case CostType::zero:
        dist = 0;
        break;
    case CostType::proportionate:
        dist = params.mode == Mode::center ? params.delta : params.summedDelta / k;
        break;
    default:
        return;  // no bucket for this cost type
    }
    // A cost beyond every distance of the genomes goes to the last list, after
    // all intervals; the median search charges it by its cost, not its list.
    dist = std::min(dist, record.matchField.m());
    for (int g = 0; g < k; ++g)
        if (g != refGenome) addToMatchesRecord(record, g, dist, -1, -2, 0);
}

// Visits the intervals of lists 0..D of every genome in list order.
template <typename Visit>
static void forEachInterval(MatchField& matchField, int k, int D, Visit visit) {
    int last = std::min(D, matchField.m());
    for (int g = 0; g < k; ++g)
        for (int dist = 0; dist <= last; ++dist) {
            std::vector<Interval>& bucket = matchField.bucket(g, dist);
            for (auto it = bucket.rbegin(); it != bucket.rend(); ++it) visit(g, *it);
        }
}

void generateLocalOcc(MatchesRecord& record, const OccurrenceIndex& index, int k, int D) {
    record.localIndex.assign(static_cast<size_t>(index.alphabetSize()) + 1, 0);
    if (k < 1) {
        record.localChars.assign(1, 0);
        record.localCharCount = 0;
        return;
    }
    int count = 0;
    forEachInterval(record.matchField, k, D, [&](int g, Interval& iv) {
        if (iv.l > iv.r) return;
        std::span<const int> genes = index.chrom(g, iv.chr).genes;
        for (int p = iv.l; p <= iv.r; ++p)
            if (record.localIndex[genes[p]] == 0) record.localIndex[genes[p]] = ++count;
    });
    record.localChars.assign(static_cast<size_t>(count) + 1, 0);
    forEachInterval(record.matchField, k, D, [&](int g, Interval& iv) {
        record.memory.add(static_cast<size_t>(count) + 1);
        iv.localOcc.assign(static_cast<size_t>(count) + 1, 0);
        if (iv.l > iv.r) return;
        std::span<const int> genes = index.chrom(g, iv.chr).genes;
        for (int p = iv.l; p <= iv.r; ++p) {
            int local = record.localIndex[genes[p]];
            record.localChars[local] = genes[p];
            iv.localOcc[local] = 1;
        }
    });
    record.localCharCount = count;
}

double compute_possibleCombinations(const MatchesRecord& record, int k) {
    double product = 1.0;
    for (int g = 0; g < k; ++g) product *= record.elementCountPerSeq[g];
    return product;
}

void resetMatchField(MatchField& matchField, int k, int m) {
    int last = std::min(m, matchField.m());
    for (int g = 0; g < k && g < matchField.k(); ++g)
        for (int dist = 0; dist <= last; ++dist) matchField.bucket(g, dist).clear();
}

void resetMatchesRecord(MatchesRecord& record, int k, int m) {
    std::fill(record.elementCountPerSeq.begin(), record.elementCountPerSeq.end(), 0);
    resetMatchField(record.matchField, k, m);
    record.memory.clear();
    record.localChars.clear();
    record.localCharCount = 0;
}
