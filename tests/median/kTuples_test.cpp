// k-tuple records and lists: creation from the search state, canonical order,
// merging, reductions, counts and the gene-content sort.
#include "median/kTuples.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "median/iterativeMedianComp.h"
#include "testUtil.h"

namespace {

// A tuple with local chars 1..n: flags[g] lists the local chars of genome g's
// interval; occCount follows from the flags.
kTuple makeFlaggedTuple(const std::vector<kTupleInterval>& intervals, int n,
                        const std::vector<std::vector<int>>& flags) {
    kTuple tuple = makeTuple(intervals);
    tuple.localCharCount = n;
    tuple.occCount.assign(n + 1, 0);
    tuple.localChars.assign(n + 1, 0);
    for (int c = 1; c <= n; ++c) tuple.localChars[c] = 100 + c;
    tuple.intervalOccs.assign(intervals.size() * (n + 1), 0);
    for (size_t g = 0; g < flags.size(); ++g)
        for (int c : flags[g]) {
            tuple.intervalOccs[g * (n + 1) + c] = 1;
            ++tuple.occCount[c];
        }
    return tuple;
}

using Key = std::vector<std::array<int, 3>>;  // (chr, l, r) per genome

Key keyOf(const kTuple& t) {
    Key key;
    for (const kTupleInterval& iv : t.intervalArray) key.push_back({iv.chr, iv.l, iv.r});
    return key;
}

std::vector<Key> keysOf(const kTupleList& list) {
    std::vector<Key> keys;
    for (const kTuple& t : list.tuples) keys.push_back(keyOf(t));
    return keys;
}

// The list as "chr:[l,r]" per genome, tuples separated by " | ".
std::string text(const kTupleList& list) {
    std::string out;
    for (const kTuple& t : list.tuples) {
        out += out.empty() ? "" : " | ";
        for (const kTupleInterval& iv : t.intervalArray)
            out += formatText("%s%d:[%d,%d]", &iv == &t.intervalArray[0] ? "" : " ", iv.chr, iv.l, iv.r);
    }
    return out;
}

// Per genome "dist/extraChars".
std::string distances(const kTuple& t) {
    std::string out;
    for (const kTupleInterval& iv : t.intervalArray)
        out += formatText("%s%d/%d", out.empty() ? "" : " ", iv.dist, iv.extraChars);
    return out;
}

// A random interval tuple over k genomes (an empty occurrence one time in
// emptyOneIn), positions 1..maxL.
kTuple randomTuple(std::mt19937& rng, int k, unsigned emptyOneIn, int maxL, int maxExtra, int totalDist = 0) {
    std::vector<kTupleInterval> ivs;
    for (int g = 0; g < k; ++g) {
        if (rng() % emptyOneIn == 0) {
            ivs.push_back(kEmpty);
        } else {
            int l = 1 + static_cast<int>(rng() % maxL);
            ivs.push_back({l, l + static_cast<int>(rng() % (maxExtra + 1)), static_cast<int>(rng() % 2)});
        }
    }
    return makeTuple(ivs, totalDist);
}

// The working record of a median search over three genomes with four local
// chars (gene ids 10, 20, 30, 40 numbered 1..4), the reference genome being 1.
struct SearchState {
    ParameterArray params;
    std::vector<int> localChars{0, 10, 20, 30, 40};
    std::vector<Interval> intervals;
    kTupleData data;

    explicit SearchState(char mode = 'c') {
        params.operationMode = mode;
        intervals = {{5, 9, 1, {0, 1, 0, 1, 0}},  // 10, 30
                     {2, 4, 0, {0, 1, 1, 1, 0}},  // 10, 20, 30 (reference)
                     {-1, -2, 0, {}}};            // empty, flags never generated
        data.params = &params;
        data.newTuples = init_kTupleList(3);
        data.localChars = &localChars;
        data.localIndex.assign(41, 0);
        for (int c = 1; c <= 4; ++c) data.localIndex[localChars[c]] = c;
        data.localCharCount = 4;
        data.refSeq = 1;
        data.currentIntervals = {&intervals[0], &intervals[1], &intervals[2]};
        data.occCount.assign(5, 0);
        for (const Interval& iv : intervals)
            for (size_t c = 0; c < iv.localOcc.size(); ++c) data.occCount[c] += iv.localOcc[c];
    }

};

TEST(kTupleCreation, CopiesTheSearchStateAndTakesTheReferenceGenesAsMedian) {
    SearchState s;
    kTuple t = init_kTuple(7, 3, s.data);
    EXPECT_EQ(std::tuple(7, 'c'), std::tuple(t.totalDist, t.operationMode));
    EXPECT_EQ(t.pValues, std::vector<double>(3, 1.0));
    EXPECT_EQ("1:[5,9] 0:[2,4] 0:[-1,-2]", text(makeList(3, {t})));

    // Genes of genome 1's interval, descending local-char order, with counts.
    std::vector<std::pair<int, int>> median;
    for (const medianElement& e : t.median) median.emplace_back(e.gene, e.occCount);
    EXPECT_EQ(median, (std::vector<std::pair<int, int>>{{30, 2}, {20, 1}, {10, 2}}));
    EXPECT_EQ(t.localChars, s.localChars);
    EXPECT_EQ(t.occCount, (std::vector<int>{0, 2, 1, 2, 0}));
    for (int c = 0; c <= 4; ++c) {
        EXPECT_EQ(t.intervalOcc(0, c), s.intervals[0].localOcc[c]) << c;
        EXPECT_EQ(t.intervalOcc(1, c), s.intervals[1].localOcc[c]) << c;
        EXPECT_EQ(t.intervalOcc(2, c), 0) << c;  // the empty occurrence holds nothing
    }

    // A copy, not a view of the search state.
    s.intervals[0] = {99, 99, 0, {0, 0, 0, 0, 0}};
    s.data.occCount[1] = 0;
    EXPECT_EQ(std::tuple(5, 1, 2), std::tuple(t.intervalArray[0].l, t.intervalOcc(0, 1), t.occCount[1]));

    // The median follows the reference genome, not genome 0.
    SearchState m('m');
    m.data.refSeq = 0;
    kTuple fromZero = init_kTuple(0, 3, m.data);
    EXPECT_EQ(fromZero.operationMode, 'm');
    ASSERT_EQ(fromZero.median.size(), 2u);
    EXPECT_EQ(std::tuple(30, 10), std::tuple(fromZero.median[0].gene, fromZero.median[1].gene));
}

TEST(kTupleCreation, CopyIntoAppendsAtTheTail) {
    SearchState s;
    copyInto_kTupleList(3, 4, s.data);
    s.intervals[0].l = 6;
    copyInto_kTupleList(3, 5, s.data);
    ASSERT_EQ(computeTupleListSize(s.data.newTuples.get()), 2);
    EXPECT_EQ(s.data.newTuples->tuples.front().totalDist, 4);
    EXPECT_EQ(s.data.newTuples->tuples.back().intervalArray[0].l, 6);
}

// (The order itself is checked against std::set by the merge test below.)
TEST(kTupleOrder, OnlyTheFirstKGenomesCountAndBubbleSortOrdersCanonically) {
    kTuple a = makeTuple({{5, 9, 0}, {1, 2, 1}});
    kTuple b = makeTuple({{5, 9, 0}, {1, 3, 1}});
    EXPECT_EQ(kTupleComparision(&a, &b, 2), -1);
    EXPECT_EQ(kTupleComparision(&b, &a, 2), 1);
    EXPECT_EQ(kTupleComparision(&a, &b, 1), 0);
    EXPECT_EQ(kTupleComparision(&a, &b, 0), 0);

    kTupleList list = makeList(2, {makeTuple({{3, 4, 0}, {1, 1, 0}}), makeTuple({{1, 2, 0}, {7, 7, 1}}),
                                   makeTuple({kEmpty, {9, 9, 0}}), makeTuple({{1, 2, 0}, {7, 7, 0}})});
    bubbleSort_kTupleList(list);
    EXPECT_EQ("0:[-1,-2] 0:[9,9] | 0:[1,2] 0:[7,7] | 0:[1,2] 1:[7,7] | 0:[3,4] 0:[1,1]", text(list));
}

TEST(kTupleOrder, FatalErrorTexts) {
    kTuple a = makeTuple({{1, 1, 0}});
    EXPECT_EQ("no tuple1\n", errorOf([&] { kTupleComparision(nullptr, &a, 1); }, stdout));
    EXPECT_EQ("no tuple2\n", errorOf([&] { kTupleComparision(&a, nullptr, 1); }, stdout));
    EXPECT_EQ("tupel liste nicht initialisiert\n", errorOf([] { computeTupleListSize(nullptr); }, stdout));

    // A duplicate inside a new list, wherever it sits.
    kTupleList list = makeList(2, {makeTuple({{5, 6, 0}, {1, 1, 0}}), makeTuple({{1, 2, 0}, {2, 2, 0}}),
                                   makeTuple({{9, 9, 0}, {3, 3, 0}}), makeTuple({{5, 6, 0}, {1, 1, 0}}, 4)});
    EXPECT_EQ("duplicate with same I_ref generated\n", errorOf([&] { bubbleSort_kTupleList(list); }, stdout));
    kTupleList old = makeList(2, {});
    kTupleList fresh = makeList(2, {makeTuple({kEmpty, {1, 1, 0}}), makeTuple({kEmpty, {1, 1, 0}})});
    EXPECT_EQ("duplicate with same I_ref generated\n", errorOf([&] { merge_kTupleLists(old, fresh); }, stdout));

    kTupleList some = makeList(1, {});
    EXPECT_EQ("Fehler: Alte Tupel-Liste nicht existent\n",
              errorOf([&] { merge_kTupleLists(nullptr, &some); }, stdout));
    EXPECT_EQ("Fehler: Neue Tupel-Liste nicht existent\n",
              errorOf([&] { merge_kTupleLists(&some, nullptr); }, stdout));
    kTuple b = makeTuple({{2, 2, 0}});
    EXPECT_EQ(compareGeneContentArray(nullptr, &a), 0);
    EXPECT_EQ("Array geneContentArray uninitialized!\n", errorOf([&] { compareGeneContentArray(&a, &b); }));
}

TEST(kTupleMerge, WorkedExamples) {
    // Into an empty list: the sorted new list is adopted, with its k.
    kTupleList empty = makeList(0, {});
    kTupleList two = makeList(2, {makeTuple({{4, 4, 0}, {1, 1, 0}}), makeTuple({{2, 2, 0}, {1, 1, 0}})});
    EXPECT_EQ(merge_kTupleLists(empty, two), 0);
    EXPECT_EQ(empty.k, 2);
    EXPECT_EQ("0:[2,2] 0:[1,1] | 0:[4,4] 0:[1,1]", text(empty));
    EXPECT_TRUE(two.tuples.empty());

    // Interleaving; a tuple already there is dropped, the old copy kept.
    kTupleList old = makeList(1, {makeTuple({{2, 2, 0}}, 1), makeTuple({{5, 5, 0}}, 1), makeTuple({{8, 8, 0}}, 1)});
    kTupleList fresh = makeList(1, {makeTuple({{9, 9, 0}}, 2), makeTuple({{5, 5, 0}}, 2), makeTuple({{1, 1, 0}}, 2),
                                    makeTuple({{3, 3, 0}}, 2), makeTuple({{12, 12, 0}}, 2)});
    EXPECT_EQ(merge_kTupleLists(&old, &fresh), 1);
    EXPECT_EQ("0:[1,1] | 0:[2,2] | 0:[3,3] | 0:[5,5] | 0:[8,8] | 0:[9,9] | 0:[12,12]", text(old));
    EXPECT_EQ(std::next(old.tuples.begin(), 3)->totalDist, 1);
    EXPECT_TRUE(fresh.tuples.empty());
    EXPECT_EQ(merge_kTupleLists(old, fresh), 0);  // nothing new changes nothing
    EXPECT_EQ(old.size(), 7);
}

// Merging filter after filter equals the sorted set of all distinct interval
// tuples, and the duplicate counts add up.
TEST(kTupleMerge, RepeatedMergesEqualTheSortedDistinctUnion) {
    std::mt19937 rng(17);
    for (int round = 0; round < 100; ++round) {
        const int k = 1 + static_cast<int>(rng() % 3);
        kTupleList result = makeList(k, {});
        std::set<Key> all;
        int produced = 0, dropped = 0;
        for (int filter = 0; filter < 1 + static_cast<int>(rng() % 6); ++filter) {
            std::set<Key> mine;
            kTupleList fresh = makeList(k, {});
            for (int n = static_cast<int>(rng() % 6); n > 0; --n) {
                kTuple t = randomTuple(rng, k, 5, 3, 1);
                if (mine.insert(keyOf(t)).second) fresh.tuples.push_back(std::move(t));  // a filter never repeats
            }
            produced += fresh.size();
            all.insert(mine.begin(), mine.end());
            dropped += merge_kTupleLists(result, fresh);
        }
        EXPECT_EQ(keysOf(result), std::vector<Key>(all.begin(), all.end()));
        EXPECT_EQ(produced - dropped, static_cast<int>(all.size()));
    }
}

TEST(kTupleCounts, MedianCentersOnlyInCenterMode) {
    kTupleList list = makeList(2, {makeTuple({{1, 1, 0}, {1, 1, 0}}), makeTuple({{2, 2, 0}, {1, 1, 0}}),
                                   makeTuple({{3, 3, 0}, {1, 1, 0}})});
    list.tuples.front().intervalArray[1].dist = 3;
    std::next(list.tuples.begin())->intervalArray[0].dist = 2;
    ParameterArray params;
    params.maxDistToCenter = 2;
    params.isCenter = false;
    EXPECT_EQ(countMedianCenters(&list, params), 0);
    params.isCenter = true;
    EXPECT_EQ(countMedianCenters(&list, params), 2);
    EXPECT_EQ(countMedianCenters(nullptr, params), 0);
    kTupleList noGenomes = makeList(0, {makeTuple({}), makeTuple({})});
    EXPECT_EQ(countMedianCenters(&noGenomes, params), 2);
}

TEST(kTupleCounts, RefBasedSetsDistancesToTheMajorityMedian) {
    SetOfSeqs set;
    set.genomeCount = 3;  // majority: at least 2 of 3
    // {1,2}, {1,2}, {1,3}: majority {1,2}; genome 2 misses 2 and has extra 3.
    kTupleList list = makeList(3, {makeFlaggedTuple({{1, 2, 0}, {1, 2, 0}, {1, 2, 0}}, 3, {{1, 2}, {1, 2}, {1, 3}}),
                                   makeFlaggedTuple({{1, 2, 0}, {1, 2, 0}, kEmpty}, 3, {{1, 3}, {2, 3}, {}})});
    EXPECT_EQ(countRefBased_kTuples(&list, set), 1);
    const kTuple& a = list.tuples.front();
    EXPECT_EQ(distances(a), "0/0 0/0 2/1");
    EXPECT_EQ(countRefOccsIn_kTuple(a, 3), 2);
    EXPECT_EQ(find_minPwDistIn_kTuple(a, 3), 0);
    EXPECT_EQ(find_maxPwDistIn_kTuple(a, 3), 2);
    // {1,3}, {2,3}, empty: majority {3}; every interval is off by one or more,
    // the empty one misses the majority char.
    EXPECT_EQ(distances(list.tuples.back()), "1/1 1/1 1/0");
    EXPECT_EQ(countRefBased_kTuples(nullptr, set), 0);
}

TEST(kTupleCounts, DistanceToTheReferenceIntervalSkipsEmptyOnes) {
    // occCount {1:2, 2:1, 3:0}; char 3 flagged in genome 0 but counted nowhere.
    kTuple t = makeFlaggedTuple({{1, 2, 0}, {3, 4, 0}, kEmpty}, 3, {{1}, {1, 2}, {}});
    t.intervalOccs[0 * 4 + 3] = 1;
    t.totalDist = 99;
    kTupleList list = makeList(3, {std::move(t)});
    distTo_I_ref(&list);
    EXPECT_EQ(distances(list.tuples.front()), "2/1 0/0 0/0");  // misses 2, has uncounted 3
    EXPECT_EQ(list.tuples.front().totalDist, 2);
    distTo_I_ref(nullptr);
}

TEST(kTupleCounts, NonSubsumedCountsEarlierTupleOncePositionsOnly) {
    kTupleList list = makeList(2, {makeTuple({{1, 7, 0}, kEmpty}),    // overlaps the next two: counted once
                                   makeTuple({{5, 8, 1}, {1, 1, 0}}),  // other chr, positions meet: counted
                                   makeTuple({{7, 9, 0}, kEmpty}),     // only empty or disjoint later: not counted
                                   makeTuple({{20, 30, 0}, {1, 1, 0}})});
    EXPECT_EQ(countNonSubsumed_kTuples(&list), 2);
    EXPECT_FALSE(isSubsumed(makeTuple({{1, 5, 0}, kEmpty}), makeTuple({{6, 9, 0}, kEmpty}), 2));
    EXPECT_EQ(countNonSubsumed_kTuples(nullptr), 0);
}

TEST(kTupleReduction, NestingAndSuboptimalExamples) {
    kTupleList list = makeList(3, {makeTuple({{2, 3, 0}, {4, 5, 1}, kEmpty}, 2),     // inside the third where it occurs
                                   makeTuple({{5, 6, 0}, {4, 5, 1}, {1, 1, 0}}, 1),  // smaller distance: stays
                                   makeTuple({{1, 9, 0}, {1, 9, 1}, {1, 2, 0}}, 2),  // o, occurs in more genomes
                                   makeTuple({{3, 3, 0}, {4, 4, 0}, kEmpty}, 3)});   // other chr in genome 1: stays
    removeSuboptimal_kTuples(&list);
    EXPECT_EQ("0:[5,6] 1:[4,5] 0:[1,1] | 0:[1,9] 1:[1,9] 0:[1,2] | 0:[3,3] 0:[4,4] 0:[-1,-2]", text(list));
    kTuple inner = makeTuple({{2, 3, 0}, {4, 5, 1}, kEmpty}, 2);
    kTuple outer = makeTuple({{1, 9, 0}, {1, 9, 1}, {1, 2, 0}}, 2);
    EXPECT_TRUE(isNested(inner, outer, 3));
    EXPECT_FALSE(isNested(outer, inner, 3));  // o's occurrence in genome 2 has no container
    // Each contains the other in one genome only.
    kTuple a = makeTuple({{1, 10, 0}, {5, 6, 0}}, 1);
    kTuple b = makeTuple({{2, 3, 0}, {4, 8, 0}}, 1);
    EXPECT_FALSE(isNested(a, b, 2));
    EXPECT_FALSE(isNested(b, a, 2));

    kTupleList states = makeList(1, {makeTuple({{1, 1, 0}}), makeTuple({{2, 2, 0}}), makeTuple({{3, 3, 0}})});
    int state = 0;
    for (kTuple& t : states.tuples) t.centerState = static_cast<char>(state++);  // unevaluated, fails, passes
    remove_NonCenter_kTuples(&states);
    EXPECT_EQ("0:[1,1] | 0:[3,3]", text(states));
}

// Without duplicate interval tuples, nesting is transitive, so the reduction
// keeps exactly the tuples nested in no other one.
TEST(kTupleReduction, SuboptimalMatchesNaiveDefinition) {
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        const int k = 1 + static_cast<int>(rng() % 3);
        std::set<Key> seen;
        std::vector<kTuple> tuples;
        for (int n = static_cast<int>(rng() % 8); n > 0; --n) {
            kTuple t = randomTuple(rng, k, 4, 4, 3);
            t.totalDist = static_cast<int>(rng() % 3);
            if (seen.insert(keyOf(t)).second) tuples.push_back(std::move(t));
        }
        std::vector<Key> expected;
        for (size_t i = 0; i < tuples.size(); ++i) {
            bool nested = false;
            for (size_t j = 0; j < tuples.size() && !nested; ++j) nested = i != j && isNested(tuples[i], tuples[j], k);
            if (!nested) expected.push_back(keyOf(tuples[i]));
        }
        kTupleList list = makeList(k, std::move(tuples));
        removeSuboptimal_kTuples(&list);
        EXPECT_EQ(keysOf(list), expected);
    }
}

kTuple withMedian(std::vector<int> genes, double pValue, int l) {
    kTuple t = makeTuple({{l, l, 0}});
    for (int g : genes) t.median.push_back(medianElement{g, 1});
    t.pValue = pValue;
    return t;
}

TEST(kTupleGeneContent, SortsBySizeThenGenesThenPValue) {
    kTupleList list = makeList(1, {withMedian({9, 8, 7}, 0.5, 1), withMedian({30, 20}, 1.0, 2),
                                   withMedian({5, 2, 1}, 0.9, 3), withMedian({1, 5, 2}, 0.1, 4),
                                   withMedian({1, 2}, 1.0, 5)});
    sort_kTupleList_byGeneContent(&list);
    std::vector<std::pair<std::vector<int>, int>> contents;  // with the tuple's position
    for (const kTuple& t : list.tuples) contents.emplace_back(t.geneContentArray, t.intervalArray[0].l);
    // Equal genes: lower pValue first.
    EXPECT_EQ(contents, (std::vector<std::pair<std::vector<int>, int>>{
                            {{1, 2}, 5}, {{20, 30}, 2}, {{1, 2, 5}, 4}, {{1, 2, 5}, 3}, {{7, 8, 9}, 1}}));
    EXPECT_TRUE(isEqualGeneContentArray(&*std::next(list.tuples.begin(), 2), &*std::next(list.tuples.begin(), 3)));
    EXPECT_FALSE(isEqualGeneContentArray(&list.tuples.front(), &*std::next(list.tuples.begin())));
    EXPECT_FALSE(isEqualGeneContentArray(&list.tuples.front(), nullptr));
    EXPECT_EQ(list.tuples.back().median.front().gene, 9);  // the median list itself keeps its order

    // Sorting again rebuilds the arrays (not appended to) and orders by the new p-values.
    kTupleList again = makeList(1, {withMedian({3, 1}, 1.0, 1), withMedian({1, 3}, 1.0, 2)});
    sort_kTupleList_byGeneContent(&again);
    for (kTuple& t : again.tuples) {
        t.pValue = t.intervalArray[0].l == 1 ? 0.01 : 0.02;
        t.median.push_back(medianElement{0, 1});
    }
    sort_kTupleList_byGeneContent(&again);
    EXPECT_EQ(again.tuples.front().intervalArray[0].l, 1);
    EXPECT_EQ(again.tuples.front().geneContentArray, (std::vector<int>{0, 1, 3}));
}

}  // namespace
