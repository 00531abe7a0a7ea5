// Reference ranks and the border tables L, R, L_prime, R_prime. Ranks follow
// the reference suffix that starts at the current left border; the tables
// list, per position, where characters ranked above the position's own
// character start, nearest first. Both are rebuilt at left border 1 and
// updated incrementally as the left border moves right.
#include "filters/arraysLnR.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

namespace {

// Whether the border tables of this chromosome exist and can be walked.
bool hasTables(const Chromosome& chrom, const IntTable& table) {
    return chrom.length >= 1 && !table.empty();
}

}  // namespace

void computeRank(SetOfSeqs& set, const Chromosome& ref) {
    const int A = set.alphabetSize;
    set.rank.assign(A + 1, absentRank(A));
    set.rank[0] = sentinelRank(A);
    int next = 1;
    for (int p = 1; p <= ref.length; ++p) {
        int& r = set.rank[ref.genes[p]];
        if (r == absentRank(A)) r = next++;
    }
}

void updateRank(SetOfSeqs& set, const Chromosome& ref, int i) {
    const int n = ref.length;
    const int A = set.alphabetSize;
    if (i == 1) {
        computeRank(set, ref);
        return;
    }
    std::vector<int>& rank = set.rank;
    const std::vector<int>& genes = ref.genes;
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
            if (r != m) std::printf("rank update error\n");
        }
    }
    rank[c0] = j <= n ? m + 1 : absentRank(A);
}

void computeL(SetOfSeqs& set, int, int D) {
    const std::vector<int>& rank = set.rank;
    for (Genome& genome : set.genomes)
        for (Chromosome& chrom : genome.chromosomes) {
            if (!hasTables(chrom, chrom.L)) continue;
            const int n = chrom.length;
            const std::vector<int>& genes = chrom.genes;
            for (int p = 1; p <= n; ++p) {
                int* row = chrom.L.row(p);
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

void computeR(SetOfSeqs& set, int, int D) {
    const std::vector<int>& rank = set.rank;
    for (Genome& genome : set.genomes)
        for (Chromosome& chrom : genome.chromosomes) {
            if (!hasTables(chrom, chrom.R)) continue;
            const int n = chrom.length;
            const std::vector<int>& genes = chrom.genes;
            for (int p = 1; p <= n; ++p) {
                int* row = chrom.R.row(p);
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
void updateL(SetOfSeqs& set, int g, int i, int D, int c) {
    if (i == 1) {
        computeL(set, g, D);
        return;
    }
    const std::vector<int>& rank = set.rank;
    const int rc = rank[c];
    std::vector<int> T(D + 2);
    for (Genome& genome : set.genomes)
        for (Chromosome& chrom : genome.chromosomes) {
            if (!hasTables(chrom, chrom.L)) continue;
            if (chrom.POS.built() && !chrom.POS.contains(c)) continue;
            const int n = chrom.length;
            const std::vector<int>& genes = chrom.genes;
            // Insertion pass: prev is the nearest occurrence of c left of p.
            int prev = 0;
            for (int p = 1; p <= n; ++p) {
                if (prev != 0 && rank[genes[p]] < rc) {
                    int* row = chrom.L.row(p);
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
                if (x == c) std::copy(T.begin() + 1, T.begin() + D + 2, chrom.L.row(p) + 1);
            }
        }
}

void updateR(SetOfSeqs& set, int g, int i, int D, int c) {
    if (i == 1) {
        computeR(set, g, D);
        return;
    }
    const std::vector<int>& rank = set.rank;
    const int rc = rank[c];
    std::vector<int> T(D + 2);
    for (Genome& genome : set.genomes)
        for (Chromosome& chrom : genome.chromosomes) {
            if (!hasTables(chrom, chrom.R)) continue;
            if (chrom.POS.built() && !chrom.POS.contains(c)) continue;
            const int n = chrom.length;
            const std::vector<int>& genes = chrom.genes;
            // Insertion pass: next is the nearest occurrence of c right of p.
            int next = n + 1;
            for (int p = n; p >= 1; --p) {
                if (next != n + 1 && rank[genes[p]] < rc) {
                    int* row = chrom.R.row(p);
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
                if (x == c) std::copy(T.begin() + 1, T.begin() + D + 2, chrom.R.row(p) + 1);
            }
        }
}

// Only rows that the move of c can have changed are refreshed: the rows of c
// itself and the rows whose border row now holds c. Every other row keeps
// both its borders and the order of the characters between them (only c
// changed its rank relative to the rest), so its primed row stays valid.
// Rows ranked above c never qualify, and a chromosome without c has none.
void updateL_prime(SetOfSeqs& set, int, int i, int D, int c) {
    const std::vector<int>& rank = set.rank;
    const bool all = i == 1;
    const int t = all ? INT_MAX : rank[c];
    for (Genome& genome : set.genomes)
        for (Chromosome& chrom : genome.chromosomes) {
            if (!hasTables(chrom, chrom.L_prime)) continue;
            if (!all && chrom.POS.built() && !chrom.POS.contains(c)) continue;
            const std::vector<int>& genes = chrom.genes;
            for (int p = 1; p <= chrom.length; ++p) {
                const int rp = rank[genes[p]];
                if (rp > t) continue;
                const int* L = chrom.L.row(p);
                if (!all && genes[p] != c && std::none_of(L + 1, L + D + 2, [&](int j) { return genes[j] == c; }))
                    continue;
                int* Lp = chrom.L_prime.row(p);
                for (int k = 1; k <= D + 1; ++k) {
                    int q = L[k] + 1;
                    if (q > p) continue;
                    while (rank[genes[q]] > rp) ++q;  // stops at p at the latest
                    Lp[k] = q;
                }
            }
        }
}

void updateR_prime(SetOfSeqs& set, int, int i, int D, int c) {
    const std::vector<int>& rank = set.rank;
    const bool all = i == 1;
    const int t = all ? INT_MAX : rank[c];
    for (Genome& genome : set.genomes)
        for (Chromosome& chrom : genome.chromosomes) {
            if (!hasTables(chrom, chrom.R_prime)) continue;
            if (!all && chrom.POS.built() && !chrom.POS.contains(c)) continue;
            const std::vector<int>& genes = chrom.genes;
            for (int p = 1; p <= chrom.length; ++p) {
                const int rp = rank[genes[p]];
                if (rp > t) continue;
                const int* R = chrom.R.row(p);
                if (!all && genes[p] != c && std::none_of(R + 1, R + D + 2, [&](int j) { return genes[j] == c; }))
                    continue;
                int* Rp = chrom.R_prime.row(p);
                for (int k = 1; k <= D + 1; ++k) {
                    int q = R[k] - 1;
                    if (q < p) continue;
                    while (rank[genes[q]] > rp) --q;  // stops at p at the latest
                    Rp[k] = q;
                }
            }
        }
}
