// Reference ranks and the border tables L, R, L_prime, R_prime. Ranks follow
// the reference suffix that starts at the current left border; the tables
// list, per position, where characters ranked above the position's own
// character start, nearest first. Both are rebuilt at left border 1 and
// updated incrementally as the left border moves right.
#include "walk/arraysLnR.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

namespace {

// Whether the border tables of this chromosome exist and can be walked.
bool hasTables(const ChromIndex& chrom, const IntTable& table) {
    return chrom.length >= 1 && !table.empty();
}

}  // namespace

WalkTables initWalkTables(const OccurrenceIndex& index, int D, bool primed) {
    WalkTables walk;
    walk.D = D;
    walk.rank.assign(static_cast<size_t>(index.alphabetSize()) + 1, absentRank(index.alphabetSize()));
    walk.tables.resize(index.chromosomes().size());
    const int cols = D + 2;
    for (const ChromIndex& chrom : index.chromosomes()) {
        const int n = chrom.length;
        BorderTables& t = walk.tables[static_cast<size_t>(chrom.flat)];
        t.L = IntTable(n + 2, cols, 0);
        t.R = IntTable(n + 2, cols, n + 1);
        if (primed) {
            t.L_prime = IntTable(n + 2, cols, 0);
            t.R_prime = IntTable(n + 2, cols, n + 1);
        }
    }
    return walk;
}

void computeRank(WalkTables& walk, int A, const ChromIndex& ref) {
    walk.rank.assign(A + 1, absentRank(A));
    walk.rank[0] = sentinelRank(A);
    int next = 1;
    for (int p = 1; p <= ref.length; ++p) {
        int& r = walk.rank[ref.genes[p]];
        if (r == absentRank(A)) r = next++;
    }
}

void updateRank(WalkTables& walk, int A, const ChromIndex& ref, int i, FILE* out) {
    const int n = ref.length;
    if (i == 1) {
        computeRank(walk, A, ref);
        return;
    }
    std::vector<int>& rank = walk.rank;
    std::span<const int> genes = ref.genes;
    if (i == n + 1) {
        rank[genes[n]] = absentRank(A);
        return;
    }
    if (i < 2 || i > n) return;
    const int c0 = genes[i - 1];  // rank 1 until now
    if (genes[i] == c0) {
        rank[c0] = 1;
        return;
    }
    // Every character first seen before the next c0 moves up by one; c0 goes
    // behind them. prevOcc[j] < i-1 says that j is the first occurrence of its
    // character since i-1 (the same test as a rise of the distinct count).
    int m = 0;
    int j = i;
    for (; j <= n && genes[j] != c0; ++j) {
        if (ref.prevOcc[j] < i - 1) {
            int& r = rank[genes[j]];
            r -= 1;
            m = std::max(m, r);
            if (r != m) std::fprintf(out, "rank update error\n");
        }
    }
    rank[c0] = j <= n ? m + 1 : absentRank(A);
}

void computeL(WalkTables& walk, const OccurrenceIndex& index) {
    const int D = walk.D;
    const std::vector<int>& rank = walk.rank;
    for (const ChromIndex& chrom : index.chromosomes()) {
            IntTable& table = walk.tables[static_cast<size_t>(chrom.flat)].L;
            if (!hasTables(chrom, table)) continue;
            const int n = chrom.length;
            std::span<const int> genes = chrom.genes;
            for (int p = 1; p <= n; ++p) {
                int* row = table.row(p);
                std::fill(row, row + D + 2, 0);
                row[0] = p;
                const int rp = rank[genes[p]];
                int k = 1;
                // nextOcc[j] > p: the character at j does not occur in j+1..p.
                for (int j = p - 1; j >= 1 && k <= D + 1; --j)
                    if (rank[genes[j]] > rp && chrom.nextOcc[j] > p) row[k++] = j;
            }
        }
}

void computeR(WalkTables& walk, const OccurrenceIndex& index) {
    const int D = walk.D;
    const std::vector<int>& rank = walk.rank;
    for (const ChromIndex& chrom : index.chromosomes()) {
            IntTable& table = walk.tables[static_cast<size_t>(chrom.flat)].R;
            if (!hasTables(chrom, table)) continue;
            const int n = chrom.length;
            std::span<const int> genes = chrom.genes;
            for (int p = 1; p <= n; ++p) {
                int* row = table.row(p);
                std::fill(row, row + D + 2, n + 1);
                row[0] = p;
                const int rp = rank[genes[p]];
                int k = 1;
                // prevOcc[j] < p: the character at j does not occur in p..j-1;
                // the sentinel at n+1 always qualifies.
                for (int j = p + 1; j <= n + 1 && k <= D + 1; ++j)
                    if (rank[genes[j]] > rp && (j > n || chrom.prevOcc[j] < p)) row[k++] = j;
            }
        }
}

// Only the rows whose character ranks below c gain c's nearest occurrence,
// and the rows of c itself are rebuilt; every other row keeps its content
// because the relative order of all other characters did not change.
void updateL(WalkTables& walk, const OccurrenceIndex& index, int i, int c) {
    if (i == 1) {
        computeL(walk, index);
        return;
    }
    const int D = walk.D;
    const std::vector<int>& rank = walk.rank;
    const int rc = rank[c];
    std::vector<int> T(D + 2);
    for (const ChromIndex& chrom : index.chromosomes()) {
            IntTable& table = walk.tables[static_cast<size_t>(chrom.flat)].L;
            if (!hasTables(chrom, table)) continue;
            if (!chrom.POS.contains(c)) continue;
            const int n = chrom.length;
            std::span<const int> genes = chrom.genes;
            // Insertion pass: prev is the nearest occurrence of c left of p.
            int prev = 0;
            for (int p = 1; p <= n; ++p) {
                if (prev != 0 && rank[genes[p]] < rc) {
                    int* row = table.row(p);
                    int k = 1;
                    while (k <= D + 1 && row[k] >= prev) ++k;
                    if (k <= D + 1) {
                        for (int x = D + 1; x > k; --x) row[x] = row[x - 1];
                        row[k] = prev;
                    }
                }
                if (genes[p] == c) prev = p;
            }
            // Rows of c: a move-to-front list of the nearest first occurrences
            // of distinct higher-ranked characters (0 holds the sentinel).
            std::fill(T.begin(), T.end(), 0);
            for (int p = 1; p <= n; ++p) {
                const int x = genes[p];
                if (rank[x] > rc) {
                    int m = 1;
                    while (m <= D + 1 && genes[T[m]] != x) ++m;
                    if (m > D + 1) m = D + 1;
                    for (int y = m; y > 1; --y) T[y] = T[y - 1];
                    T[1] = p;
                }
                if (x == c) std::copy(T.begin() + 1, T.begin() + D + 2, table.row(p) + 1);
            }
        }
}

void updateR(WalkTables& walk, const OccurrenceIndex& index, int i, int c) {
    if (i == 1) {
        computeR(walk, index);
        return;
    }
    const int D = walk.D;
    const std::vector<int>& rank = walk.rank;
    const int rc = rank[c];
    std::vector<int> T(D + 2);
    for (const ChromIndex& chrom : index.chromosomes()) {
            IntTable& table = walk.tables[static_cast<size_t>(chrom.flat)].R;
            if (!hasTables(chrom, table)) continue;
            if (!chrom.POS.contains(c)) continue;
            const int n = chrom.length;
            std::span<const int> genes = chrom.genes;
            // Insertion pass: next is the nearest occurrence of c right of p.
            int next = n + 1;
            for (int p = n; p >= 1; --p) {
                if (next != n + 1 && rank[genes[p]] < rc) {
                    int* row = table.row(p);
                    int k = 1;
                    while (k <= D + 1 && row[k] <= next) ++k;
                    if (k <= D + 1) {
                        for (int x = D + 1; x > k; --x) row[x] = row[x - 1];
                        row[k] = next;
                    }
                }
                if (genes[p] == c) next = p;
            }
            // Rows of c, from a move-to-front list (n+1 holds the sentinel).
            std::fill(T.begin(), T.end(), n + 1);
            for (int p = n; p >= 1; --p) {
                const int x = genes[p];
                if (rank[x] > rc) {
                    int m = 1;
                    while (m <= D + 1 && genes[T[m]] != x) ++m;
                    if (m > D + 1) m = D + 1;
                    for (int y = m; y > 1; --y) T[y] = T[y - 1];
                    T[1] = p;
                }
                if (x == c) std::copy(T.begin() + 1, T.begin() + D + 2, table.row(p) + 1);
            }
        }
}

// Only rows that the move of c can have changed are refreshed: the rows of c
// itself and the rows whose border row now holds c. Every other row keeps
// both its borders and the order of the characters between them (only c
// changed its rank relative to the rest), so its primed row stays valid.
// Rows ranked above c never qualify, and a chromosome without c has none.
void updateL_prime(WalkTables& walk, const OccurrenceIndex& index, int i, int c) {
    const int D = walk.D;
    const std::vector<int>& rank = walk.rank;
    const bool all = i == 1;
    const int t = all ? INT_MAX : rank[c];
    for (const ChromIndex& chrom : index.chromosomes()) {
            BorderTables& tables = walk.tables[static_cast<size_t>(chrom.flat)];
            if (!hasTables(chrom, tables.L_prime)) continue;
            if (!all && !chrom.POS.contains(c)) continue;
            std::span<const int> genes = chrom.genes;
            for (int p = 1; p <= chrom.length; ++p) {
                const int rp = rank[genes[p]];
                if (rp > t) continue;
                const int* L = tables.L.row(p);
                if (!all && genes[p] != c && std::none_of(L + 1, L + D + 2, [&](int j) { return genes[j] == c; }))
                    continue;
                int* Lp = tables.L_prime.row(p);
                for (int k = 1; k <= D + 1; ++k) {
                    int q = L[k] + 1;
                    if (q > p) continue;
                    while (rank[genes[q]] > rp) ++q;  // stops at p at the latest
                    Lp[k] = q;
                }
            }
        }
}

void updateR_prime(WalkTables& walk, const OccurrenceIndex& index, int i, int c) {
    const int D = walk.D;
    const std::vector<int>& rank = walk.rank;
    const bool all = i == 1;
    const int t = all ? INT_MAX : rank[c];
    for (const ChromIndex& chrom : index.chromosomes()) {
            BorderTables& tables = walk.tables[static_cast<size_t>(chrom.flat)];
            if (!hasTables(chrom, tables.R_prime)) continue;
            if (!all && !chrom.POS.contains(c)) continue;
            std::span<const int> genes = chrom.genes;
            for (int p = 1; p <= chrom.length; ++p) {
                const int rp = rank[genes[p]];
                if (rp > t) continue;
                const int* R = tables.R.row(p);
                if (!all && genes[p] != c && std::none_of(R + 1, R + D + 2, [&](int j) { return genes[j] == c; }))
                    continue;
                int* Rp = tables.R_prime.row(p);
                for (int k = 1; k <= D + 1; ++k) {
                    int q = R[k] - 1;
                    if (q < p) continue;
                    while (rank[genes[q]] > rp) --q;  // stops at p at the latest
                    Rp[k] = q;
                }
            }
        }
}
