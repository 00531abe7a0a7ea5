// Reference ranks and the border rows L, R, L_prime, R_prime. Ranks follow
// the reference suffix that starts at the current left border; a row lists,
// for one position, where characters ranked above the position's own
// character start, nearest first. Ranks move in O(1) per left border; rows
// are computed when read.
#include "walk/walkTables.h"

#include <algorithm>

namespace tamsu::detail {

WalkTables::WalkTables(const OccurrenceIndex& index, int D, bool primed) : D(D), primed_(primed) {
    rank.assign(static_cast<size_t>(index.alphabetSize()) + 1, absentRank());
    chroms_.resize(index.chromosomes().size());
    scratch_.assign(static_cast<size_t>(blockWidth()), 0);
    skips_.resize(index.chromosomes().size());
    for (const ChromIndex& chrom : index.chromosomes())
        skips_[static_cast<size_t>(chrom.flat)].resize(static_cast<size_t>(std::max(chrom.length, 0)) + 2);
}

void WalkTables::absorb(const OccurrenceIndex& index, int c) {
    absorbedEpoch_ = epoch_;
    absorbedRank_ = rank[static_cast<size_t>(c)];
    const FamilyOccurrences& occ = index.occurrences();
    for (int at = occ.start[c]; at < occ.start[c + 1]; ++at) {
        const int q = occ.position[at];
        skips_[static_cast<size_t>(occ.key[at] >> 32)][static_cast<size_t>(q)] = {epoch_, q - 1, q + 1};
    }
}

int WalkTables::follow(Skip* skips, int q, int Skip::*link) const {
    int r = q;
    while (skips[r].epoch == epoch_) r = skips[r].*link;
    // Every absorbed position passed links to r directly from now on.
    while (q != r) {
        const int next = skips[q].*link;
        skips[q].*link = r;
        q = next;
    }
    return r;
}

void WalkTables::computeRowsSkipping(const ChromIndex& chrom, int p, int* block) {
    // The pattern holds exactly the characters ranked at most p's (p's is the
    // last absorbed), so the absorbed positions are those ranked at most p's
    // and every other one is ranked above: computeRows' steps, taken only at
    // positions that are not absorbed.
    const int n = chrom.length;
    const int* nextOcc = chrom.nextOcc.data();
    const int* prevOcc = chrom.prevOcc.data();
    Skip* skips = skips_[static_cast<size_t>(chrom.flat)].data();
    const int cols = D + 2;
    const int last = D + 1;
    int* L = block + 1;
    int* R = L + cols;
    int* Lp = primed_ ? R + cols : nullptr;
    int* Rp = primed_ ? R + 2 * cols : nullptr;

    // Most positions next to an occurrence are not absorbed: their test
    // spares the call that follows a run.
    L[0] = p;
    int k = 1;
    int low = p;
    for (int j = p - 1;; --j) {
        if (skips[j].epoch == epoch_) {         // the absorbed run from j leftwards
            j = follow(skips, j, &Skip::left);  // position 0 is never absorbed
            low = j + 1;
        }
        if (j < 1) break;
        if (nextOcc[j] > p) {
            if (Lp) Lp[k] = low;
            L[k++] = j;
            if (k > last) break;
        }
    }
    for (int rest = k; rest <= last; ++rest) L[rest] = 0;
    if (Lp) {
        Lp[0] = 0;
        for (; k <= last; ++k) Lp[k] = low;
    }

    R[0] = p;
    k = 1;
    int high = p;
    for (int j = p + 1;; ++j) {
        if (skips[j].epoch == epoch_) {          // the absorbed run from j rightwards
            j = follow(skips, j, &Skip::right);  // position n+1 is never absorbed
            high = j - 1;
        }
        if (j > n || prevOcc[j] < p) {
            if (Rp) Rp[k] = high;
            R[k++] = j;
            if (k > last) break;
        }
        if (j > n) break;
    }
    for (int rest = k; rest <= last; ++rest) R[rest] = n + 1;
    if (Rp) {
        Rp[0] = 0;
        for (; k <= last; ++k) Rp[k] = high;
    }
    block[0] = epoch_;
}

void WalkTables::computeRows(const ChromIndex& chrom, int p, int* block) {
    const int n = chrom.length;
    const int* genes = chrom.genes.data();
    const int* nextOcc = chrom.nextOcc.data();
    const int* prevOcc = chrom.prevOcc.data();
    const int* key = rank.data();
    const int rp = key[genes[p]];
    const int cols = D + 2;
    int* L = block + 1;
    int* R = L + cols;
    int* Lp = primed_ ? R + cols : nullptr;
    int* Rp = primed_ ? R + 2 * cols : nullptr;

    // Leftward: j is a border when its character ranks above p's and does not
    // recur in j+1..p. low is the leftmost position in j+1..p ranked at most
    // p's, the primed entry of a border found at j.
    std::fill(L, L + D + 2, 0);
    L[0] = p;
    int k = 1;
    int low = p;
    for (int j = p - 1; j >= 1 && k <= D + 1; --j) {
        if (key[genes[j]] > rp) {
            if (nextOcc[j] > p) {
                if (Lp) Lp[k] = low;
                L[k++] = j;
            }
        } else {
            low = j;
        }
    }
    // Missing borders (0) leave the whole prefix, scanned to its start.
    if (Lp) {
        Lp[0] = 0;
        for (; k <= D + 1; ++k) Lp[k] = low;
    }

    // Rightward, the sentinel at n+1 a border always.
    std::fill(R, R + D + 2, n + 1);
    R[0] = p;
    k = 1;
    int high = p;
    for (int j = p + 1; j <= n + 1 && k <= D + 1; ++j) {
        if (j > n || (key[genes[j]] > rp && prevOcc[j] < p)) {
            if (Rp) Rp[k] = high;
            R[k++] = j;
        } else if (key[genes[j]] <= rp) {
            high = j;
        }
    }
    if (Rp) {
        Rp[0] = 0;
        for (; k <= D + 1; ++k) Rp[k] = high;
    }
    block[0] = epoch_;
}

void computeRank(WalkTables& walk, int A, const ChromIndex& ref, int from) {
    walk.rank.assign(static_cast<size_t>(A) + 1, absentRank());
    walk.rank[0] = sentinelRank();
    // From the right: the last position written is the first occurrence.
    for (int p = ref.length; p >= std::max(from, 1); --p)
        if (ref.genes[p] != 0) walk.rank[ref.genes[p]] = p;
}

void updateRank(WalkTables& walk, int A, const ChromIndex& ref, int i) {
    if (i == 1) {
        computeRank(walk, A, ref);
        return;
    }
    if (i < 2 || i > ref.length + 1) return;
    const int c0 = ref.genes[i - 1];
    if (c0 == 0) return;
    const int next = ref.nextOcc[i - 1];
    walk.rank[c0] = next <= ref.length ? next : absentRank();
}

}  // namespace tamsu::detail
