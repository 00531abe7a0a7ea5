// The median search of one cluster filter: a depth-first choice of one
// candidate interval per genome with the median distance kept incrementally.
#include "median/tupleSearch.h"

#include <algorithm>
#include <cassert>
#include <cstdio>

#include "center/chooseCenter.h"

namespace tamsu::detail {

bool searchTuples(const OccurrenceIndex& index, const SearchParameters& params, CandidateRecord& record,
                  Progress& progress, TupleSearchResult& results, const FoundEarlier* foundEarlier) {
    const int k = index.genomeCount();
    TupleSearchState data(index, params, record, progress, results);
    data.foundEarlier = foundEarlier;
    data.newTuples = makeTupleList(k);
    data.currentIntervals.assign(static_cast<size_t>(k > 0 ? k : 0), nullptr);
    data.localIndex = std::move(record.localIndex);
    record.localIndex.clear();
    data.localCharCount = record.localCharCount;
    data.referenceGenome = record.referenceGenome;
    data.occCount.assign(static_cast<size_t>(data.localCharCount) + 1, 0);
    if (k < 1) return true;

    data.memory.attach(results.memory.budget());
    if (!placeGenome(0, params.referenceBudget, params.summedDelta, params.mayLack, data)) return false;
    // The merged list keeps the share of the fresh tuples it did not drop.
    const std::size_t fresh = static_cast<std::size_t>(data.newTuples->size());
    const std::size_t freshBytes = data.memory.held();
    const std::size_t dropped = static_cast<std::size_t>(mergeTupleLists(*results.tuples, *data.newTuples));
    data.memory.clear();
    if (fresh > 0) results.memory.add(freshBytes / fresh * (fresh - dropped));
    if (foundEarlier != nullptr) results.memory.remove(reduceGrownTuples(*results.tuples, params));
    results.counts.distinctKTupleCount = results.tuples->foundCount();
    return true;
}

bool placeGenome(int g, int refBudget, int distBudget, int missBudget, TupleSearchState& data) {
    const SearchParameters& params = data.params;
    tamsu::SearchCounts& results = data.results.counts;
    const int k = data.index.genomeCount();
    if (!data.progress.countStep()) return false;
    // Buckets above the field's last list hold nothing.
    const int maxD = std::min({params.summedDelta, refBudget, data.candidateField.m()});
    if (maxD < 0) return true;

    const int localCharCount = data.localCharCount;
    std::vector<int>& occCount = data.occCount;
    for (int d = 0; d <= maxD; ++d) {
        std::vector<CandidateInterval>& bucket = data.candidateField.bucket(g, d);
        for (auto it = bucket.rbegin(); it != bucket.rend(); ++it) {
            CandidateInterval& iv = *it;
            data.currentIntervals[g] = &iv;
            const bool isEmpty = iv.l > iv.r;
            int cost;
            // Distance to the reference interval: the list's, or for an empty
            // occurrence its cost (which may lie beyond the last list).
            int refDist = d;
            if (isEmpty) {
                if (missBudget <= 0) continue;  // no genome may lack an occurrence any more
                cost = lackingGenomeCost(params, k);
                refDist = cost;
                if (refDist > refBudget) continue;
            } else {
                // The majority is taken over the genomes that hold an occurrence.
                cost = addToMedian(iv.localFlags, data, localCharCount, g - data.emptyPlaced);
            }

            if (cost > distBudget) {
                results.partialKTupleCount += 1.0;
            } else if (g < k - 1) {
                data.emptyPlaced += isEmpty ? 1 : 0;
                const bool goOn =
                    placeGenome(g + 1, refBudget - refDist, distBudget - cost, missBudget - (isEmpty ? 1 : 0), data);
                data.emptyPlaced -= isEmpty ? 1 : 0;
                if (!goOn) return false;
            } else {
                results.completeKTupleCount += 1.0;
                // The majority is taken over the genomes that hold an occurrence.
                const int half = (k - data.emptyPlaced - (isEmpty ? 1 : 0) + 1) / 2;
                if (params.isCenter() || areBordersOptimal(data.index, data, occCount, half)) {
                    results.optBorderMedianCount += 1;
                    const int searchCost = params.summedDelta - (distBudget - cost);
                    if (const std::optional<int> totalDist = chooseClusterSet(data, half, searchCost)) {
                        results.minSizeMedianCount += 1;
                        if (data.foundEarlier == nullptr || data.referenceGenome == 0 ||
                            !(*data.foundEarlier)(data.currentIntervals, data.referenceGenome)) {
                            storeTuple(k, *totalDist, data);
                            if (data.foundEarlier != nullptr)
                                data.memory.remove(reduceGrownTuples(*data.newTuples, params));
                        }
                    }
                }
            }

            // Take the interval out again (an empty one holds no flags).
            if (static_cast<int>(iv.localFlags.size()) > localCharCount) {
                for (int c = 1; c <= localCharCount; ++c) {
                    occCount[c] -= iv.localFlags[c];
                    assert(occCount[c] <= g);  // no family is held by more genomes than were added
                }
            }
        }
    }
    return true;
}

// g counts the non-empty intervals placed before this one: an empty interval
// holds no chars and does not take part in the majority.
int addToMedian(const std::vector<unsigned char>& flags, TupleSearchState& data, int localCharCount, int g) {
    std::vector<int>& occCount = data.occCount;
    int growth = 0;
    if (static_cast<int>(flags.size()) <= localCharCount) return 0;  // an interval without local data adds nothing
    for (int c = 1; c <= localCharCount; ++c) {
        if (flags[c]) {
            // In no more than half of the g+1 intervals: it counts against the median.
            if (++occCount[c] <= (g + 1) / 2) ++growth;
        } else if (occCount[c] > 0 && occCount[c] >= (g + 2) / 2) {
            // In more than half of them, and missing here.
            ++growth;
        }
    }
    return growth;
}

void findEssentialPositions(const OccurrenceIndex& index, TupleSearchState& data, const std::vector<int>& occCount,
                            int half) {
    const int k = index.genomeCount();
    const std::vector<int>& localIndex = data.localIndex;
    for (int g = 0; g < k; ++g) {
        CandidateInterval& iv = *data.currentIntervals[g];
        std::span<const ChromIndex> chromosomes = index.genome(g);
        iv.leftEssential = -1;
        // An empty occurrence names chromosome 0, which a genome may lack.
        iv.rightEssential = iv.chr < static_cast<int>(chromosomes.size()) ? chromosomes[iv.chr].length + 2 : 1;
        if (iv.l > iv.r) continue;
        const ChromIndex& ch = chromosomes[iv.chr];
        for (int p = iv.l; p <= iv.r; ++p)
            if (occCount[localIndex[ch.genes[p]]] >= half) {
                iv.leftEssential = p;
                break;
            }
        for (int p = iv.r; p >= iv.l; --p)
            if (occCount[localIndex[ch.genes[p]]] >= half) {
                iv.rightEssential = p;
                break;
            }
    }
}

bool areBordersOptimal(const OccurrenceIndex& index, TupleSearchState& data, const std::vector<int>& occCount,
                       int half) {
    findEssentialPositions(index, data, occCount, half);
    const int k = index.genomeCount();
    if (k < 1) return true;
    const std::vector<int>& localIndex = data.localIndex;
    for (int g = 0; g < k; ++g) {
        const CandidateInterval& iv = *data.currentIntervals[g];
        if (iv.l > iv.r) continue;
        const ChromIndex& ch = index.chrom(g, iv.chr);
        const int L = iv.leftEssential;
        const int R = iv.rightEssential;
        if (L == -1) return false;
        // Genes outside the essential core must occur again inside it.
        for (int p = iv.l; p < L; ++p)
            if (ch.nextOcc[p] > R) return false;
        for (int p = R + 1; p <= iv.r; ++p)
            if (ch.prevOcc[p] < L) return false;
        // A majority gene just outside would make the interval longer.
        if (occCount[localIndex[ch.genes[iv.l - 1]]] >= half) return false;
        if (occCount[localIndex[ch.genes[iv.r + 1]]] >= half) return false;
    }
    return true;
}

bool isMedianBigEnough(const std::vector<int>& occCount, int localCharCount, int half, int minSize) {
    int count = 0;
    for (int c = 1; c <= localCharCount; ++c)
        if (occCount[c] >= half) ++count;
    return count >= minSize;
}

std::optional<int> chooseClusterSet(TupleSearchState& data, int half, int searchCost) {
    const int lcc = data.localCharCount;
    const std::vector<int>& occCount = data.occCount;
    std::vector<unsigned char>& inSet = data.clusterSet;
    inSet.assign(static_cast<std::size_t>(lcc) + 1, 0);
    if (!data.params.isCenter()) {
        if (!isMedianBigEnough(occCount, lcc, half, data.params.minClusterSize)) return std::nullopt;
        for (int c = 1; c <= lcc; ++c) inSet[c] = occCount[c] >= half;
        return searchCost;
    }
    // Center mode: the rows are the chosen occurrences, the columns the
    // local chars they hold, by gene id so that the choice does not depend
    // on the filter that produced the tuple.
    std::vector<const unsigned char*> rows;
    for (const CandidateInterval* iv : data.currentIntervals)
        if (iv->l <= iv->r) rows.push_back(iv->localFlags.data());
    std::vector<int> columns;
    for (int c = 1; c <= lcc; ++c)
        if (occCount[c] > 0) columns.push_back(c);
    const std::vector<int>& localChars = data.localChars;
    std::sort(columns.begin(), columns.end(), [&](int a, int b) { return localChars[a] < localChars[b]; });
    const std::optional<std::vector<int>> center =
        chooseCenter(rows, columns, data.params.delta, data.params.minClusterSize);
    if (!center) return std::nullopt;
    for (int c : *center) inSet[c] = 1;
    // The summed distance to the center in place of the one to the median
    // (a genome without an occurrence keeps its cost).
    int medianSum = 0, centerSum = 0;
    for (const unsigned char* row : rows)
        for (int c : columns) {
            const int majority = occCount[c] >= half;
            medianSum += row[c] != majority;
            centerSum += row[c] != inSet[c];
        }
    return searchCost - medianSum + centerSum;
}

// The budget checks of placeGenome along one path: at genome g the lists up
// to the remaining budget are searched, an empty occurrence is charged its
// cost.
bool reachesChoice(std::span<CandidateInterval* const> chosen, const SearchParameters& params, int m,
                   const std::function<int(int, const CandidateInterval&)>& bucketOf) {
    const int k = static_cast<int>(chosen.size());
    int refBudget = params.referenceBudget;
    for (int g = 0; g < k; ++g) {
        const int maxD = std::min({params.summedDelta, refBudget, m});
        const CandidateInterval& iv = *chosen[g];
        const int d = bucketOf(g, iv);
        if (d < 0 || d > maxD) return false;
        const int refDist = iv.l > iv.r ? lackingGenomeCost(params, k) : d;
        if (refDist > refBudget) return false;
        refBudget -= refDist;
    }
    return true;
}

bool hasValidBorders(const OccurrenceIndex& index, const SearchParameters& params, const ChromIndex& chrom, int l,
                     int r) {
    const int half = (index.genomeCount() + 1) / 2;
    const bool strict = params.mode == Mode::median && !params.hasQuorum;
    auto isRare = [&](int gene) {
        int stat = index.charOccStat()[gene];
        return strict ? stat < half : stat <= 1;
    };
    const bool weakLeft = chrom.nextOcc[l] > r && isRare(chrom.genes[l]);
    const bool weakRight = chrom.prevOcc[r] < l && isRare(chrom.genes[r]);
    return !weakLeft && !weakRight;
}

}  // namespace tamsu::detail
