// Location lists and reference clusters: merges, sorts, reductions, gene
// content and the location block, on small hand-made lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filters/pattern.h"
#include "index/initDatastructures.h"
#include "refclusters/dLocs.h"
#include "testUtil.h"

namespace {

dLoc loc(int chr, int l, int r, int setDist = 0, int hitCount = 0, int size = 0, int genome = 0) {
    return createNew_dLoc(genome, chr, l, r, setDist, size, hitCount);
}

listOf_dLocs listOf(int genome, std::initializer_list<dLoc> locs) {
    listOf_dLocs list = initListOf_dLocs(genome);
    for (const dLoc& x : locs) list.locs.push_back(x);
    return list;
}

// A list in order as "chr:[l,r]/setDist hitCount", blank-separated.
std::string text(const listOf_dLocs& list) {
    std::string out;
    for (const dLoc& x : list.locs) out += formatText("%s%d:[%d,%d]/%d %d", out.empty() ? "" : " ", x.chr, x.l, x.r,
                                                       x.setDist, x.hitCount);
    return out;
}

std::string text(const listOfRefClusters& list) {
    std::string out;
    for (const refCluster& c : list.clusters)
        out += formatText("%s%d:[%d,%d]", out.empty() ? "" : " ", c.refChrom, c.l, c.r);
    return out;
}

refCluster cluster(int refChrom, int l, int r, std::vector<listOf_dLocs> lists) {
    Pattern pattern = initPattern(1, static_cast<int>(lists.size()), 0);
    pattern.refGenome = 0;
    pattern.refChrom = refChrom;
    pattern.left = l;
    pattern.right = r;
    pattern.size = r - l + 1;
    return createNew_refCluster(pattern, std::move(lists));
}

TEST(LocationLists, MergeReplacesEqualBordersKeepsOrderAndComparesChromosomes) {
    listOf_dLocs old = listOf(0, {loc(0, 3, 8, 2), loc(0, 10, 12, 1)});
    listOf_dLocs fresh = listOf(0, {loc(0, 3, 8, 0)});
    mergeLists(old, fresh);
    EXPECT_EQ("0:[3,8]/0 0 0:[10,12]/1 0", text(old));  // the new (3,8)
    EXPECT_TRUE(isEmptyList(fresh));

    // Interleaving, and an empty side on either hand.
    listOf_dLocs a = listOf(1, {loc(0, 1, 2), loc(0, 4, 6), loc(0, 9, 9)});
    listOf_dLocs b = listOf(1, {loc(0, 1, 1), loc(0, 4, 6, 3), loc(0, 5, 5), loc(0, 10, 11)});
    mergeLists(a, b);
    EXPECT_EQ("0:[1,1]/0 0 0:[1,2]/0 0 0:[4,6]/3 0 0:[5,5]/0 0 0:[9,9]/0 0 0:[10,11]/0 0", text(a));
    listOf_dLocs empty = initListOf_dLocs(1);
    listOf_dLocs c = listOf(1, {loc(0, 2, 3)});
    mergeLists(empty, c);
    listOf_dLocs none = initListOf_dLocs(1);
    mergeLists(empty, none);
    EXPECT_EQ("0:[2,3]/0 0", text(empty));

    // A genome's lists run over its chromosomes in order; equal borders on
    // two chromosomes are two locations.
    old = listOf(0, {loc(0, 3, 8), loc(1, 2, 4)});
    fresh = listOf(0, {loc(0, 9, 10), loc(1, 3, 8)});
    mergeLists(old, fresh);
    EXPECT_EQ("0:[3,8]/0 0 0:[9,10]/0 0 1:[2,4]/0 0 1:[3,8]/0 0", text(old));
}

TEST(LocationLists, SortCopyAppendNest) {
    listOf_dLocs list = listOf(2, {loc(0, 1, 4, 1, 4), loc(0, 2, 6, 1, 5), loc(0, 7, 8, 0, 2)});
    bubbleSort_dLocList(list);
    EXPECT_EQ("0:[7,8]/0 2 0:[2,6]/1 5 0:[1,4]/1 4", text(list));

    // Ties fall to chromosome, then l, then r; full ties keep their order.
    listOf_dLocs ties = listOf(0, {loc(1, 1, 2, 0, 3, 7), loc(0, 5, 6, 0, 3), loc(0, 5, 5, 0, 3),
                                   loc(0, 1, 2, 0, 3, 8), loc(0, 1, 2, 0, 3, 9)});
    bubbleSort_dLocList(ties);
    std::vector<int> sizes;
    for (const dLoc& x : ties.locs) sizes.push_back(x.size);
    EXPECT_EQ((std::vector<int>{8, 9, 0, 0, 7}), sizes);
    EXPECT_EQ("0:[1,2]/0 3 0:[1,2]/0 3 0:[5,5]/0 3 0:[5,6]/0 3 1:[1,2]/0 3", text(ties));

    // Copies start without p-values; appending moves the locations.
    list.locs.front().pValue = 0.5;
    std::vector<listOf_dLocs> lists;
    lists.push_back(initListOf_dLocs(0));
    lists.push_back(std::move(list));
    std::vector<listOf_dLocs> copies = copyTheListsOf_dLocs(lists, 2);
    ASSERT_EQ(2u, copies.size());
    EXPECT_EQ(1, copies[1].genome);
    EXPECT_EQ(0.0, copies[1].locs.front().pValue);
    EXPECT_EQ(0.5, lists[1].locs.front().pValue);
    appendLists(copies[0], copies[1]);
    EXPECT_EQ(3, copies[0].count());
    EXPECT_TRUE(copies[1].empty());

    EXPECT_TRUE(isNested_dLoc(loc(0, 6, 8), loc(0, 5, 9)));
    EXPECT_FALSE(isNested_dLoc(loc(1, 6, 8), loc(0, 5, 9)));
    EXPECT_FALSE(isNested_dLoc(loc(0, 4, 8), loc(0, 5, 9)));
    EXPECT_EQ("empty dLoc when testing for nestedness", errorOf([] { isNested_dLoc(loc(0, 6, 5), loc(0, 5, 9)); }));
}

TEST(Reductions, SuboptimalAndSmallLocations) {
    const std::pair<listOf_dLocs, const char*> cases[] = {
        {listOf(0, {loc(0, 5, 9, 1), loc(0, 6, 8, 1)}), "0:[5,9]/1 0"},
        {listOf(0, {loc(0, 6, 8, 1), loc(0, 5, 9, 1)}), "0:[5,9]/1 0"},
        {listOf(0, {loc(0, 5, 9, 1), loc(0, 6, 8, 0)}), "0:[5,9]/1 0 0:[6,8]/0 0"},
        {listOf(0, {loc(0, 5, 9, 1), loc(1, 5, 9, 1)}), "0:[5,9]/1 0 1:[5,9]/1 0"},
        // Identical intervals at equal distance: the later one goes.
        {listOf(0, {loc(0, 5, 9, 1, 2), loc(0, 5, 9, 1, 3)}), "0:[5,9]/1 2"},
    };
    for (auto [list, expected] : cases) {
        removeSuboptimal_dLocs(list);
        EXPECT_EQ(expected, text(list));
    }
    listOf_dLocs list = listOf(0, {loc(0, 1, 2, 0, 1), loc(0, 3, 4, 0, 2), loc(0, 5, 6, 0, 0), loc(0, 7, 8, 0, 3)});
    remove_dLocsWithTooSmallIntersection(list, 2);
    EXPECT_EQ("0:[3,4]/0 2 0:[7,8]/0 3", text(list));
    EXPECT_EQ(0, minOccGeneCount(7, 0.0));
    EXPECT_EQ(4, minOccGeneCount(7, 0.5));
}

TEST(Reductions, DominatedClusters) {
    // Pass 1: [10,14] gives way to the longer [10,17], whose locations cover
    // its own at equal or smaller distance genome by genome.
    listOfRefClusters list = init_listOfRefClusters('r');
    list.clusters.push_back(cluster(0, 10, 14, {listOf(0, {loc(0, 10, 14)}), listOf(1, {loc(0, 3, 6, 1)})}));
    list.clusters.push_back(cluster(0, 10, 17, {listOf(0, {loc(0, 10, 17)}), listOf(1, {loc(0, 2, 8, 1)})}));
    EXPECT_EQ(2, list.clusters.front().listCount);
    const int before = refSearchCounters.subOptDeletes;
    removeSubOptRefClusters(list);
    EXPECT_EQ("0:[10,17]", text(list));
    EXPECT_EQ(before + 1, refSearchCounters.subOptDeletes);

    // Pass 2: a later cluster inside an earlier one goes; one on another
    // reference chromosome is never compared; a worse cover keeps it.
    list.clusters.push_back(cluster(0, 12, 15, {listOf(0, {loc(0, 12, 15)}), listOf(1, {loc(0, 3, 6, 1)})}));
    list.clusters.push_back(cluster(0, 13, 16, {listOf(0, {loc(0, 13, 16)}), listOf(1, {loc(0, 3, 6, 0)})}));
    list.clusters.push_back(cluster(1, 12, 15, {listOf(0, {loc(1, 12, 15)}), listOf(1, {loc(0, 3, 6, 1)})}));
    removeSubOptRefClusters(list);
    EXPECT_EQ("0:[10,17] 0:[13,16] 1:[12,15]", text(list));

    // A genome that the longer cluster lacks keeps the shorter one.
    listOfRefClusters three = init_listOfRefClusters('r');
    three.clusters.push_back(cluster(0, 10, 14, {listOf(0, {loc(0, 10, 14)}), listOf(1, {loc(0, 3, 6, 1)})}));
    three.clusters.push_back(cluster(0, 10, 17, {listOf(0, {loc(0, 10, 17)}), initListOf_dLocs(1)}));
    removeSubOptRefClusters(three);
    EXPECT_EQ("0:[10,14] 0:[10,17]", text(three));
}

TEST(Reductions, GeneContent) {
    auto set = makeSet({{{1, 4, 7, 4, 9, 2}}}, 9);
    stdoutOf([&] { initDataStructures(*set, ParameterArray()); });
    listOfRefClusters list = init_listOfRefClusters('r');
    refCluster c = cluster(0, 2, 5, {listOf(0, {})});
    c.size = 3;
    list.clusters.push_back(c);
    setGeneContentsInList(list, *set);
    EXPECT_EQ((std::vector<int>{4, 7, 9}), list.clusters.front().geneContentArray);
    c.size = 4;
    EXPECT_EQ("Error in ref cluster list size: c: 3, size: 4\n", errorOf([&] { setRefGeneContentArray(c, *set); }));
}

TEST(LocationLists, LocationBlockText) {
    auto set = makeSet({{{1, 2, 3, 4}}, {{5, 2, 1, 6, 3}, {7, 7, 7, 7, 7, 7, 7, 7, 7, 3, 8, 2}}}, 8);
    for (int c = 1; c <= 8; ++c) set->codingTable[c] = 100 + c;
    set->genomes[1].name = "Second";
    refCluster ref = cluster(0, 1, 3, {listOf(0, {}), listOf(1, {})});
    listOf_dLocs list = listOf(1, {loc(0, 2, 5, 1, 3, 4, 1), loc(1, 10, 12, 12, 10, 3, 1)});
    list.locs.back().pValue = 1.5e-3;
    EXPECT_EQ("Second:\n"
              "chr 0:       [2,5],  pValue: 0.000000e+00\t setDist:  1,  hitCount:  3,  location: 102 101 (106) 103 \n"
              "chr 1:     [10,12],  pValue: 1.500000e-03\t setDist: 12,  hitCount: 10,  location: 103 (108) 102 \n"
              "\n",
              captured([&](FILE* f) { fprintf_listOf_dLocsSeqs(f, list, ref, *set); }));
    listOf_dLocs empty = initListOf_dLocs(0);
    set->genomes[0].name = "First";
    EXPECT_EQ("First:\n\n", captured([&](FILE* f) { fprintf_listOf_dLocsSeqs(f, empty, ref, *set); }));
}

}  // namespace
