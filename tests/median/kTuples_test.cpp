// k-tuple records and lists: creation from the search state, canonical order,
// merging, reductions, counts and the gene-content sort.
#include "median/kTuples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "median/iterativeMedianComp.h"
#include "util/errors.h"

namespace {

struct Iv {
    int l, r, chr;
};
const Iv kEmpty{-1, -2, 0};

// A tuple with the given intervals and no local chars.
kTuple makeTuple(const std::vector<Iv>& intervals, int totalDist = 0) {
    kTuple tuple;
    tuple.totalDist = totalDist;
    tuple.pValues.assign(intervals.size(), 1.0);
    for (const Iv& iv : intervals) tuple.intervalArray.push_back(kTupleInterval{iv.l, iv.r, iv.chr, 0, 0});
    tuple.occCount.assign(1, 0);
    tuple.localChars.assign(1, 0);
    tuple.intervalOccs.assign(intervals.size(), 0);
    return tuple;
}

// A tuple with local chars 1..n: flags[g] lists the local chars of genome g's
// interval; occCount follows from the flags.
kTuple makeFlaggedTuple(const std::vector<Iv>& intervals, int n, const std::vector<std::vector<int>>& flags) {
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

kTupleList makeList(int k, std::vector<kTuple> tuples) {
    kTupleList list;
    list.k = k;
    for (kTuple& t : tuples) list.tuples.push_back(std::move(t));
    return list;
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

template <typename F>
void expectFatal(F action, FILE* stream, const std::string& text) {
    try {
        action();
        FAIL() << "expected the fatal error \"" << text << "\"";
    } catch (const TamsuError& error) {
        EXPECT_EQ(error.text(), text);
        EXPECT_EQ(error.stream(), stream);
    }
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
        intervals.resize(3);
        intervals[0] = interval(5, 9, 1, {0, 1, 0, 1, 0});  // 10, 30
        intervals[1] = interval(2, 4, 0, {0, 1, 1, 1, 0});  // 10, 20, 30 (reference)
        intervals[2] = interval(-1, -2, 0, {});             // empty, flags never generated
        data.params = &params;
        data.newTuples = init_kTupleList(3);
        data.localChars = &localChars;
        data.localIndex.assign(41, 0);
        for (int c = 1; c <= 4; ++c) data.localIndex[localChars[c]] = c;
        data.localCharCount = 4;
        data.refSeq = 1;
        data.currentIntervals = {&intervals[0], &intervals[1], &intervals[2]};
        recount();
    }

    static Interval interval(int l, int r, int chr, std::vector<unsigned char> flags) {
        Interval iv;
        iv.l = l;
        iv.r = r;
        iv.chr = chr;
        iv.localOcc = std::move(flags);
        return iv;
    }

    void recount() {
        data.occCount.assign(5, 0);
        for (const Interval& iv : intervals)
            for (size_t c = 0; c < iv.localOcc.size(); ++c) data.occCount[c] += iv.localOcc[c];
    }
};

TEST(kTupleCreation, CopiesTheSearchStateAndTakesTheReferenceGenesAsMedian) {
    SearchState s;
    kTuple t = init_kTuple(7, 3, s.data);
    EXPECT_EQ(t.totalDist, 7);
    EXPECT_EQ(t.operationMode, 'c');
    EXPECT_EQ(t.pValues, std::vector<double>(3, 1.0));
    EXPECT_EQ(t.pValue, 1.0);
    EXPECT_EQ(t.centerState, 0);
    EXPECT_FALSE(t.hasGeneContentArray);

    ASSERT_EQ(t.intervalArray.size(), 3u);
    EXPECT_EQ(keyOf(t), (Key{{1, 5, 9}, {0, 2, 4}, {0, -1, -2}}));
    for (const kTupleInterval& iv : t.intervalArray) {
        EXPECT_EQ(iv.dist, 0);
        EXPECT_EQ(iv.extraChars, 0);
    }

    // Genes of genome 1's interval, descending local-char order, with counts.
    ASSERT_EQ(t.median.size(), 3u);
    EXPECT_EQ(t.median[0].gene, 30);
    EXPECT_EQ(t.median[0].occCount, 2);
    EXPECT_EQ(t.median[1].gene, 20);
    EXPECT_EQ(t.median[1].occCount, 1);
    EXPECT_EQ(t.median[2].gene, 10);
    EXPECT_EQ(t.median[2].occCount, 2);

    EXPECT_EQ(t.localCharCount, 4);
    EXPECT_EQ(t.localChars, s.localChars);
    EXPECT_EQ(t.occCount, (std::vector<int>{0, 2, 1, 2, 0}));
    for (int c = 0; c <= 4; ++c) {
        EXPECT_EQ(t.intervalOcc(0, c), s.intervals[0].localOcc[c]) << c;
        EXPECT_EQ(t.intervalOcc(1, c), s.intervals[1].localOcc[c]) << c;
        EXPECT_EQ(t.intervalOcc(2, c), 0) << c;  // the empty occurrence holds nothing
    }
}

TEST(kTupleCreation, MedianFollowsTheReferenceGenomeNotGenomeZero) {
    SearchState s('m');
    s.data.refSeq = 0;
    kTuple t = init_kTuple(0, 3, s.data);
    EXPECT_EQ(t.operationMode, 'm');
    ASSERT_EQ(t.median.size(), 2u);
    EXPECT_EQ(t.median[0].gene, 30);
    EXPECT_EQ(t.median[1].gene, 10);
}

TEST(kTupleCreation, TheTupleIsACopyNotAView) {
    SearchState s;
    kTuple t = init_kTuple(1, 3, s.data);
    s.intervals[0].l = 99;
    s.intervals[0].localOcc[1] = 0;
    s.data.occCount[1] = 0;
    EXPECT_EQ(t.intervalArray[0].l, 5);
    EXPECT_EQ(t.intervalOcc(0, 1), 1);
    EXPECT_EQ(t.occCount[1], 2);
}

TEST(kTupleCreation, CopyIntoAppendsAtTheTail) {
    SearchState s;
    copyInto_kTupleList(3, 4, s.data);
    s.intervals[0].l = 6;
    copyInto_kTupleList(3, 5, s.data);
    ASSERT_EQ(s.data.newTuples->size(), 2);
    EXPECT_EQ(computeTupleListSize(s.data.newTuples.get()), 2);
    EXPECT_EQ(s.data.newTuples->tuples.front().totalDist, 4);
    EXPECT_EQ(s.data.newTuples->tuples.front().intervalArray[0].l, 5);
    EXPECT_EQ(s.data.newTuples->tuples.back().totalDist, 5);
    EXPECT_EQ(s.data.newTuples->tuples.back().intervalArray[0].l, 6);
}

TEST(kTupleListPlumbing, InsertAfterPredecessorOrAtHeadAndRemove) {
    kTupleList list = makeList(1, {});
    insertTuple(list, list.tuples.end(), makeTuple({{5, 5, 0}}));          // head of an empty list
    auto last = insertTuple(list, list.tuples.begin(), makeTuple({{9, 9, 0}}));  // after the tail
    insertTuple(list, list.tuples.end(), makeTuple({{1, 1, 0}}));          // new head
    insertTuple(list, list.tuples.begin(), makeTuple({{3, 3, 0}}));        // after the head
    EXPECT_EQ(keysOf(list), (std::vector<Key>{{{0, 1, 1}}, {{0, 3, 3}}, {{0, 5, 5}}, {{0, 9, 9}}}));
    EXPECT_EQ(&list.tuples.back(), &*last);
    EXPECT_EQ(list.size(), 4);

    auto after = remove_kTuple(list, list.tuples.begin());
    EXPECT_EQ(after, list.tuples.begin());
    remove_kTuple(list, std::prev(list.tuples.end()));
    EXPECT_EQ(keysOf(list), (std::vector<Key>{{{0, 3, 3}}, {{0, 5, 5}}}));
    EXPECT_EQ(computeTupleListSize(&list), 2);
    expectFatal([] { computeTupleListSize(nullptr); }, stdout, "tupel liste nicht initialisiert\n");
}

TEST(kTupleOrder, ComparesChrThenLThenRGenomeByGenome) {
    kTuple a = makeTuple({{5, 9, 0}, {1, 2, 1}});
    EXPECT_EQ(kTupleComparision(&a, &a, 2), 0);
    kTuple chr = makeTuple({{1, 2, 1}, {1, 2, 1}});
    EXPECT_EQ(kTupleComparision(&a, &chr, 2), -1);  // chr decides before l
    EXPECT_EQ(kTupleComparision(&chr, &a, 2), 1);
    kTuple l = makeTuple({{4, 20, 0}, {1, 2, 1}});
    EXPECT_EQ(kTupleComparision(&a, &l, 2), 1);  // l decides before r
    kTuple r = makeTuple({{5, 10, 0}, {0, 0, 0}});
    EXPECT_EQ(kTupleComparision(&a, &r, 2), -1);  // genome 0 decides before genome 1
    kTuple second = makeTuple({{5, 9, 0}, {1, 3, 1}});
    EXPECT_EQ(kTupleComparision(&a, &second, 2), -1);
    EXPECT_EQ(kTupleComparision(&a, &second, 1), 0);  // only the first k genomes count
    EXPECT_EQ(kTupleComparision(&a, &chr, 0), 0);
}

TEST(kTupleOrder, EmptyOccurrenceOrdersFirstInItsGenome) {
    kTuple empty = makeTuple({{1, 1, 0}, kEmpty});
    kTuple first = makeTuple({{1, 1, 0}, {1, 1, 0}});
    EXPECT_EQ(kTupleComparision(&empty, &first, 2), -1);
    kTuple emptyThenLate = makeTuple({kEmpty, {50, 60, 3}});
    kTuple firstThenEarly = makeTuple({{1, 1, 0}, {1, 1, 0}});
    EXPECT_EQ(kTupleComparision(&emptyThenLate, &firstThenEarly, 2), -1);
}

TEST(kTupleOrder, MissingTupleIsFatal) {
    kTuple a = makeTuple({{1, 1, 0}});
    expectFatal([&] { kTupleComparision(nullptr, &a, 1); }, stdout, "no tuple1\n");
    expectFatal([&] { kTupleComparision(&a, nullptr, 1); }, stdout, "no tuple2\n");
}

TEST(kTupleOrder, BubbleSortOrdersCanonically) {
    kTupleList list = makeList(2, {makeTuple({{3, 4, 0}, {1, 1, 0}}), makeTuple({{1, 2, 0}, {7, 7, 1}}),
                                   makeTuple({kEmpty, {9, 9, 0}}), makeTuple({{1, 2, 0}, {7, 7, 0}})});
    bubbleSort_kTupleList(list);
    EXPECT_EQ(keysOf(list), (std::vector<Key>{{{0, -1, -2}, {0, 9, 9}},
                                              {{0, 1, 2}, {0, 7, 7}},
                                              {{0, 1, 2}, {1, 7, 7}},
                                              {{0, 3, 4}, {0, 1, 1}}}));
}

TEST(kTupleOrder, DuplicateInsideANewListIsFatalWhereverItSits) {
    kTupleList list = makeList(2, {makeTuple({{5, 6, 0}, {1, 1, 0}}), makeTuple({{1, 2, 0}, {2, 2, 0}}),
                                   makeTuple({{9, 9, 0}, {3, 3, 0}}), makeTuple({{5, 6, 0}, {1, 1, 0}}, 4)});
    expectFatal([&] { bubbleSort_kTupleList(list); }, stdout, "duplicate with same I_ref generated\n");

    kTupleList old = makeList(2, {});
    kTupleList fresh = makeList(2, {makeTuple({kEmpty, {1, 1, 0}}), makeTuple({kEmpty, {1, 1, 0}})});
    expectFatal([&] { merge_kTupleLists(old, fresh); }, stdout, "duplicate with same I_ref generated\n");
}

TEST(kTupleMerge, IntoAnEmptyListAdoptsTheSortedNewList) {
    kTupleList old = makeList(0, {});
    kTupleList fresh = makeList(2, {makeTuple({{4, 4, 0}, {1, 1, 0}}), makeTuple({{2, 2, 0}, {1, 1, 0}})});
    EXPECT_EQ(merge_kTupleLists(old, fresh), 0);
    EXPECT_EQ(old.k, 2);
    EXPECT_EQ(old.size(), 2);
    EXPECT_EQ(keysOf(old), (std::vector<Key>{{{0, 2, 2}, {0, 1, 1}}, {{0, 4, 4}, {0, 1, 1}}}));
    EXPECT_TRUE(fresh.tuples.empty());
}

TEST(kTupleMerge, EmptyNewListChangesNothing) {
    kTupleList old = makeList(1, {makeTuple({{1, 1, 0}}), makeTuple({{2, 2, 0}})});
    kTupleList fresh = makeList(1, {});
    EXPECT_EQ(merge_kTupleLists(old, fresh), 0);
    EXPECT_EQ(keysOf(old), (std::vector<Key>{{{0, 1, 1}}, {{0, 2, 2}}}));
}

TEST(kTupleMerge, InterleavesAndDropsTuplesAlreadyThere) {
    kTupleList old = makeList(1, {makeTuple({{2, 2, 0}}, 1), makeTuple({{5, 5, 0}}, 1), makeTuple({{8, 8, 0}}, 1)});
    kTupleList fresh = makeList(1, {makeTuple({{9, 9, 0}}, 2), makeTuple({{5, 5, 0}}, 2), makeTuple({{1, 1, 0}}, 2),
                                    makeTuple({{3, 3, 0}}, 2), makeTuple({{12, 12, 0}}, 2)});
    EXPECT_EQ(merge_kTupleLists(&old, &fresh), 1);
    EXPECT_EQ(keysOf(old), (std::vector<Key>{{{0, 1, 1}}, {{0, 2, 2}}, {{0, 3, 3}}, {{0, 5, 5}}, {{0, 8, 8}},
                                             {{0, 9, 9}}, {{0, 12, 12}}}));
    EXPECT_EQ(old.size(), 7);
    // The copy already in the result list is the one kept.
    auto five = std::next(old.tuples.begin(), 3);
    EXPECT_EQ(five->totalDist, 1);
    EXPECT_TRUE(fresh.tuples.empty());
}

TEST(kTupleMerge, MissingListIsFatal) {
    kTupleList list = makeList(1, {});
    expectFatal([&] { merge_kTupleLists(nullptr, &list); }, stdout, "Fehler: Alte Tupel-Liste nicht existent\n");
    expectFatal([&] { merge_kTupleLists(&list, nullptr); }, stdout, "Fehler: Neue Tupel-Liste nicht existent\n");
}

// Merging filter after filter equals the sorted set of all distinct interval
// tuples, and the duplicate counts add up.
TEST(kTupleMerge, RepeatedMergesEqualTheSortedDistinctUnion) {
    std::mt19937 rng(17);
    for (int round = 0; round < 200; ++round) {
        const int k = 1 + static_cast<int>(rng() % 3);
        kTupleList result = makeList(k, {});
        std::set<Key> all;
        int produced = 0;
        int dropped = 0;
        for (int filter = 0; filter < 1 + static_cast<int>(rng() % 6); ++filter) {
            std::set<Key> mine;
            kTupleList fresh = makeList(k, {});
            for (int n = static_cast<int>(rng() % 6); n > 0; --n) {
                std::vector<Iv> ivs;
                for (int g = 0; g < k; ++g) {
                    if (rng() % 5 == 0) {
                        ivs.push_back(kEmpty);
                    } else {
                        int l = 1 + static_cast<int>(rng() % 3);
                        ivs.push_back({l, l + static_cast<int>(rng() % 2), static_cast<int>(rng() % 2)});
                    }
                }
                kTuple t = makeTuple(ivs);
                if (!mine.insert(keyOf(t)).second) continue;  // a filter never repeats itself
                fresh.tuples.push_back(std::move(t));
            }
            produced += fresh.size();
            for (const Key& key : mine) all.insert(key);
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
    auto set = std::make_unique<SetOfSeqs>();
    set->genomeCount = 3;  // majority: at least 2 of 3
    // {1,2}, {1,2}, {1,3}: majority {1,2}; genome 2 misses 2 and has extra 3.
    kTupleList list = makeList(3, {makeFlaggedTuple({{1, 2, 0}, {1, 2, 0}, {1, 2, 0}}, 3, {{1, 2}, {1, 2}, {1, 3}}),
                                   makeFlaggedTuple({{1, 2, 0}, {1, 2, 0}, kEmpty}, 3, {{1, 3}, {2, 3}, {}})});
    EXPECT_EQ(countRefBased_kTuples(&list, *set), 1);
    const kTuple& a = list.tuples.front();
    EXPECT_EQ(a.intervalArray[0].dist, 0);
    EXPECT_EQ(a.intervalArray[1].dist, 0);
    EXPECT_EQ(a.intervalArray[2].dist, 2);
    EXPECT_EQ(a.intervalArray[2].extraChars, 1);
    EXPECT_EQ(countRefOccsIn_kTuple(a, 3), 2);
    EXPECT_EQ(find_minPwDistIn_kTuple(a, 3), 0);
    EXPECT_EQ(find_maxPwDistIn_kTuple(a, 3), 2);
    // {1,3}, {2,3}, empty: majority {3}; every interval is off by one or more,
    // the empty one misses the majority char.
    const kTuple& b = list.tuples.back();
    EXPECT_EQ(b.intervalArray[0].dist, 1);
    EXPECT_EQ(b.intervalArray[0].extraChars, 1);
    EXPECT_EQ(b.intervalArray[1].dist, 1);
    EXPECT_EQ(b.intervalArray[2].dist, 1);
    EXPECT_EQ(b.intervalArray[2].extraChars, 0);
    EXPECT_EQ(countRefBased_kTuples(nullptr, *set), 0);
}

TEST(kTupleCounts, DistanceToTheReferenceIntervalSkipsEmptyOnes) {
    // occCount {1:2, 2:1, 3:0}; char 3 flagged in genome 0 but counted nowhere.
    kTuple t = makeFlaggedTuple({{1, 2, 0}, {3, 4, 0}, kEmpty}, 3, {{1}, {1, 2}, {}});
    t.intervalOccs[0 * 4 + 3] = 1;
    t.totalDist = 99;
    kTupleList list = makeList(3, {std::move(t)});
    distTo_I_ref(&list);
    const kTuple& r = list.tuples.front();
    EXPECT_EQ(r.intervalArray[0].dist, 2);  // misses 2, has uncounted 3
    EXPECT_EQ(r.intervalArray[0].extraChars, 1);
    EXPECT_EQ(r.intervalArray[1].dist, 0);
    EXPECT_EQ(r.intervalArray[2].dist, 0);
    EXPECT_EQ(r.totalDist, 2);
    distTo_I_ref(nullptr);
}

TEST(kTupleReduction, SuboptimalKeepsMutualPartialContainment) {
    // Each contains the other in one genome only.
    kTupleList list = makeList(2, {makeTuple({{1, 10, 0}, {5, 6, 0}}, 1), makeTuple({{2, 3, 0}, {4, 8, 0}}, 1)});
    removeSuboptimal_kTuples(&list);
    EXPECT_EQ(list.size(), 2);
}

TEST(kTupleReduction, SuboptimalRemovesContainedEverywhere) {
    kTupleList list = makeList(3, {makeTuple({{2, 3, 0}, {4, 5, 1}, kEmpty}, 2),      // inside the third where it occurs
                                   makeTuple({{5, 6, 0}, {4, 5, 1}, {1, 1, 0}}, 1),   // smaller distance: stays
                                   makeTuple({{1, 9, 0}, {1, 9, 1}, {1, 2, 0}}, 2),   // o, occurs in more genomes
                                   makeTuple({{3, 3, 0}, {4, 4, 0}, kEmpty}, 3)});    // other chr in genome 1: stays
    removeSuboptimal_kTuples(&list);
    EXPECT_EQ(keysOf(list), (std::vector<Key>{{{0, 5, 6}, {1, 4, 5}, {0, 1, 1}},
                                              {{0, 1, 9}, {1, 1, 9}, {0, 1, 2}},
                                              {{0, 3, 3}, {0, 4, 4}, {0, -1, -2}}}));
    kTuple inner = makeTuple({{2, 3, 0}, {4, 5, 1}, kEmpty}, 2);
    kTuple outer = makeTuple({{1, 9, 0}, {1, 9, 1}, {1, 2, 0}}, 2);
    EXPECT_TRUE(isNested(inner, outer, 3));
    EXPECT_FALSE(isNested(outer, inner, 3));  // o's occurrence in genome 2 has no container
}

// Without duplicate interval tuples, nesting is transitive, so the reduction
// keeps exactly the tuples nested in no other one.
TEST(kTupleReduction, SuboptimalMatchesNaiveDefinition) {
    std::mt19937 rng(5);
    for (int round = 0; round < 300; ++round) {
        const int k = 1 + static_cast<int>(rng() % 3);
        std::set<Key> seen;
        std::vector<kTuple> tuples;
        for (int n = static_cast<int>(rng() % 8); n > 0; --n) {
            std::vector<Iv> ivs;
            for (int g = 0; g < k; ++g) {
                if (rng() % 4 == 0) {
                    ivs.push_back(kEmpty);
                } else {
                    int l = 1 + static_cast<int>(rng() % 4);
                    ivs.push_back({l, l + static_cast<int>(rng() % 4), static_cast<int>(rng() % 2)});
                }
            }
            kTuple t = makeTuple(ivs, static_cast<int>(rng() % 3));
            if (seen.insert(keyOf(t)).second) tuples.push_back(std::move(t));
        }
        std::vector<Key> expected;
        for (size_t i = 0; i < tuples.size(); ++i) {
            bool nested = false;
            for (size_t j = 0; j < tuples.size() && !nested; ++j)
                nested = i != j && isNested(tuples[i], tuples[j], k);
            if (!nested) expected.push_back(keyOf(tuples[i]));
        }
        kTupleList list = makeList(k, std::move(tuples));
        removeSuboptimal_kTuples(&list);
        EXPECT_EQ(keysOf(list), expected);
    }
}

TEST(kTupleReduction, NonCenterRemovesOnlyFailedTuples) {
    kTupleList list = makeList(1, {makeTuple({{1, 1, 0}}), makeTuple({{2, 2, 0}}), makeTuple({{3, 3, 0}}),
                                   makeTuple({{4, 4, 0}})});
    int state = 0;
    for (kTuple& t : list.tuples) t.centerState = static_cast<char>(state++ % 3);  // 0, 1, 2, 0
    remove_NonCenter_kTuples(&list);
    EXPECT_EQ(keysOf(list), (std::vector<Key>{{{0, 1, 1}}, {{0, 3, 3}}, {{0, 4, 4}}}));
    remove_NonCenter_kTuples(nullptr);
}

TEST(kTupleCounts, NonSubsumedCountsEarlierTupleOncePositionsOnly) {
    kTupleList list = makeList(2, {makeTuple({{1, 7, 0}, kEmpty}),    // overlaps the next two: counted once
                                   makeTuple({{5, 8, 1}, {1, 1, 0}}),  // other chr, positions meet: counted
                                   makeTuple({{7, 9, 0}, kEmpty}),     // only empty or disjoint later: not counted
                                   makeTuple({{20, 30, 0}, {1, 1, 0}})});
    EXPECT_EQ(countNonSubsumed_kTuples(&list), 2);
    kTuple a = makeTuple({{1, 5, 0}, kEmpty});
    kTuple b = makeTuple({{6, 9, 0}, kEmpty});
    EXPECT_FALSE(isSubsumed(a, b, 2));
    EXPECT_EQ(countNonSubsumed_kTuples(nullptr), 0);
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
    std::vector<std::vector<int>> contents;
    std::vector<int> positions;
    for (const kTuple& t : list.tuples) {
        contents.push_back(t.geneContentArray);
        positions.push_back(t.intervalArray[0].l);
    }
    EXPECT_EQ(contents, (std::vector<std::vector<int>>{{1, 2}, {20, 30}, {1, 2, 5}, {1, 2, 5}, {7, 8, 9}}));
    EXPECT_EQ(positions, (std::vector<int>{5, 2, 4, 3, 1}));  // equal genes: lower pValue first
    EXPECT_TRUE(isEqualGeneContentArray(&*std::next(list.tuples.begin(), 2), &*std::next(list.tuples.begin(), 3)));
    EXPECT_FALSE(isEqualGeneContentArray(&list.tuples.front(), &*std::next(list.tuples.begin())));
    EXPECT_FALSE(isEqualGeneContentArray(&list.tuples.front(), nullptr));
    // The median list itself keeps its order.
    EXPECT_EQ(list.tuples.back().median.front().gene, 9);
}

TEST(kTupleGeneContent, SortingAgainRebuildsArraysAndOrdersByNewPValues) {
    kTupleList list = makeList(1, {withMedian({3, 1}, 1.0, 1), withMedian({1, 3}, 1.0, 2)});
    sort_kTupleList_byGeneContent(&list);
    for (kTuple& t : list.tuples) t.pValue = t.intervalArray[0].l == 1 ? 0.01 : 0.02;
    list.tuples.front().median.push_back(medianElement{0, 1});  // rebuilt, not appended to
    list.tuples.back().median.push_back(medianElement{0, 1});
    sort_kTupleList_byGeneContent(&list);
    EXPECT_EQ(list.tuples.front().intervalArray[0].l, 1);
    EXPECT_EQ(list.tuples.front().geneContentArray, (std::vector<int>{0, 1, 3}));
    kTupleList empty = makeList(1, {});
    sort_kTupleList_byGeneContent(&empty);
    EXPECT_TRUE(empty.tuples.empty());
}

TEST(kTupleGeneContent, ComparisonNeedsBuiltArrays) {
    kTuple a = withMedian({1}, 1.0, 1);
    kTuple b = withMedian({2}, 1.0, 2);
    EXPECT_EQ(compareGeneContentArray(nullptr, &a), 0);
    EXPECT_EQ(compareGeneContentArray(&a, nullptr), 0);
    expectFatal([&] { compareGeneContentArray(&a, &b); }, stderr, "Array geneContentArray uninitialized!\n");
}

}  // namespace
