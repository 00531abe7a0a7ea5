// Candidate-occurrence container of a cluster filter.
#include "occurrences/candidates.h"

#include <algorithm>
#include <cstdio>

#include "util/errors.h"

namespace tamsu::detail {

CandidateRecord makeCandidateRecord(int k, int d) {
    CandidateRecord record;
    record.candidateCounts.assign(k > 0 ? k : 0, 0);
    record.candidateField = CandidateField(k, d + 1);
    return record;
}

void addCandidate(CandidateRecord& record, int g, int dist, int l, int r, int chr) {
    record.memory.add(sizeof(CandidateInterval));
    ++record.candidateCounts[g];
    addToField(record.candidateField, g, dist, l, r, chr);
}

void addToField(CandidateField& candidateField, int g, int dist, int l, int r, int chr) {
    if (dist < 0)
        fail(Stream::err, "error: negative distance %d for interval %d..%d of genome %d in the match field\n", dist, l,
             r, g);
    if (dist > candidateField.m() || g < 0 || g >= candidateField.k())
        fail(Stream::err, "error: distance %d for interval %d..%d of genome %d exceeds the match field (lists 0..%d)\n",
             dist, l, r, g, candidateField.m());
    CandidateInterval interval;
    interval.l = l;
    interval.r = r;
    interval.chr = chr;
    // Appending to the bucket puts it at the front of the list order.
    candidateField.bucket(g, dist).push_back(std::move(interval));
}

void addEmptyCandidates(CandidateRecord& record, int refGenome, int k, const SearchParameters& params) {
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
    dist = std::min(dist, record.candidateField.m());
    for (int g = 0; g < k; ++g)
        if (g != refGenome) addCandidate(record, g, dist, -1, -2, 0);
}

// Visits the intervals of lists 0..D of every genome in list order.
template <typename Visit>
static void forEachInterval(CandidateField& candidateField, int k, int D, Visit visit) {
    int last = std::min(D, candidateField.m());
    for (int g = 0; g < k; ++g)
        for (int dist = 0; dist <= last; ++dist) {
            std::vector<CandidateInterval>& bucket = candidateField.bucket(g, dist);
            for (auto it = bucket.rbegin(); it != bucket.rend(); ++it) visit(g, *it);
        }
}

void numberLocalFamilies(CandidateRecord& record, const OccurrenceIndex& index, int k, int D) {
    record.localIndex.assign(static_cast<size_t>(index.alphabetSize()) + 1, 0);
    if (k < 1) {
        record.localChars.assign(1, 0);
        record.localCharCount = 0;
        return;
    }
    int count = 0;
    forEachInterval(record.candidateField, k, D, [&](int g, CandidateInterval& iv) {
        if (iv.l > iv.r) return;
        std::span<const int> genes = index.chrom(g, iv.chr).genes;
        for (int p = iv.l; p <= iv.r; ++p)
            if (record.localIndex[genes[p]] == 0) record.localIndex[genes[p]] = ++count;
    });
    record.localChars.assign(static_cast<size_t>(count) + 1, 0);
    forEachInterval(record.candidateField, k, D, [&](int g, CandidateInterval& iv) {
        record.memory.add(static_cast<size_t>(count) + 1);
        iv.localFlags.assign(static_cast<size_t>(count) + 1, 0);
        if (iv.l > iv.r) return;
        std::span<const int> genes = index.chrom(g, iv.chr).genes;
        for (int p = iv.l; p <= iv.r; ++p) {
            int local = record.localIndex[genes[p]];
            record.localChars[local] = genes[p];
            iv.localFlags[local] = 1;
        }
    });
    record.localCharCount = count;
}

double countCombinations(const CandidateRecord& record, int k) {
    double product = 1.0;
    for (int g = 0; g < k; ++g) product *= record.candidateCounts[g];
    return product;
}

void resetCandidateField(CandidateField& candidateField, int k, int m) {
    int last = std::min(m, candidateField.m());
    for (int g = 0; g < k && g < candidateField.k(); ++g)
        for (int dist = 0; dist <= last; ++dist) candidateField.bucket(g, dist).clear();
}

void resetCandidateRecord(CandidateRecord& record, int k, int m) {
    std::fill(record.candidateCounts.begin(), record.candidateCounts.end(), 0);
    resetCandidateField(record.candidateField, k, m);
    record.memory.clear();
    record.localChars.clear();
    record.localCharCount = 0;
}

}  // namespace tamsu::detail
