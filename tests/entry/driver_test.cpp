// The run driver called directly: extracted clusters mirror the search
// results, the index options never change an answer, and a host that stops
// the search gets no result.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "entry/commInts.h"
#include "results/geneClusters.h"
#include "results/refGeneClusters.h"
#include "testUtil.h"

namespace {

// Three related genomes (one with two chromosomes) with shuffled shared blocks.
std::unique_ptr<SetOfSeqs> relatedSet(unsigned seed) {
    std::vector<int> base = randomGenes(seed, 24, 14);
    std::vector<std::vector<std::vector<int>>> rows;
    for (int g = 0; g < 3; ++g) {
        std::vector<int> genes = base;
        std::vector<int> noise = randomGenes(seed * 31 + g, 6, 14);
        for (int i = 0; i < 6; ++i) genes[(i * 7 + g * 5) % genes.size()] = noise[i];
        std::rotate(genes.begin(), genes.begin() + 4 * g, genes.end());
        if (g == 1)
            rows.push_back({std::vector<int>(genes.begin(), genes.begin() + 11),
                            std::vector<int>(genes.begin() + 11, genes.end())});
        else
            rows.push_back({genes});
    }
    return makeSet(rows, 14);
}

struct Query {
    char mode;
    int delta;
    int s;
    int quorum;  // 0: none
    char refType;
};

std::unique_ptr<ParameterArray> makeParams(const Query& q, int g, const std::string& outfile, bool useNUM = true,
                                           bool useLR = true) {
    return derivedParams(q.mode, q.delta, q.s, g, q.quorum > 0 ? q.quorum : -1, 'z', useNUM, useLR, q.refType, outfile);
}

std::unique_ptr<listOfGeneClusters> extract(ResultArray& result, const ParameterArray& params, int g) {
    if (params.operationMode == 'r' || params.operationMode == 'p')
        return extractRefGeneClusters(*result.refClusterList, g);
    return extractGeneClusters(*result.kTupleList);
}

std::string dump(const listOfGeneClusters& list) {
    std::string text;
    char line[256];
    for (const geneCluster& cluster : list.clusters) {
        std::snprintf(line, sizeof line, "cluster %c %d %.17g %d :", cluster.type, cluster.refGenomeNr,
                      cluster.pValue, cluster.minTotalDist);
        text += line;
        for (int gene : cluster.consensusSet) text += " " + std::to_string(gene);
        text += "\n";
        for (const auto* acis : {&cluster.bestClusters, &cluster.allClusters})
            for (const ACI& aci : *acis) {
                std::snprintf(line, sizeof line, " aci %.17g %d %d %d %d %d\n", aci.pValue, aci.totalDist,
                              aci.support, aci.refOccCount, aci.minPwDist, aci.maxPwDist);
                text += line;
                for (const auto& occs : aci.occLists)
                    for (const approxOcc& o : occs) {
                        std::snprintf(line, sizeof line, "  %d %d [%d,%d] %d %.17g %d\n", o.genome, o.chromosome,
                                      o.l, o.r, o.dist, o.pValue, o.isRefOcc);
                        text += line;
                    }
            }
    }
    return text;
}

TEST(Driver, ExtractedClustersMirrorTheReferenceClusters) {
    int found = 0;
    for (unsigned seed = 1; seed <= 4; ++seed)
        for (Query q : {Query{'r', 1, 3, 0, 'd'}, Query{'r', 2, 3, 2, 'd'}, Query{'r', 1, 2, 0, 'g'},
                        Query{'p', 0, 2, 2, 'd'}, Query{'p', 0, 2, 0, 'g'}}) {
            TempDir dir;
            auto set = relatedSet(seed);
            auto params = makeParams(q, set->genomeCount, dir.file("run.out"));
            auto result = computeClusters(*set, *params);
            ASSERT_TRUE(result);
            ASSERT_TRUE(result->refClusterList);
            EXPECT_EQ(0, result->kTupleList->size());
            EXPECT_TRUE(fileExists(dir.file("run.genFamStat")));
            auto clusters = extract(*result, *params, set->genomeCount);
            ASSERT_EQ(result->refClusterList->count(), clusters->size());
            found += clusters->size();
            auto it = clusters->clusters.begin();
            for (const refCluster& ref : result->refClusterList->clusters) {
                const geneCluster& out = *it++;
                EXPECT_EQ(q.mode, out.type);
                EXPECT_EQ(ref.refGenome, out.refGenomeNr);
                EXPECT_EQ(ref.pValue, out.pValue);
                EXPECT_EQ(ref.geneContentArray, out.consensusSet);
                ASSERT_EQ(1u, out.bestClusters.size());
                ASSERT_EQ(1u, out.allClusters.size());
                int minTotal = 0;
                for (int g = 0; g < set->genomeCount; ++g) {
                    const auto& locs = ref.dLocLists[g].locs;
                    const auto& all = out.allClusters[0].occLists[g];
                    const auto& best = out.bestClusters[0].occLists[g];
                    ASSERT_EQ(locs.size(), all.size());
                    if (locs.empty()) continue;
                    minTotal += locs.front().setDist;
                    size_t bestCount = 0;
                    for (const dLoc& x : locs) bestCount += x.setDist <= locs.front().setDist ? 1 : 0;
                    EXPECT_EQ(bestCount, best.size());
                    EXPECT_EQ(locs.front().l, best[0].l);
                    EXPECT_EQ(locs.front().pValue, best[0].pValue);
                    if (q.mode == 'p') {
                        for (const dLoc& x : locs) EXPECT_EQ(0, x.setDist);
                    }
                }
                EXPECT_EQ(minTotal, out.minTotalDist);
            }
        }
    EXPECT_GT(found, 20);
}

TEST(Driver, IndexOptionsNeverChangeTheAnswer) {
    std::map<char, int> found;
    for (unsigned seed = 5; seed <= 7; ++seed)
        for (Query q : {Query{'r', 1, 3, 0, 'd'}, Query{'p', 0, 2, 2, 'd'}, Query{'m', 2, 3, 0, '?'},
                        Query{'m', 2, 3, 2, '?'}, Query{'c', 1, 3, 2, '?'}}) {
            std::string expected;
            for (int variant = 0; variant < 4; ++variant) {
                TempDir dir;
                auto set = relatedSet(seed);
                auto params = makeParams(q, set->genomeCount, dir.file("run.out"), variant & 1, variant & 2);
                auto result = computeClusters(*set, *params);
                ASSERT_TRUE(result);
                auto clusters = extract(*result, *params, set->genomeCount);
                found[q.mode] += clusters->size();
                std::string text = dump(*clusters);
                if (variant == 0)
                    expected = text;
                else
                    EXPECT_EQ(expected, text) << "mode " << q.mode << " seed " << seed << " variant " << variant;
            }
        }
    for (char mode : {'r', 'p', 'm', 'c'}) EXPECT_GT(found[mode], 0) << mode;
}

TEST(Driver, StoppedSearchGivesNoResultAndTheNextRunIsWhole) {
    for (Query q : {Query{'r', 1, 3, 0, 'd'}, Query{'m', 2, 3, 0, '?'}}) {
        TempDir dir;
        auto reference = relatedSet(9);
        auto referenceParams = makeParams(q, reference->genomeCount, dir.file("run.out"));
        auto expected = computeClusters(*reference, *referenceParams);
        ASSERT_TRUE(expected);

        {
            auto set = relatedSet(9);
            auto params = makeParams(q, set->genomeCount, dir.file("run.out"));
            params->gui = true;
            RecordingHost host(5);  // lets the search run for five polls
            auto stopped = computeClusters(*set, *params);
            EXPECT_FALSE(stopped) << q.mode;
            EXPECT_GT(host.maximum, 0);
            EXPECT_LT(host.values.empty() ? -1 : host.values.back(), host.maximum);
        }

        // Nothing of the stopped run lingers: the next run gives the whole answer.
        auto again = relatedSet(9);
        auto plain = makeParams(q, again->genomeCount, dir.file("run.out"));
        auto whole = computeClusters(*again, *plain);
        ASSERT_TRUE(whole);
        EXPECT_EQ(dump(*extract(*expected, *referenceParams, 3)), dump(*extract(*whole, *plain, 3)));
    }
}

}  // namespace
