// Location lists, reference clusters and their reductions; the building
// blocks of the reference search on small hand-made genomes.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "filters/pattern.h"
#include "index/initDatastructures.h"
#include "refclusters/dLocs.h"
#include "testUtil.h"
#include "util/errors.h"

namespace {

dLoc loc(int chr, int l, int r, int setDist = 0, int hitCount = 0, int size = 0, int genome = 0) {
    return createNew_dLoc(genome, chr, l, r, setDist, size, hitCount);
}

listOf_dLocs listOf(int genome, std::initializer_list<dLoc> locs) {
    listOf_dLocs list = initListOf_dLocs(genome);
    for (const dLoc& x : locs) list.locs.push_back(x);
    return list;
}

std::vector<std::pair<int, int>> borders(const listOf_dLocs& list) {
    std::vector<std::pair<int, int>> out;
    for (const dLoc& x : list.locs) out.push_back({x.l, x.r});
    return out;
}

std::string captured(const std::function<void(FILE*)>& print) {
    FILE* file = std::tmpfile();
    print(file);
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    std::fclose(file);
    return text;
}

TEST(LocationLists, MergeReplacesEqualBordersAndKeepsOrder) {
    listOf_dLocs old = listOf(0, {loc(0, 3, 8, 2), loc(0, 10, 12, 1)});
    listOf_dLocs fresh = listOf(0, {loc(0, 3, 8, 0)});
    mergeLists(old, fresh);
    ASSERT_EQ(2, old.count());
    EXPECT_EQ(0, old.locs.front().setDist);  // the new (3,8)
    EXPECT_EQ((std::vector<std::pair<int, int>>{{3, 8}, {10, 12}}), borders(old));
    EXPECT_TRUE(isEmptyList(fresh));

    // Interleaving, and an empty side on either hand.
    listOf_dLocs a = listOf(1, {loc(0, 1, 2), loc(0, 4, 6), loc(0, 9, 9)});
    listOf_dLocs b = listOf(1, {loc(0, 1, 1), loc(0, 4, 6, 3), loc(0, 5, 5), loc(0, 10, 11)});
    mergeLists(a, b);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1, 1}, {1, 2}, {4, 6}, {5, 5}, {9, 9}, {10, 11}}), borders(a));
    EXPECT_EQ(3, std::next(a.locs.begin(), 2)->setDist);
    listOf_dLocs empty = initListOf_dLocs(1);
    listOf_dLocs c = listOf(1, {loc(0, 2, 3)});
    mergeLists(empty, c);
    EXPECT_EQ(1, empty.count());
    listOf_dLocs none = initListOf_dLocs(1);
    mergeLists(empty, none);
    EXPECT_EQ(1, empty.count());
}

TEST(LocationLists, MergeKeepsEqualBordersOnOtherChromosomes) {
    // A genome's lists run over its chromosomes in order; equal borders on
    // two chromosomes are two locations.
    listOf_dLocs old = listOf(0, {loc(0, 3, 8), loc(1, 2, 4)});
    listOf_dLocs fresh = listOf(0, {loc(0, 9, 10), loc(1, 3, 8)});
    mergeLists(old, fresh);
    ASSERT_EQ(4, old.count());
    std::vector<int> chrs;
    for (const dLoc& x : old.locs) chrs.push_back(x.chr);
    EXPECT_EQ((std::vector<int>{0, 0, 1, 1}), chrs);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{3, 8}, {9, 10}, {2, 4}, {3, 8}}), borders(old));
}

TEST(LocationLists, SortCopyAppendNest) {
    listOf_dLocs list = listOf(2, {loc(0, 1, 4, 1, 4), loc(0, 2, 6, 1, 5), loc(0, 7, 8, 0, 2)});
    bubbleSort_dLocList(list);
    std::vector<int> hits;
    for (const dLoc& x : list.locs) hits.push_back(x.hitCount);
    EXPECT_EQ((std::vector<int>{2, 5, 4}), hits);
    EXPECT_EQ(1, list.locs.back().l);

    // Ties fall to chromosome, then l, then r; full ties keep their order.
    listOf_dLocs ties = listOf(0, {loc(1, 1, 2, 0, 3, 7), loc(0, 5, 6, 0, 3), loc(0, 5, 5, 0, 3),
                                   loc(0, 1, 2, 0, 3, 8), loc(0, 1, 2, 0, 3, 9)});
    bubbleSort_dLocList(ties);
    std::vector<int> sizes;
    for (const dLoc& x : ties.locs) sizes.push_back(x.size);
    EXPECT_EQ((std::vector<int>{8, 9, 0, 0, 7}), sizes);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1, 2}, {1, 2}, {5, 5}, {5, 6}, {1, 2}}), borders(ties));

    list.locs.front().pValue = 0.5;
    std::vector<listOf_dLocs> lists;
    lists.push_back(initListOf_dLocs(0));
    lists.push_back(std::move(list));
    std::vector<listOf_dLocs> copies = copyTheListsOf_dLocs(lists, 2);
    ASSERT_EQ(2u, copies.size());
    EXPECT_EQ(0, copies[0].count());
    EXPECT_EQ(1, copies[1].genome);
    EXPECT_EQ(3, copies[1].count());
    EXPECT_EQ(0.0, copies[1].locs.front().pValue);
    EXPECT_EQ(0.5, lists[1].locs.front().pValue);

    listOf_dLocs nothing = initListOf_dLocs(1);
    appendLists(copies[1], nothing);
    EXPECT_EQ(3, copies[1].count());
    appendLists(copies[0], copies[1]);
    EXPECT_EQ(3, copies[0].count());
    EXPECT_TRUE(copies[1].empty());
    emptyListOf_dLocs(copies[0]);
    EXPECT_TRUE(isEmptyList(copies[0]));

    EXPECT_TRUE(isNested_dLoc(loc(0, 6, 8), loc(0, 5, 9)));
    EXPECT_FALSE(isNested_dLoc(loc(1, 6, 8), loc(0, 5, 9)));
    EXPECT_FALSE(isNested_dLoc(loc(0, 4, 8), loc(0, 5, 9)));
    try {
        isNested_dLoc(loc(0, 6, 5), loc(0, 5, 9));
        FAIL() << "no error";
    } catch (const TamsuError& e) {
        EXPECT_EQ(stderr, e.stream());
        EXPECT_EQ("empty dLoc when testing for nestedness", e.text());
    }
}

TEST(Reductions, SuboptimalAndSmallLocations) {
    listOf_dLocs list = listOf(0, {loc(0, 5, 9, 1), loc(0, 6, 8, 1)});
    removeSuboptimal_dLocs(list);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{5, 9}}), borders(list));
    list = listOf(0, {loc(0, 6, 8, 1), loc(0, 5, 9, 1)});
    removeSuboptimal_dLocs(list);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{5, 9}}), borders(list));
    list = listOf(0, {loc(0, 5, 9, 1), loc(0, 6, 8, 0)});
    removeSuboptimal_dLocs(list);
    EXPECT_EQ(2, list.count());
    list = listOf(0, {loc(0, 5, 9, 1), loc(1, 5, 9, 1)});
    removeSuboptimal_dLocs(list);
    EXPECT_EQ(2, list.count());
    // Identical intervals at equal distance: the later one goes.
    list = listOf(0, {loc(0, 5, 9, 1, 2), loc(0, 5, 9, 1, 3)});
    removeSuboptimal_dLocs(list);
    ASSERT_EQ(1, list.count());
    EXPECT_EQ(2, list.locs.front().hitCount);

    list = listOf(0, {loc(0, 1, 2, 0, 1), loc(0, 3, 4, 0, 2), loc(0, 5, 6, 0, 0), loc(0, 7, 8, 0, 3)});
    remove_dLocsWithTooSmallIntersection(list, 2);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{3, 4}, {7, 8}}), borders(list));
}

refCluster cluster(int refGenome, int refChrom, int l, int r, std::vector<listOf_dLocs> lists) {
    Pattern pattern = initPattern(1, static_cast<int>(lists.size()), 0);
    pattern.refGenome = refGenome;
    pattern.refChrom = refChrom;
    pattern.left = l;
    pattern.right = r;
    pattern.size = r - l + 1;
    return createNew_refCluster(pattern, std::move(lists));
}

std::vector<std::pair<int, int>> refBorders(const listOfRefClusters& list) {
    std::vector<std::pair<int, int>> out;
    for (const refCluster& c : list.clusters) out.push_back({c.l, c.r});
    return out;
}

TEST(Reductions, DominatedClusters) {
    // Pass 1: [10,14] gives way to the longer [10,17], whose locations cover
    // its own at equal or smaller distance genome by genome.
    listOfRefClusters list = init_listOfRefClusters('r');
    list.clusters.push_back(cluster(0, 0, 10, 14, {listOf(0, {loc(0, 10, 14)}), listOf(1, {loc(0, 3, 6, 1)})}));
    list.clusters.push_back(cluster(0, 0, 10, 17, {listOf(0, {loc(0, 10, 17)}), listOf(1, {loc(0, 2, 8, 1)})}));
    EXPECT_EQ(2, list.clusters.front().listCount);
    const int before = refSearchCounters.subOptDeletes;
    removeSubOptRefClusters(list);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{10, 17}}), refBorders(list));
    EXPECT_EQ(before + 1, refSearchCounters.subOptDeletes);

    // Pass 2: a later cluster inside an earlier one goes; one on another
    // reference chromosome is never compared; a worse cover keeps it.
    listOfRefClusters two = init_listOfRefClusters('r');
    two.clusters.push_back(cluster(0, 0, 10, 17, {listOf(0, {loc(0, 10, 17)}), listOf(1, {loc(0, 2, 8, 1)})}));
    two.clusters.push_back(cluster(0, 0, 12, 15, {listOf(0, {loc(0, 12, 15)}), listOf(1, {loc(0, 3, 6, 1)})}));
    two.clusters.push_back(cluster(0, 0, 13, 16, {listOf(0, {loc(0, 13, 16)}), listOf(1, {loc(0, 3, 6, 0)})}));
    two.clusters.push_back(cluster(0, 1, 12, 15, {listOf(0, {loc(1, 12, 15)}), listOf(1, {loc(0, 3, 6, 1)})}));
    removeSubOptRefClusters(two);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{10, 17}, {13, 16}, {12, 15}}), refBorders(two));
    EXPECT_EQ(1, two.clusters.back().refChrom);

    // A genome that the longer cluster lacks keeps the shorter one.
    listOfRefClusters three = init_listOfRefClusters('r');
    three.clusters.push_back(cluster(0, 0, 10, 14, {listOf(0, {loc(0, 10, 14)}), listOf(1, {loc(0, 3, 6, 1)})}));
    three.clusters.push_back(cluster(0, 0, 10, 17, {listOf(0, {loc(0, 10, 17)}), initListOf_dLocs(1)}));
    removeSubOptRefClusters(three);
    EXPECT_EQ(2, three.count());

    empty_refClusterList(three);
    EXPECT_EQ(0, three.count());
}

TEST(Reductions, GeneContent) {
    auto set = makeSet({{{1, 4, 7, 4, 9, 2}}}, 9);
    ParameterArray params;
    initDataStructures(*set, params);
    listOfRefClusters list = init_listOfRefClusters('r');
    refCluster c = cluster(0, 0, 2, 5, {listOf(0, {})});
    c.size = 3;
    list.clusters.push_back(c);
    setGeneContentsInList(list, *set);
    EXPECT_EQ((std::vector<int>{4, 7, 9}), list.clusters.front().geneContentArray);

    c.size = 4;
    try {
        setRefGeneContentArray(c, *set);
        FAIL() << "no error";
    } catch (const TamsuError& e) {
        EXPECT_EQ(stderr, e.stream());
        EXPECT_EQ("Error in ref cluster list size: c: 3, size: 4\n", e.text());
    }
}

TEST(LocationLists, LocationBlockText) {
    auto set = makeSet({{{1, 2, 3, 4}}, {{5, 2, 1, 6, 3}, {7, 7, 7, 7, 7, 7, 7, 7, 7, 3, 8, 2}}}, 8);
    for (int c = 1; c <= 8; ++c) set->codingTable[c] = 100 + c;
    set->genomes[1].name = "Second";
    refCluster ref = cluster(0, 0, 1, 3, {listOf(0, {}), listOf(1, {})});
    listOf_dLocs list = listOf(1, {loc(0, 2, 5, 1, 3, 4, 1), loc(1, 10, 12, 12, 10, 3, 1)});
    list.locs.back().pValue = 1.5e-3;
    std::string text = captured([&](FILE* f) { fprintf_listOf_dLocsSeqs(f, list, ref, *set); });
    EXPECT_EQ("Second:\n"
              "chr 0:       [2,5],  pValue: 0.000000e+00\t setDist:  1,  hitCount:  3,  location: 102 101 (106) 103 \n"
              "chr 1:     [10,12],  pValue: 1.500000e-03\t setDist: 12,  hitCount: 10,  location: 103 (108) 102 \n"
              "\n",
              text);
    listOf_dLocs empty = initListOf_dLocs(0);
    set->genomes[0].name = "First";
    EXPECT_EQ("First:\n\n", captured([&](FILE* f) { fprintf_listOf_dLocsSeqs(f, empty, ref, *set); }));
}

TEST(SearchParts, EssentialGenesAndFirstOccurrence) {
    auto set = makeSet({{{3, 1, 2, 1, 3, 4}}, {{1, 2, 9}}}, 9);
    ParameterArray params;
    initDataStructures(*set, params);
    const Chromosome& chrom = set->genomes[0].chromosomes[0];
    // [2,5] = 1 2 1 3: the 1 at 2 recurs at 4, so 2 is the leftmost essential
    // gene; 3 at 5 is first seen there, so it is the rightmost one.
    EXPECT_EQ(2, leftMostEssentChar(loc(0, 2, 5), chrom));
    EXPECT_EQ(3, rightMostEssentChar(loc(0, 2, 5), chrom));
    EXPECT_EQ(2, rightMostEssentChar(loc(0, 2, 4), chrom));
    EXPECT_EQ(-1, leftMostEssentChar(loc(0, 5, 4), chrom));

    std::vector<listOf_dLocs> lists;
    lists.push_back(listOf(0, {loc(0, 2, 5, 0, 3, 3, 0)}));
    lists.push_back(listOf(1, {loc(0, 1, 3, 1, 2, 3, 1)}));
    EXPECT_FALSE(occursIn_dLocs(2, lists, *set, 0));  // only 2 hits
    lists[1].locs.front().hitCount = 3;
    EXPECT_TRUE(occursIn_dLocs(2, lists, *set, 0));
    EXPECT_FALSE(occursIn_dLocs(4, lists, *set, 0));
    EXPECT_TRUE(occursIn_dLocs(9, lists, *set, 0));
    EXPECT_FALSE(occursIn_dLocs(9, lists, *set, 1));  // the reference genome does not count

    EXPECT_EQ(2, minHitCoveredCount(lists, 2));
    EXPECT_TRUE(zeroOccs(*set, 4, 0));
    EXPECT_FALSE(zeroOccs(*set, 1, 0));

    std::vector<int> nonOcc(2, 0);
    updateNonOccCount(nonOcc, *set, 4);
    updateNonOccCount(nonOcc, *set, 9);
    EXPECT_EQ((std::vector<int>{1, 1}), nonOcc);
    updateNonOccCount(nonOcc, *set, 4);
    EXPECT_EQ(1, tooManyNonOccsCount(nonOcc, 2, 1));

    // An exact occurrence heading an earlier genome's list, or the own
    // genome's list before the reference occurrence, makes it not the first.
    dLoc reference = loc(0, 4, 6, 0, 3, 3, 1);
    std::vector<listOf_dLocs> heads;
    heads.push_back(listOf(0, {loc(0, 1, 3, 1)}));
    heads.push_back(listOf(1, {reference}));
    EXPECT_TRUE(isFirstRefOcc(reference, heads));
    heads[0].locs.front().setDist = 0;
    EXPECT_FALSE(isFirstRefOcc(reference, heads));
    heads[0].locs.front().setDist = 1;
    heads[1].locs.push_front(loc(0, 4, 5, 0, 3, 3, 1));
    EXPECT_FALSE(isFirstRefOcc(reference, heads));
    heads[1].locs.front() = loc(0, 4, 7, 0, 3, 3, 1);
    EXPECT_TRUE(isFirstRefOcc(reference, heads));
}

TEST(SearchParts, InheritanceOfLocations) {
    // Genome: 5 1 2 6 | 2 7. Gene set grows by 2.
    auto set = makeSet({{{5, 1, 2, 6}, {2, 7, 1}}}, 7);
    ParameterArray params;
    initDataStructures(*set, params);
    const Genome& genome = set->genomes[0];
    listOf_dLocs list = listOf(0, {loc(0, 2, 2, 0, 1, 1), loc(0, 2, 3, 1, 1, 2), loc(1, 3, 3, 1, 1, 1),
                                   loc(1, 2, 3, 1, 1, 2)});
    removeNonInheritableElements(genome, 2, list, 1, 0);
    // [2,2] lacks 2 and 2 is its right neighbour: gone. [2,3] holds 2: one
    // more hit. Both locations on chromosome 1 lack 2 and their distance
    // grows beyond delta 1: gone.
    ASSERT_EQ(1, list.count());
    EXPECT_EQ(3, list.locs.front().r);
    EXPECT_EQ(2, list.locs.front().hitCount);
    EXPECT_EQ(1, list.locs.front().setDist);

    list = listOf(0, {loc(1, 3, 3, 0, 1, 1)});
    removeNonInheritableElements(genome, 2, list, 1, 0);
    ASSERT_EQ(1, list.count());
    EXPECT_EQ(1, list.locs.front().setDist);
    list = listOf(0, {loc(1, 3, 3, 0, 1, 1)});
    removeNonInheritableElements(genome, 2, list, 1, 2);  // too few genes for the set
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(isInheritable_without_c(loc(0, 3, 3, 1), genome.chromosomes[0].genes, 1, 2));
    EXPECT_FALSE(isInheritable_without_c(loc(0, 4, 4, 1), genome.chromosomes[0].genes, 1, 2));
    EXPECT_FALSE(isInheritable_without_c(loc(0, 3, 3, 2), genome.chromosomes[0].genes, 1, 2));
    EXPECT_EQ(0, minOccGeneCount(7, 0.0));
    EXPECT_EQ(4, minOccGeneCount(7, 0.5));
}

}  // namespace
