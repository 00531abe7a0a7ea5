// Cluster-filter enumeration of the median and center searches: every
// reference interval grown one character at a time is a candidate gene set;
// those that pass the cheap tests and the distance bounds are expanded into
// candidate occurrences and handed to the median search.
#include "filters/computeClusterFiltersLnR.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "entry/commInts.h"
#include "entry/progress.h"
#include "filters/arraysLnR.h"
#include "index/initDatastructures.h"
#include "median/iterativeMedianComp.h"
#include "occurrences/matchField.h"
#include "occurrences/superIntervals.h"
#include "util/errors.h"

// Filter depth: how many foreign characters an occurrence may hold.
static int filterDepth(const ParameterArray& params) {
    return params.isCenter ? 2 * params.pwDelta : params.delta;
}

bool computeFiltersAlg3(SetOfSeqs& set, const ParameterArray& params, ResultArray& result) {
    const int k = set.genomeCount;
    const int D = filterDepth(params);
    const int refGenomeCount = countRefGenomes(params, k);
    std::fprintf(stderr, "refGenomeCount: %d, q: %d, K; %d\n", refGenomeCount, params.q, k);
    initProgress(set, params, refGenomeCount);
    // For a single genome d is 0 while the lists go up to D+1.
    Pattern pattern = initPattern(set.alphabetSize + 1, k, std::max(params.d, D));
    MatchesRecord& record = pattern.matchesRecord;
    if (refGenomeCount < 1) {
        emptyProgress();
        return true;
    }

    for (int g = 0; g < refGenomeCount && g < k; ++g) {
        for (const Chromosome& ch : set.genomes[g].chromosomes) {
            const int n = ch.length;
            printProgressNewRefChr(ch.number, g, ch.name, n);
            for (int i = 1; i <= n; ++i) {
                if (params.gui && !tamsu2_continue_computation()) {
                    emptyProgress();
                    return false;
                }
                updateRank(set, ch, i);
                // The distance bounds and candidate search read L and R, so
                // they are kept current even under "-noLR".
                updateL(set, g, i, D, ch.genes[i - 1]);
                updateR(set, g, i, D, ch.genes[i - 1]);
                resetPattern(pattern, set.alphabetSize, D, g, ch.number, i);

                int j = i;
                while (getNextI_ref(j, pattern, g, ch.number, set)) {
                    const int r = pattern.right;
                    // The distance bounds are brought up to date at every growth
                    // step: skipping a step would leave them too high for the
                    // rest of this left border and reject filters wrongly.
                    minDistsToI_ref(pattern, set, D);
                    if (isValidCF(pattern, set, params)) {
                        if (!areMinDistsTooBig(pattern, params)) {
                            if (r >= ch.nextOcc[i - 1] && ch.prevOcc[r + 1] >= i) fail(stdout, "not maximal I_ref\n");
                            // The counter wraps like the int it is; the notice below reports it.
                            result.filterCount = static_cast<int>(static_cast<unsigned>(result.filterCount) + 1u);
                            addToMatchesRecord(record, set, g, 0, i, r, ch.number);
                            compute_maxRemDists(pattern, params);
                            updateProgress_before_step2(r - i + 1);
                            computeSuperIntervals(pattern, set, D, params);
                            record.refSeq = g;
                            if (params.hasQuorum) addEmptyOccs(record, set, pattern, params);
                            generateLocalOcc(record, set, k, D);
                            result.kTupleCount += compute_possibleCombinations(record, k);
                            testMatchField(record, set, D, k);
                            if (!generate_kTuples(set, params, record, result)) {
                                emptyProgress();
                                return false;
                            }
                            resetMatchesRecord(record, k, D + 1);
                            if (result.filterCount < 1) std::printf("Integer overflow at filterCount\n");
                        }
                    }
                    j = pattern.right + 1;
                }
                updateProgress_after_i(n - i + 1);
            }
            updateProgress_after_chr(static_cast<int>(static_cast<long long>(n) * (n + 1) / 2));
        }
        // In center mode a cluster occurs in one of the first q+1 genomes.
        if (params.isCenter && g + 1 == params.q + 1) {
            emptyProgress();
            return true;
        }
    }
    emptyProgress();
    return true;
}

bool isValidCF(Pattern& pattern, const SetOfSeqs& set, const ParameterArray& params) {
    if (pattern.size < params.minRefSize) return false;
    if (!params.isCenter && tooManyInfreqChars(pattern, set, params.delta)) return false;
    const int k = set.genomeCount;
    const int t = (!params.isCenter && !params.hasQuorum) ? (k + 1) / 2 : 2;
    const Chromosome& ch = set.genomes[pattern.refGenome].chromosomes[pattern.refChrom];
    const int l = pattern.left;
    const int r = pattern.right;
    if (ch.nextOcc[l] > r && set.charOccStat[ch.genes[l]] < t) return false;
    if (ch.prevOcc[r] >= l) return true;
    return set.charOccStat[ch.genes[r]] >= t;
}

void minDistsToI_ref(Pattern& pattern, const SetOfSeqs& set, int D) {
    for (int g = 0; g < set.genomeCount; ++g) {
        if (g == pattern.refGenome) continue;
        for (const Chromosome& ch : set.genomes[g].chromosomes) {
            int prev = -1;
            for (int p : ch.POS[pattern.newChar]) {
                pattern.minDists[g] = std::min(pattern.minDists[g], computeDist(p, D, pattern.size, ch, prev));
                prev = p;
            }
        }
    }
    pattern.minDists[pattern.refGenome] = 0;
    for (int dist : pattern.minDists) pattern.minTotalDist += dist;
}

int computeDist(int p, int D, int size, const Chromosome& ch, int prev) {
    const int n = ch.length;
    const int* Lrow = ch.L.row(p);
    const int* Rrow = ch.R.row(p);
    // Entries beyond the D+1 boundaries kept per row read as the sentinels.
    auto Lp = [&](int index) { return index <= D + 1 ? Lrow[index] : 0; };
    auto Rp = [&](int index) { return index <= D + 1 ? Rrow[index] : n + 1; };

    int best = size;
    // T[y]: how far right the intervals starting after the y-th left boundary
    // have been taken (an index into Rp); -1 when that boundary is no longer
    // one. Called once per occurrence of the new character: no heap for
    // the usual small depths.
    constexpr int kStackDepth = 64;
    int stackT[kStackDepth];
    std::vector<int> heapT;
    int* T = stackT;
    if (D + 2 > kStackDepth) {
        heapT.resize(static_cast<size_t>(D) + 2);
        T = heapT.data();
    }
    std::fill(T, T + D + 2, 0);
    int x = 0;
    int bound = size - 1;
    for (;;) {
        if (std::min(D, bound) < x) return best;
        const int lev = x + 1;  // intervals with lev-1 foreign characters
        // Intervals reaching left of the previous occurrence were evaluated there.
        if (Lp(1) < prev) return best;
        if (T[1] >= 0) {
            for (int y = 1; y <= lev; ++y) {
                const int a = Lp(y);
                int right;
                do {
                    ++T[y];
                    right = Rp(T[y]);
                } while (right != n + 1 && getNUM(ch, a + 1, right) == getNUM(ch, a + 1, right - 1));
                if (getNUM(ch, a, right - 1) == getNUM(ch, a + 1, right - 1)) {
                    T[y] = -1;
                } else if (Rp(T[y] - 1) != n + 1) {
                    const int dist = size - getNUM(ch, a + 1, right - 1) + 2 * (lev - 1);
                    best = std::min(best, dist);
                    if (best <= x) return best;
                }
                if (y == lev) break;
                if (Lp(y) == 0) break;
                if (Lp(y + 1) < prev) return best;
                if (T[y + 1] < 0) break;
            }
        }
        bound = best - 1;
        x = lev;
    }
}

bool areMinDistsTooBig(const Pattern& pattern, const ParameterArray& params) {
    const int k = pattern.genomeCount;
    if (!params.isCenter) {
        if (pattern.minTotalDist > params.d) return true;
        for (int dist : pattern.minDists)
            if (dist > params.delta) return true;
        return false;
    }
    for (int dist : pattern.minDists)
        if (dist > 2 * params.delta) return true;
    return pattern.minTotalDist > (k - 1) * params.pwDelta;
}

void compute_maxRemDists(Pattern& pattern, const ParameterArray& params) {
    const int k = pattern.genomeCount;
    for (int g = 0; g < k; ++g) {
        if (params.isCenter) pattern.maxRemDists[g] = 2 * params.pwDelta;
        else if (params.hasQuorum) pattern.maxRemDists[g] = params.delta;
        else
            pattern.maxRemDists[g] =
                std::min(params.delta, params.d - pattern.minTotalDist + pattern.minDists[g]);
    }
}
