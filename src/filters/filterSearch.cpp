// Cluster-filter enumeration of the median and center searches: every
// reference interval grown one character at a time is a candidate gene set;
// those that pass the cheap tests and the distance bounds are expanded into
// candidate occurrences and handed to the median search.
#include "filters/filterSearch.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filters/candidateIntervals.h"
#include "filters/earlierWalks.h"
#include "median/tupleSearch.h"
#include "occurrences/candidates.h"
#include "util/errors.h"
#include "walk/referenceWalk.h"

namespace tamsu::detail {

// Filter depth: how many foreign characters an occurrence may hold, no
// deeper than any distance of the genomes reaches.
static int filterDepth(const SearchParameters& params) {
    return searchDepth(params, params.isCenter() ? 2LL * params.delta : params.summedDelta);
}

namespace {

// The filters of one left border as the walk met them: the progress each
// reported before its candidates, and its count of combinations.
struct FilterEvents {
    std::vector<long long> before;
    std::vector<double> combinations;
};

// What a run of consecutive left borders found: its tuples (merged among
// themselves) and, per left border, its filters.
struct ChromTuples {
    TupleSearchResult result;
    int first = 1;                     // its first left border
    std::vector<FilterEvents> events;  // left border i at i - first
};

// The state of one walk over reference chromosomes: its candidate record.
class FilterExpander {
public:
    FilterExpander(const OccurrenceIndex& index, const SearchParameters& params, ReferenceWalk& walk, int D,
                   MemoryBudget& memory)
        : index_(index),
          params_(params),
          walk_(walk),
          D_(D),
          // For a single genome d is 0 while the lists go up to D+1.
          record_(makeCandidateRecord(index.genomeCount(),
                                      searchDepth(params, std::max(params.referenceBudget, D)))) {
        record_.memory.attach(&memory);
    }

    // Expands the filters of left border i of ch into result: before(x)
    // precedes a filter's candidates, after(combinations) follows its
    // median search. Cancel when the median search was stopped.
    template <typename Before, typename After>
    LeftBorder expand(const ChromIndex& ch, int i, TupleSearchResult& result, Progress& progress, Before&& before,
                      After&& after) {
        const int k = index_.genomeCount();
        const bool complete = forEachFilter(walk_, index_, params_, D_, ch, i, [&](int r) {
            if (r >= ch.nextOcc[i - 1] && ch.prevOcc[r + 1] >= i) fail(Stream::out, "not maximal I_ref\n");
            // The counter wraps like the int it is; the caller reports it.
            result.counts.filterCount = static_cast<int>(static_cast<unsigned>(result.counts.filterCount) + 1u);
            before(static_cast<long long>(r - i + 1));
            collectCandidates(record_, walk_, index_, params_, ch, i);
            numberLocalFamilies(record_, index_, k, D_);
            const double combinations = countCombinations(record_, k);
            if (!searchTuples(index_, params_, record_, progress, result, reduce_ ? &foundEarlier_ : nullptr))
                return false;
            resetCandidateRecord(record_, k, D_ + 1);
            after(combinations);
            return true;
        });
        return complete ? LeftBorder::done : LeftBorder::cancel;
    }

private:
    const OccurrenceIndex& index_;
    const SearchParameters& params_;
    ReferenceWalk& walk_;
    const int D_;
    CandidateRecord record_;
    // Center searches store first finds only and reduce their lists as they
    // grow; the replay of the earlier walks is built when first asked.
    const bool reduce_ = params_.isCenter() && params_.reduceTuplesAt > 0;
    std::unique_ptr<EarlierWalks> earlier_;
    const FoundEarlier foundEarlier_ = [this](std::span<CandidateInterval* const> chosen, int referenceGenome) {
        if (!earlier_) earlier_ = std::make_unique<EarlierWalks>(index_, params_, D_, walk_.progress());
        return earlier_->found(chosen, referenceGenome);
    };
};

}  // namespace

std::optional<TupleSearchResult> runFilterSearch(const OccurrenceIndex& index, const SearchParameters& params,
                                                 Progress& progress, MemoryBudget& memory) {
    const int k = index.genomeCount();
    const int D = filterDepth(params);
    const int refGenomeCount = referenceGenomeCount(params, k);
    const ChromRange refs = index.leadingGenomes(refGenomeCount);
    progress.print(Stream::err, formatText("refGenomeCount: %d, q: %d, K; %d\n", refGenomeCount, params.mayLack, k));
    progress.beginRun(index, refs);
    TupleSearchResult result;
    result.tuples->k = k;
    result.memory.attach(&memory);
    tamsu::SearchCounts& counts = result.counts;
    auto overflowNotice = [&] {
        if (counts.filterCount < 1) progress.print(Stream::out, "Integer overflow at filterCount\n");
    };

    if (params.threads <= 1) {
        ReferenceWalk walk(index, D, false, progress);
        FilterExpander expander(index, params, walk, D, memory);
        const bool complete = walk.run(refs, [&](const ChromIndex& ch, int i) {
            return expander.expand(
                ch, i, result, progress, [&](long long x) { progress.beforeCandidates(x); },
                [&](double combinations) {
                    counts.kTupleCount += combinations;
                    overflowNotice();
                });
        });
        if (!complete) return std::nullopt;
        progress.endRun();
        return result;
    }

    // Reference intervals on threads, in runs of consecutive left borders:
    // each run merges its own tuples and notes its filters; the runs are then
    // merged in walk order, which keeps the first of equal tuples as one walk
    // does, and their filters replayed (progress, the combination sum in its
    // order, the counter) exactly as one walk reports them.
    constexpr int kRunLength = 64;
    std::vector<ChromTuples> found(leftBorderRangeCount(index, refs, kRunLength));
    size_t merged = 0;  // runs merged into the result so far (in walk order)
    auto mergeRun = [&](ChromTuples& run) {
        const tamsu::SearchCounts& part = run.result.counts;
        counts.partialKTupleCount += part.partialKTupleCount;
        counts.completeKTupleCount += part.completeKTupleCount;
        counts.optBorderMedianCount += part.optBorderMedianCount;
        counts.minSizeMedianCount += part.minSizeMedianCount;
        if (run.result.tuples && run.result.tuples->size() > 0) {
            // The merged list holds what the run's list held of the budget.
            const std::size_t held = run.result.memory.held();
            run.result.memory.clear();
            result.memory.add(held);
            mergeTupleLists(*result.tuples, *run.result.tuples);
            if (params.isCenter()) result.memory.remove(reduceGrownTuples(*result.tuples, params));
            counts.distinctKTupleCount = result.tuples->foundCount();
        }
        run.result.tuples.reset();  // merged: its tuples are the result's or freed
        std::vector<FilterEvents>().swap(run.events);
    };
    const bool complete = runLeftBorderRangesInParallel(
        index, D, false, progress, refs, params.threads, kRunLength,
        [&](ReferenceWalk& walk, const std::atomic<bool>& stopped) {
            // A worker shows nothing (the calling thread writes the run's
            // report) and stops once the run is given up, so a long median
            // search of one left border need not run to its end.
            auto quiet = std::make_shared<SilentStatus>([&stopped] { return !stopped; });
            auto workerProgress = std::make_shared<Progress>(*quiet);
            auto expander = std::make_shared<FilterExpander>(index, params, walk, D, memory);
            return [&, quiet, workerProgress, expander](const ChromIndex& ch, int i, size_t task) {
                ChromTuples& run = found[task];
                if (run.events.empty()) {
                    run.first = i;
                    run.result.tuples->k = k;
                    run.result.memory.attach(&memory);
                    run.events.assign(static_cast<size_t>(std::min(kRunLength, ch.length - i + 1)), {});
                }
                FilterEvents& events = run.events[static_cast<size_t>(i - run.first)];
                return expander->expand(
                    ch, i, run.result, *workerProgress, [&](long long x) { events.before.push_back(x); },
                    [&](double combinations) { events.combinations.push_back(combinations); });
            };
        },
        [&](const ChromIndex&, int i, size_t task) {
            // Runs before this one are complete: their tuples join the result.
            for (; merged < task; ++merged) mergeRun(found[merged]);
            const ChromTuples& run = found[task];
            const FilterEvents& events = run.events[static_cast<size_t>(i - run.first)];
            for (size_t f = 0; f < events.before.size(); ++f) {
                progress.beforeCandidates(events.before[f]);
                counts.filterCount = static_cast<int>(static_cast<unsigned>(counts.filterCount) + 1u);
                counts.kTupleCount += events.combinations[f];
                overflowNotice();
            }
        });
    if (!complete) return std::nullopt;
    for (; merged < found.size(); ++merged) mergeRun(found[merged]);
    progress.endRun();
    return result;
}

void collectCandidates(CandidateRecord& record, ReferenceWalk& walk, const OccurrenceIndex& index,
                       const SearchParameters& params, const ChromIndex& ch, int i) {
    Pattern& pattern = walk.pattern();
    addCandidate(record, ch.genome, 0, i, pattern.right, ch.number);
    setCandidateBudgets(pattern, params);
    findCandidateIntervals(pattern, record, index, walk.tables(), params);
    record.referenceGenome = ch.genome;
    if (params.hasQuorum) addEmptyCandidates(record, ch.genome, index.genomeCount(), params);
}

bool isValidFilter(Pattern& pattern, const OccurrenceIndex& index, const SearchParameters& params) {
    if (pattern.size < params.minRefSize) return false;
    const int k = index.genomeCount();
    // Under a quorum the median is taken over the genomes with an occurrence.
    const int minHolders = k - (mayLackCluster(params) ? params.mayLack : 0);
    if (!params.isCenter() && tooManyRareFamilies(pattern, index, params.summedDelta, minHolders)) return false;
    const int t = (!params.isCenter() && !params.hasQuorum) ? (k + 1) / 2 : 2;
    const ChromIndex& ch = index.chrom(pattern.refGenome, pattern.refChrom);
    const std::vector<int>& charOccStat = index.charOccStat();
    const int l = pattern.left;
    const int r = pattern.right;
    if (ch.nextOcc[l] > r && charOccStat[ch.genes[l]] < t) return false;
    if (ch.prevOcc[r] >= l) return true;
    return charOccStat[ch.genes[r]] >= t;
}

void updateMinDistances(Pattern& pattern, const OccurrenceIndex& index, WalkTables& walk, int D) {
    // Only genomes holding the new character have positions to visit: its
    // occurrences there, chromosome by chromosome.
    const int c = pattern.newChar;
    const FamilyOccurrences& occ = index.occurrences();
    std::span<const int> holders = index.genomesHolding(c);
    for (int h = 0; h < static_cast<int>(holders.size()); ++h) {
        const int g = holders[h];
        if (g == pattern.refGenome) continue;
        const auto [first, last] = index.occurrencesOfHolder(c, h);
        int prev = -1;
        for (int at = first; at < last; ++at) {
            const ChromIndex& ch = index.chromosomes()[static_cast<size_t>(occ.key[at] >> 32)];
            if (at > first && occ.key[at] >> 32 != occ.key[at - 1] >> 32) prev = -1;  // a new chromosome
            const int p = occ.position[at];
            pattern.minDists[g] =
                std::min(pattern.minDists[g], minDistanceAround(D, pattern.size, ch, walk.rows(ch, p), prev));
            prev = p;
        }
    }
    pattern.minDists[pattern.refGenome] = 0;
    for (int dist : pattern.minDists) pattern.minTotalDist += dist;
}

int minDistanceAround(int D, int size, const ChromIndex& ch, const BorderRows& rows, int prev) {
    const int n = ch.length;
    const int* Lrow = rows.L;
    const int* Rrow = rows.R;
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
                } while (right != n + 1 && distinctCount(ch, a + 1, right) == distinctCount(ch, a + 1, right - 1));
                if (distinctCount(ch, a, right - 1) == distinctCount(ch, a + 1, right - 1)) {
                    T[y] = -1;
                } else if (Rp(T[y] - 1) != n + 1) {
                    const int dist = size - distinctCount(ch, a + 1, right - 1) + 2 * (lev - 1);
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

bool areMinDistancesTooBig(const Pattern& pattern, const SearchParameters& params) {
    const int k = pattern.genomeCount;
    const std::vector<int>* bounds = &pattern.minDists;
    int total = pattern.minTotalDist;
    std::vector<int> excused;
    if (mayLackCluster(params)) {
        // The q genomes farthest from I_ref may lack the cluster instead:
        // their bounds give way to the cost of lacking it where that is
        // cheaper. The reference genome holds I_ref itself.
        for (int g = 0; g < k; ++g)
            if (g != pattern.refGenome) excused.push_back(pattern.minDists[g]);
        std::sort(excused.begin(), excused.end(), std::greater<int>());
        const int cost = lackingGenomeCost(params, k);
        for (int i = 0; i < params.mayLack && i < static_cast<int>(excused.size()); ++i)
            excused[i] = std::min(excused[i], cost);
        total = 0;
        for (int dist : excused) total += dist;
        bounds = &excused;
    }
    if (!params.isCenter()) {
        if (total > params.referenceBudget) return true;
        for (int dist : *bounds)
            if (dist > params.summedDelta) return true;
        return false;
    }
    for (int dist : *bounds)
        if (dist > 2LL * params.summedDelta) return true;
    return total > (k - 1) * params.delta;
}

void setCandidateBudgets(Pattern& pattern, const SearchParameters& params) {
    const int k = pattern.genomeCount;
    for (int g = 0; g < k; ++g) {
        if (params.isCenter())
            pattern.maxRemDists[g] = 2 * params.delta;
        else if (params.hasQuorum)
            pattern.maxRemDists[g] = params.summedDelta;
        else
            pattern.maxRemDists[g] =
                std::min(params.summedDelta, params.referenceBudget - pattern.minTotalDist + pattern.minDists[g]);
    }
}

}  // namespace tamsu::detail
