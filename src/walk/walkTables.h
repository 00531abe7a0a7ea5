// Reference ranks and the L/R border rows (with their primed twins) that
// follow the reference left border: the per-left-border state of a walk,
// kept apart from the read-only index.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

#include "index/occurrenceIndex.h"
#include "util/table.h"

namespace tamsu::detail {

// The rows of one position p, (D+2) entries each: entry 0 holds p, entries
// 1..D+1 the nearest borders (positions of characters ranked above p's own,
// each the occurrence of its character nearest to p) to the left (L) or right
// (R); the primed rows hold, per border, the first / last position inside it
// whose character ranks at most p's own (null unless the tables keep them).
struct BorderRows {
    const int* L;
    const int* R;
    const int* L_prime;
    const int* R_prime;
};

// The rows of one position for B borders on each side (entries 1..B), kept
// by the caller: the reference search's rows, whose border count is known
// when it is compiled.
template <int B>
struct FixedRows {
    int L[B + 1];
    int R[B + 1];
    int L_prime[B + 1];
    int R_prime[B + 1];
};

// Ranks and border rows of one walk. A row is computed when it is first read
// at the current left border, from the position outward, and kept for the
// rest of that left border: nothing per left border touches every position.
class WalkTables {
public:
    WalkTables(const OccurrenceIndex& index, int D, bool primed);

    int D = 0;  // rows hold D+1 borders
    // Per character an order key relative to the current reference suffix:
    // the position of its first occurrence there. Only comparisons mean
    // something; absent characters tie above every present one, the
    // sentinel 0 lies above them.
    std::vector<int> rank;

    // The rows of position p (1..length) of chrom for the current ranks.
    BorderRows rows(const ChromIndex& chrom, int p) {
        IntTable& blocks = chroms_[static_cast<size_t>(chrom.flat)];
        if (blocks.empty()) blocks = IntTable(std::max(chrom.length, 0) + 2, blockWidth(), 0);  // on first use
        int* block = blocks.row(p);
        if (block[0] != epoch_) fillBlock(chrom, p, block);
        return view(block);
    }
    // The same rows computed afresh into scratch space, valid until the next
    // call: for a reader that reads a position's rows at most once per left
    // border (the reference search), which neither keeps nor misses a block.
    BorderRows rowsOnce(const ChromIndex& chrom, int p) {
        fillBlock(chrom, p, scratch_.data());
        return view(scratch_.data());
    }
    // The same for a position of the character c, which the caller knows:
    // the position's gene is not read (a cache miss per position in a
    // search over many genomes).
    BorderRows rowsOnce(const ChromIndex& chrom, int p, int c) {
        if (absorbedEpoch_ == epoch_ && rank[static_cast<size_t>(c)] == absorbedRank_)
            computeRowsSkipping(chrom, p, scratch_.data());
        else
            computeRows(chrom, p, scratch_.data());
        return view(scratch_.data());
    }
    // The rows of p, a position of the last character absorbed at this left
    // border, as rowsOnce (chrom, p, c) gives them, for tables of D = B - 1:
    // computed inline into the caller's room.
    // Inlined into its one caller: the call and its saved registers cost as
    // much as the rows of most positions.
    template <int B>
    [[gnu::always_inline]] inline void absorbedRows(const ChromIndex& chrom, int p, FixedRows<B>& rows);
    // Every row read from now on follows the ranks as they are then.
    void forgetRows() { ++epoch_; }
    // The pattern of the current left border gained c. A caller that tells
    // every character the pattern gains, in order, lets the rows of the last
    // one's positions skip the runs of pattern positions instead of stepping
    // through them (rows of other positions are computed as always).
    void absorb(const OccurrenceIndex& index, int c);

private:
    int blockWidth() const { return 1 + (primed_ ? 4 : 2) * (D + 2); }
    BorderRows view(const int* block) const {
        const int cols = D + 2;
        return {block + 1, block + 1 + cols, primed_ ? block + 1 + 2 * cols : nullptr,
                primed_ ? block + 1 + 3 * cols : nullptr};
    }
    void fillBlock(const ChromIndex& chrom, int p, int* block) {
        if (absorbedEpoch_ == epoch_ && rank[static_cast<size_t>(chrom.genes[p])] == absorbedRank_)
            computeRowsSkipping(chrom, p, block);
        else
            computeRows(chrom, p, block);
    }
    // Computes the rows of p into its block and stamps it.
    void computeRows(const ChromIndex& chrom, int p, int* block);
    // The same, stepping over absorbed positions only through the skip links.
    void computeRowsSkipping(const ChromIndex& chrom, int p, int* block);

    // Per position, whether its character joined the pattern at this left
    // border (epoch) and links towards the nearest positions that did not,
    // shortened as they are followed.
    struct Skip {
        int epoch = 0;
        int left = 0;
        int right = 0;
    };
    // The nearest position at q or beyond it along link (Skip::left or
    // Skip::right) not absorbed at this left border.
    int follow(Skip* skips, int q, int Skip::*link) const;
    // The same for an absorbed q, in the caller's loop where its link leads
    // straight out of the run (most runs are short or already shortened).
    int followAbsorbed(Skip* skips, int q, int Skip::*link, int epoch) const {
        const int r = skips[q].*link;
        return skips[r].epoch != epoch ? r : follow(skips, r, link);
    }

    bool primed_ = false;
    int epoch_ = 1;
    int absorbedEpoch_ = 0;                 // the left border absorb was last called at
    int absorbedRank_ = 0;                  // the rank of the last character absorbed there
    std::vector<std::vector<Skip>> skips_;  // per chromosome, positions 0..length+1
    // Per chromosome one row per position 0..length+1 holding, side by side,
    // the epoch its rows were computed in, then L, R (and L_prime, R_prime):
    // a lookup touches one block instead of five scattered arrays. Allocated
    // when a chromosome's rows are first kept.
    std::vector<IntTable> chroms_;
    std::vector<int> scratch_;  // the block of rowsOnce
};

template <int B>
void WalkTables::absorbedRows(const ChromIndex& chrom, int p, FixedRows<B>& rows) {
    // computeRowsSkipping's steps: borders are the positions not absorbed
    // whose character does not recur towards p; the nearest positions are
    // rarely absorbed, so the run is followed only when one is.
    const int n = chrom.length;
    const int* nextOcc = chrom.nextOcc.data();
    const int* prevOcc = chrom.prevOcc.data();
    Skip* skips = skips_[static_cast<size_t>(chrom.flat)].data();
    const int epoch = epoch_;  // read once: the rows' stores might alias it
    // The first position not absorbed on either side is a border unread:
    // the positions between it and p hold genes of the set, it does not.
    int j = p - 1;
    int low = p;
    if (skips[j].epoch == epoch) {
        j = followAbsorbed(skips, j, &Skip::left, epoch);  // position 0 is never absorbed
        low = j + 1;
    }
    int k = 1;
    if (j >= 1) {
        rows.L_prime[1] = low;
        rows.L[1] = j;
        for (k = 2; k <= B;) {
            if (skips[--j].epoch == epoch) {
                j = followAbsorbed(skips, j, &Skip::left, epoch);
                low = j + 1;
            }
            if (j < 1) break;
            if (nextOcc[j] > p) {
                rows.L_prime[k] = low;
                rows.L[k++] = j;
            }
        }
    }
    for (; k <= B; ++k) {
        rows.L[k] = 0;
        rows.L_prime[k] = low;
    }
    j = p + 1;
    int high = p;
    if (skips[j].epoch == epoch) {
        j = followAbsorbed(skips, j, &Skip::right, epoch);  // position n+1 is never absorbed
        high = j - 1;
    }
    rows.R_prime[1] = high;
    rows.R[1] = j;
    for (k = 2; k <= B && j <= n;) {
        if (skips[++j].epoch == epoch) {
            j = followAbsorbed(skips, j, &Skip::right, epoch);
            high = j - 1;
        }
        if (j > n || prevOcc[j] < p) {
            rows.R_prime[k] = high;
            rows.R[k++] = j;
        }
    }
    for (; k <= B; ++k) {
        rows.R[k] = n + 1;
        rows.R_prime[k] = high;
    }
}

// Ranks for left border from (1 unless given) of ref: characters by first
// occurrence in the suffix starting there, absent ones after every present
// one, the sentinel last.
void computeRank(WalkTables& walk, int alphabetSize, const ChromIndex& ref, int from = 1);
// Ranks for left border i from those for i-1 (i = 1 rebuilds): only the
// character left of i moves, behind every character met before its next
// occurrence.
void updateRank(WalkTables& walk, int alphabetSize, const ChromIndex& ref, int i);

// Order keys of the characters that do not occur in the current reference
// suffix, and of the sentinel 0: above every position, absent characters
// apart from present ones even when the reference holds the whole alphabet.
inline int absentRank() { return INT_MAX - 1; }
inline int sentinelRank() { return INT_MAX; }

}  // namespace tamsu::detail
