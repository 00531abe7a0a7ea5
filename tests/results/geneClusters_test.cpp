// Extraction of gene clusters from k-tuples and from reference clusters.
#include <gtest/gtest.h>

#include "median/kTuples.h"
#include "results/geneClusters.h"
#include "results/refGeneClusters.h"

namespace {

kTuple makeTuple(const std::vector<int>& genes, const std::vector<kTupleInterval>& intervals, double pValue,
                 int totalDist = 0, char mode = 'm') {
    kTuple t;
    t.operationMode = mode;
    t.totalDist = totalDist;
    t.pValue = pValue;
    t.intervalArray = intervals;
    for (size_t g = 0; g < intervals.size(); ++g) t.pValues.push_back(0.1 * (g + 1));
    for (int gene : genes) t.median.push_back({gene, 1});
    t.geneContentArray = genes;
    t.hasGeneContentArray = true;
    return t;
}

}  // namespace

TEST(GeneClustersTest, RunOfEqualContentSplitsBestAndAll) {
    kTupleList list;
    list.k = 3;
    // interval fields: l, r, chr, dist
    list.tuples.push_back(makeTuple({2, 5, 9}, {{1, 3, 0, 0}, {4, 7, 1, 1}, {5, 4, 0, 0}}, 0.01, 3, 'c'));
    list.tuples.push_back(makeTuple({2, 5, 9}, {{2, 4, 0, 2}, {4, 6, 1, 1}, {1, 3, 2, 3}}, 0.01, 6, 'c'));
    list.tuples.push_back(makeTuple({2, 5, 9}, {{8, 9, 0, 0}, {1, 2, 0, 0}, {1, 1, 0, 0}}, 0.02, 1, 'c'));
    auto result = extractGeneClusters(list);
    ASSERT_EQ(result->size(), 1);
    EXPECT_EQ(result->genomeCount, 3);
    const geneCluster& c = result->clusters[0];
    EXPECT_EQ(c.type, 'c');
    EXPECT_EQ(c.refGenomeNr, -1);
    EXPECT_EQ(c.pValue, 0.01);
    EXPECT_EQ(c.minTotalDist, 3);
    EXPECT_EQ(c.consensusSet, (std::vector<int>{2, 5, 9}));
    ASSERT_EQ(c.bestClusters.size(), 2u);
    ASSERT_EQ(c.allClusters.size(), 3u);
    EXPECT_EQ(c.bestClusters[1].totalDist, 6);
    EXPECT_EQ(c.allClusters[2].totalDist, 1);
    EXPECT_EQ(c.allClusters[2].pValue, 0.02);

    const ACI& a = c.bestClusters[0];
    EXPECT_EQ(a.support, 2);      // genome 2's interval is empty
    EXPECT_EQ(a.refOccCount, 2);  // dist 0, the empty interval included
    EXPECT_EQ(a.pValue, 0.01);
    EXPECT_EQ(a.totalDist, 3);
    EXPECT_EQ(a.minPwDist, 0);
    EXPECT_EQ(a.maxPwDist, 1);
    ASSERT_EQ(a.occLists.size(), 3u);
    EXPECT_TRUE(a.occLists[2].empty());
    ASSERT_EQ(a.occLists[1].size(), 1u);
    const approxOcc& occ = a.occLists[1][0];
    EXPECT_EQ(occ.genome, 1);
    EXPECT_EQ(occ.chromosome, 1);
    EXPECT_EQ(occ.l, 4);
    EXPECT_EQ(occ.r, 7);
    EXPECT_EQ(occ.dist, 1);
    EXPECT_EQ(occ.pValue, 0.2);
    EXPECT_FALSE(occ.isRefOcc);
    EXPECT_TRUE(a.occLists[0][0].isRefOcc);

    const ACI& b = c.bestClusters[1];
    EXPECT_EQ(b.support, 3);
    EXPECT_EQ(b.refOccCount, 0);
    EXPECT_EQ(b.minPwDist, 1);
    EXPECT_EQ(b.maxPwDist, 3);
    // the best and the all list hold separate copies
    EXPECT_NE(&c.bestClusters[0], &c.allClusters[0]);
    EXPECT_EQ(c.allClusters[0].occLists[1][0].l, 4);
}

TEST(GeneClustersTest, OnlyAdjacentEqualContentsJoin) {
    kTupleList list;
    list.k = 1;
    list.tuples.push_back(makeTuple({1, 2}, {{1, 2, 0, 0}}, 0.5));
    list.tuples.push_back(makeTuple({1, 3}, {{1, 2, 0, 0}}, 0.5));
    list.tuples.push_back(makeTuple({1, 2}, {{3, 4, 0, 0}}, 0.5));
    list.tuples.push_back(makeTuple({1, 2, 3}, {{3, 5, 0, 0}}, 0.5));
    auto result = extractGeneClusters(list);
    ASSERT_EQ(result->size(), 4);
    EXPECT_EQ(result->clusters[0].consensusSet, (std::vector<int>{1, 2}));
    EXPECT_EQ(result->clusters[2].consensusSet, (std::vector<int>{1, 2}));
    EXPECT_EQ(result->clusters[2].allClusters.size(), 1u);
}

TEST(GeneClustersTest, EmptyTupleList) {
    kTupleList list;
    list.k = 4;
    auto result = extractGeneClusters(list);
    EXPECT_EQ(result->size(), 0);
    EXPECT_EQ(result->genomeCount, 4);
}

TEST(GeneClustersTest, ConsensusSetWithoutContentSort) {
    kTuple t = makeTuple({}, {{1, 1, 0, 0}}, 1.0);
    t.median = {{7, 1}, {3, 1}, {5, 1}};
    t.hasGeneContentArray = false;
    EXPECT_EQ(createConsensusSet(t), (std::vector<int>{3, 5, 7}));
}

namespace {

dLoc makeLoc(int genome, int chr, int l, int r, int setDist, double pValue) {
    dLoc x;
    x.genome = genome;
    x.chr = chr;
    x.l = l;
    x.r = r;
    x.setDist = setDist;
    x.pValue = pValue;
    return x;
}

refCluster makeRefCluster() {
    refCluster c;
    c.refGenome = 0;
    c.refChrom = 1;
    c.l = 3;
    c.r = 6;
    c.genomeCount = 4;
    c.size = 3;
    c.listCount = 4;
    c.pValue = 0.125;
    c.geneContentArray = {8, 2, 6};
    c.dLocLists.resize(4);
    for (int g = 0; g < 4; ++g) c.dLocLists[g].genome = g;
    c.dLocLists[0].locs = {makeLoc(0, 1, 3, 6, 0, 1.0)};
    // genome 1 has no location
    c.dLocLists[2].locs = {makeLoc(2, 0, 5, 8, 1, 0.5), makeLoc(2, 1, 1, 4, 1, 0.25), makeLoc(2, 0, 9, 12, 3, 0.75)};
    c.dLocLists[3].locs = {makeLoc(3, 2, 7, 9, 2, 0.3)};
    return c;
}

}  // namespace

TEST(RefGeneClustersTest, BestAndAllCopies) {
    listOfRefClusters list;
    list.operationMode = 'p';
    list.clusters.push_back(makeRefCluster());
    auto result = extractRefGeneClusters(list, 4);
    ASSERT_EQ(result->size(), 1);
    EXPECT_EQ(result->genomeCount, 4);
    const geneCluster& c = result->clusters[0];
    EXPECT_EQ(c.type, 'p');
    EXPECT_EQ(c.refGenomeNr, 0);
    EXPECT_EQ(c.pValue, 0.125);
    EXPECT_EQ(c.minTotalDist, 0 + 1 + 2);
    EXPECT_EQ(c.consensusSet, (std::vector<int>{8, 2, 6}));
    ASSERT_EQ(c.bestClusters.size(), 1u);
    ASSERT_EQ(c.allClusters.size(), 1u);

    const ACI& best = c.bestClusters[0];
    const ACI& all = c.allClusters[0];
    for (const ACI* a : {&best, &all}) {
        EXPECT_EQ(a->support, 4);  // the cluster's listCount, not the non-empty slots
        EXPECT_EQ(a->refOccCount, 3);
        EXPECT_EQ(a->pValue, 0.125);
        EXPECT_EQ(a->totalDist, 3);
        EXPECT_EQ(a->minPwDist, 0);
        EXPECT_EQ(a->maxPwDist, 2);
        ASSERT_EQ(a->occLists.size(), 4u);
        EXPECT_TRUE(a->occLists[1].empty());
        EXPECT_EQ(a->occLists[3].size(), 1u);
        EXPECT_TRUE(a->occLists[0][0].isRefOcc);
    }
    EXPECT_EQ(computeSupport(best, 4), 3);
    ASSERT_EQ(best.occLists[2].size(), 2u);
    ASSERT_EQ(all.occLists[2].size(), 3u);
    const approxOcc& occ = all.occLists[2][2];
    EXPECT_EQ(occ.genome, 2);
    EXPECT_EQ(occ.chromosome, 0);
    EXPECT_EQ(occ.l, 9);
    EXPECT_EQ(occ.r, 12);
    EXPECT_EQ(occ.dist, 3);
    EXPECT_EQ(occ.pValue, 0.75);
    EXPECT_FALSE(occ.isRefOcc);
    EXPECT_EQ(best.occLists[2][1].chromosome, 1);
}

TEST(RefGeneClustersTest, BestCopyStopsAtFirstWorseLocation) {
    listOf_dLocs list;
    list.genome = 5;
    list.locs = {makeLoc(5, 0, 1, 2, 1, 0), makeLoc(5, 0, 3, 4, 2, 0), makeLoc(5, 0, 5, 6, 1, 0)};
    EXPECT_EQ(copy_dLocRef(list, 5, true).size(), 1u);
    EXPECT_EQ(copy_dLocRef(list, 5, false).size(), 3u);
    EXPECT_TRUE(copy_dLocRef(listOf_dLocs{}, 0, true).empty());
}

TEST(RefGeneClustersTest, EmptyClusterList) {
    listOfRefClusters list;
    auto result = extractRefGeneClusters(list, 3);
    EXPECT_EQ(result->size(), 0);
    EXPECT_EQ(result->genomeCount, 3);
}
