// Candidate occurrences of one cluster filter: per genome, intervals bucketed
// by their distance to the reference interval, with a local numbering of the
// gene families they hold.
#pragma once

#include <vector>

#include <cstdio>

#include "index/occurrenceIndex.h"
#include "params/searchParameters.h"
#include "util/memoryBudget.h"

namespace tamsu::detail {

struct CandidateInterval {
    int l = -1;  // -1 for an empty occurrence
    int r = -2;  // -2 for an empty occurrence (r < l: empty)
    int chr = 0;
    std::vector<unsigned char> localFlags;  // localCharCount + 1 flags; empty until numberLocalFamilies
    int leftEssential = -1;
    int rightEssential = 0;
};

// candidateField[g][dist]: a bucket per genome and distance. A bucket stores its
// intervals in insertion order; the list order that every reader follows is
// newest first, i.e. the reverse: iterate buckets with rbegin()/rend().
class CandidateField {
public:
    CandidateField() = default;
    CandidateField(int k, int m) : k_(k), m_(m), buckets_(static_cast<size_t>(k) * (m + 1)) {}
    int k() const { return k_; }
    int m() const { return m_; }  // highest distance index
    std::vector<CandidateInterval>& bucket(int g, int dist) {
        return buckets_[static_cast<size_t>(g) * (m_ + 1) + dist];
    }
    const std::vector<CandidateInterval>& bucket(int g, int dist) const {
        return buckets_[static_cast<size_t>(g) * (m_ + 1) + dist];
    }

private:
    int k_ = 0;
    int m_ = -1;
    std::vector<std::vector<CandidateInterval>> buckets_;
};

struct CandidateRecord {
    int referenceGenome = 0;
    std::vector<int> candidateCounts;  // k
    CandidateField candidateField;
    std::vector<int> localChars;  // local char -> gene id; entry 0 is 0
    std::vector<int> localIndex;  // gene id -> local char; 0 when absent
    int localCharCount = 0;
    MemoryCharge memory;  // what the stored intervals hold of the run's budget
};

// A record for k genomes whose match field has lists 0..d+1 per genome.
CandidateRecord makeCandidateRecord(int k, int d);

// Stores the interval l..r of chromosome chr of genome g under distance dist
// and counts it for the genome.
void addCandidate(CandidateRecord& record, int g, int dist, int l, int r, int chr);
// Puts the interval at the front of list dist of genome g. A distance outside
// the field's lists is an internal error (thrown).
void addToField(CandidateField& candidateField, int g, int dist, int l, int r, int chr);
// Quorum runs: one empty occurrence per non-reference genome, stored under the
// cost of not occurring there; the size-dependent cost type adds none.
void addEmptyCandidates(CandidateRecord& record, int refGenome, int k, const SearchParameters& params);
// Numbers the families of all stored intervals (lists 0..D) by first
// appearance in list order and gives every interval its local-char flags.
void numberLocalFamilies(CandidateRecord& record, const OccurrenceIndex& index, int k, int D);
// Number of ways to pick one stored interval per genome.
double countCombinations(const CandidateRecord& record, int k);
// Empties lists 0..m of every genome, the counts and the local numbering.
void resetCandidateRecord(CandidateRecord& record, int k, int m);
void resetCandidateField(CandidateField& candidateField, int k, int m);

}  // namespace tamsu::detail
