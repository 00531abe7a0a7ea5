// Candidate-interval enumeration around the occurrences of a filter's characters.
#include "filters/candidateIntervals.h"

#include <algorithm>

#include "median/tupleSearch.h"

namespace tamsu::detail {

// Candidates through position p (an occurrence of x, the highest-ranked
// character of P it will hold), each generated only here: from p the interval
// grows left to l and right to r without meeting a character of P ranked at or
// above x other than at p itself.
static void addIntervalsAround(const Pattern& pattern, CandidateRecord& record, const OccurrenceIndex& index,
                               WalkTables& walk, const SearchParameters& params, int g, const ChromIndex& chrom, int x,
                               int p, int m) {
    const std::vector<int>& rank = walk.rank;
    std::span<const int> genes = chrom.genes;
    const std::vector<int>& prevOcc = chrom.prevOcc;
    const std::vector<int>& nextOcc = chrom.nextOcc;
    const int n = chrom.length;
    const int R_P = rank[pattern.newChar];
    const int rankX = rank[x];
    // Intervals never reach the (m+1)-th boundary on either side: beyond it they
    // hold more foreign characters than the budget allows. A budget deeper
    // than the rows has its boundary past the last one they keep: the end.
    const BorderRows rows = walk.rows(chrom, p);
    const int column = std::min(m, walk.D) + 1;
    const int a = rows.L[column];
    const int b = rows.R[column];

    int f_left = 0;
    int rightLimit = n + 1;
    for (int l = p; l > a; --l) {
        const int rankL = rank[genes[l]];
        if (l < p && rankX <= rankL && rankL <= R_P) break;
        if (rankL > R_P && nextOcc[l] > p) ++f_left;
        int f = f_left;
        for (int r = p; r < rightLimit; ++r) {
            const int y = rank[genes[r]];
            if (rankX < y && y <= R_P) {
                rightLimit = r;
                break;
            }
            if (y > R_P && prevOcc[r] < l) ++f;
            // The character left of l occurs inside: no interval from l is left-maximal.
            if (nextOcc[l - 1] <= r) break;
            if (prevOcc[r + 1] < l) {
                int dist = pattern.size - distinctCount(chrom, l, r) + 2 * f;
                if (dist <= m && hasValidBorders(index, params, chrom, l, r) && r > l &&
                    !(g < pattern.refGenome && dist == 0))
                    addCandidate(record, g, dist, l, r, chrom.number);
            }
            if (b <= r + 1) break;
        }
    }
}

void findCandidateIntervals(const Pattern& pattern, CandidateRecord& record, const OccurrenceIndex& index,
                            WalkTables& walk, const SearchParameters& params) {
    for (int g = 0; g < index.genomeCount(); ++g) {
        if (g == pattern.refGenome) continue;
        const int m = pattern.maxRemDists[g];
        if (m < 0) continue;  // no budget left for this genome
        for (const ChromIndex& chrom : index.genome(g))
            for (int x : pattern.charList)
                for (int p : index.positions(x, chrom))
                    addIntervalsAround(pattern, record, index, walk, params, g, chrom, x, p, m);
    }
}

}  // namespace tamsu::detail
