// Extraction of gene clusters from k-tuples and from reference clusters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "median/kTuples.h"
#include "results/geneClusters.h"
#include "results/refGeneClusters.h"
#include "testUtil.h"

namespace {

// A tuple of a sorted list: gene content, intervals {l, r, chr, dist}, and
// per-genome p-values 0.1, 0.2, ...
kTuple tuple(const std::vector<int>& genes, const std::vector<kTupleInterval>& intervals, double pValue,
             int totalDist = 0, char mode = 'm') {
    kTuple t = makeTuple(intervals, totalDist);
    t.operationMode = mode;
    t.pValue = pValue;
    for (size_t g = 0; g < intervals.size(); ++g) t.pValues[g] = 0.1 * (g + 1);
    for (int gene : genes) t.median.push_back({gene, 1});
    t.geneContentArray = genes;
    t.hasGeneContentArray = true;
    return t;
}

// A cluster as text: its head, then one line per best and per all ACI with
// its occurrences "genome.chr[l,r] dist pValue" ("*" marks a reference one).
std::string describe(const geneCluster& c) {
    std::string out = formatText("%c ref %d p %g min %d:", c.type, c.refGenomeNr, c.pValue, c.minTotalDist);
    for (int gene : c.consensusSet) out += formatText(" %d", gene);
    for (const auto* acis : {&c.bestClusters, &c.allClusters}) {
        out += acis == &c.bestClusters ? "\nbest" : "\nall";
        for (const ACI& a : *acis) {
            out += formatText("\n p %g dist %d support %d refOccs %d pw %d-%d:", a.pValue, a.totalDist, a.support,
                              a.refOccCount, a.minPwDist, a.maxPwDist);
            for (const auto& occs : a.occLists)
                for (const approxOcc& o : occs)
                    out += formatText(" %d.%d[%d,%d] %d %g%s", o.genome, o.chromosome, o.l, o.r, o.dist, o.pValue,
                                      o.isRefOcc ? "*" : "");
        }
    }
    return out;
}

TEST(GeneClustersTest, RunOfEqualContentSplitsBestAndAll) {
    kTupleList list = makeList(3, {});
    list.tuples.push_back(tuple({2, 5, 9}, {{1, 3, 0, 0}, {4, 7, 1, 1}, {5, 4, 0, 0}}, 0.01, 3, 'c'));
    list.tuples.push_back(tuple({2, 5, 9}, {{2, 4, 0, 2}, {4, 6, 1, 1}, {1, 3, 2, 3}}, 0.01, 6, 'c'));
    list.tuples.push_back(tuple({2, 5, 9}, {{8, 9, 0, 0}, {1, 2, 0, 0}, {1, 1, 0, 0}}, 0.02, 1, 'c'));
    auto result = extractGeneClusters(list);
    ASSERT_EQ(result->size(), 1);
    EXPECT_EQ(result->genomeCount, 3);
    // Genome 2's first interval is empty; dist 0 makes a reference occurrence.
    EXPECT_EQ("c ref -1 p 0.01 min 3: 2 5 9\n"
              "best\n"
              " p 0.01 dist 3 support 2 refOccs 2 pw 0-1: 0.0[1,3] 0 0.1* 1.1[4,7] 1 0.2\n"
              " p 0.01 dist 6 support 3 refOccs 0 pw 1-3: 0.0[2,4] 2 0.1 1.1[4,6] 1 0.2 2.2[1,3] 3 0.3\n"
              "all\n"
              " p 0.01 dist 3 support 2 refOccs 2 pw 0-1: 0.0[1,3] 0 0.1* 1.1[4,7] 1 0.2\n"
              " p 0.01 dist 6 support 3 refOccs 0 pw 1-3: 0.0[2,4] 2 0.1 1.1[4,6] 1 0.2 2.2[1,3] 3 0.3\n"
              " p 0.02 dist 1 support 3 refOccs 3 pw 0-0: 0.0[8,9] 0 0.1* 1.0[1,2] 0 0.2* 2.0[1,1] 0 0.3*",
              describe(result->clusters[0]));
}

TEST(GeneClustersTest, OnlyAdjacentEqualContentsJoin) {
    kTupleList list = makeList(1, {tuple({1, 2}, {{1, 2, 0, 0}}, 0.5), tuple({1, 3}, {{1, 2, 0, 0}}, 0.5),
                                   tuple({1, 2}, {{3, 4, 0, 0}}, 0.5), tuple({1, 2, 3}, {{3, 5, 0, 0}}, 0.5)});
    auto result = extractGeneClusters(list);
    ASSERT_EQ(result->size(), 4);
    EXPECT_EQ(result->clusters[2].consensusSet, (std::vector<int>{1, 2}));
    EXPECT_EQ(result->clusters[2].allClusters.size(), 1u);

    EXPECT_EQ(extractGeneClusters(makeList(4, {}))->genomeCount, 4);
    EXPECT_EQ(extractRefGeneClusters(listOfRefClusters(), 3)->genomeCount, 3);

    kTuple unsorted = tuple({}, {{1, 1, 0, 0}}, 1.0);
    unsorted.median = {{7, 1}, {3, 1}, {5, 1}};
    unsorted.hasGeneContentArray = false;
    EXPECT_EQ(createConsensusSet(unsorted), (std::vector<int>{3, 5, 7}));
}

TEST(RefGeneClustersTest, BestAndAllCopies) {
    refCluster c{0, 1, 3, 6, 4, 3, 4, 0.125, std::vector<listOf_dLocs>(4), {8, 2, 6}};
    for (int g = 0; g < 4; ++g) c.dLocLists[g].genome = g;
    c.dLocLists[0].locs = {{0, 1, 3, 6, 0, 0, 0, 1.0}};
    // Genome 1 has no location; genome 2's best copy stops at the first worse one.
    c.dLocLists[2].locs = {{2, 0, 5, 8, 1, 0, 0, 0.5}, {2, 1, 1, 4, 1, 0, 0, 0.25}, {2, 0, 9, 12, 3, 0, 0, 0.75}};
    c.dLocLists[3].locs = {{3, 2, 7, 9, 2, 0, 0, 0.3}};
    listOfRefClusters list;
    list.operationMode = 'p';
    list.clusters.push_back(c);
    auto result = extractRefGeneClusters(list, 4);
    ASSERT_EQ(result->size(), 1);
    EXPECT_EQ(result->genomeCount, 4);
    // Support is the cluster's listCount, not the non-empty slots.
    EXPECT_EQ("p ref 0 p 0.125 min 3: 8 2 6\n"
              "best\n"
              " p 0.125 dist 3 support 4 refOccs 3 pw 0-2: 0.1[3,6] 0 1* 2.0[5,8] 1 0.5 2.1[1,4] 1 0.25 3.2[7,9] 2 "
              "0.3\n"
              "all\n"
              " p 0.125 dist 3 support 4 refOccs 3 pw 0-2: 0.1[3,6] 0 1* 2.0[5,8] 1 0.5 2.1[1,4] 1 0.25 2.0[9,12] 3 "
              "0.75 3.2[7,9] 2 0.3",
              describe(result->clusters[0]));
    EXPECT_EQ(computeSupport(result->clusters[0].bestClusters[0], 4), 3);

    listOf_dLocs locs{5, {{5, 0, 1, 2, 1}, {5, 0, 3, 4, 2}, {5, 0, 5, 6, 1}}};
    EXPECT_EQ(copy_dLocRef(locs, 5, true).size(), 1u);
    EXPECT_EQ(copy_dLocRef(locs, 5, false).size(), 3u);
    EXPECT_TRUE(copy_dLocRef(listOf_dLocs{}, 0, true).empty());
}

}  // namespace
