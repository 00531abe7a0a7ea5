// Text reports: exact text of the gene-cluster listing, the gene-family
// statistics file and the reference-cluster report.
#include <gtest/gtest.h>

#include <cstdio>

#include "index/initDatastructures.h"
#include "results/output.h"
#include "testUtil.h"

namespace {

// A stream of keys for the pause after each cluster.
struct Keys {
    explicit Keys(const std::string& text) : file(std::tmpfile()) {
        std::fputs(text.c_str(), file);
        std::rewind(file);
    }
    ~Keys() { std::fclose(file); }
    long consumed() const { return std::ftell(file); }
    FILE* file;
};

geneCluster sampleCluster() {
    ACI a{2, 1, 0.5, {{{0, 0, 2, 4, 1.0, 0, true}}, {{1, 1, 5, 6, 0.25, 1, false}}}, 1};
    geneCluster c{'r', 0, 0.5, 1, {3, 1}, {a}, {a}};
    c.allClusters.push_back(a);
    c.allClusters.back().occLists[1].push_back({1, 0, 10, 12, 0.0125, 2, false});
    return c;
}

const char* const kAciText =
    "next ACI:  pValue: 5.000000e-01, total dist: 1, support: 2, number of refOccs: 1\n"
    "\t\tgenome 0, chr 0: [2,4] dist: 0, pValue: 1.000000e+00 RefOCC\n"
    "\t\tgenome 1, chr 1: [5,6] dist: 1, pValue: 2.500000e-01\n"
    "finished\n";

const std::string kClusterText = std::string("K = 2\n"
                                             "new Cluster: pValue = 5.000000e-01\n"
                                             "gene content: 3 1 \n"
                                             "             type: r, min total dist: 1, refGenomeNr: 0\n"
                                             "\nbest clusters:\n") +
                                 kAciText + "\nall clusters:\n" + kAciText +
                                 "next ACI:  pValue: 5.000000e-01, total dist: 1, support: 2, number of refOccs: 1\n"
                                 "\t\tgenome 0, chr 0: [2,4] dist: 0, pValue: 1.000000e+00 RefOCC\n"
                                 "\t\tgenome 1, chr 1: [5,6] dist: 1, pValue: 2.500000e-01\n"
                                 "\t\tgenome 1, chr 0: [10,12] dist: 2, pValue: 1.250000e-02\n"
                                 "finished\n";

}  // namespace

TEST(OutputTest, OccurrenceAndAciLines) {
    EXPECT_EQ(captured([](FILE* f) { fprintf_approxOCC(f, {3, 2, 7, 9, 0.5, 0, true}); }),
              "genome 3, chr 2: [7,9] dist: 0, pValue: 5.000000e-01 RefOCC\n");
    EXPECT_EQ(captured([](FILE* f) { fprintf_aci(f, sampleCluster().bestClusters[0], 2); }), kAciText);
    // only the first genomeCount lists are printed
    EXPECT_EQ(captured([](FILE* f) { fprintf_aci(f, sampleCluster().bestClusters[0], 1); }),
              "next ACI:  pValue: 5.000000e-01, total dist: 1, support: 2, number of refOccs: 1\n"
              "\t\tgenome 0, chr 0: [2,4] dist: 0, pValue: 1.000000e+00 RefOCC\n"
              "finished\n");
}

TEST(OutputTest, GeneCluster) {
    EXPECT_EQ(captured([](FILE* f) { fprintf_geneCluster(f, sampleCluster(), 2); }), kClusterText);
}

TEST(OutputTest, ListPausesAfterEachCluster) {
    listOfGeneClusters list;
    list.genomeCount = 2;
    list.clusters = {sampleCluster(), sampleCluster()};
    Keys keys("abc");
    const std::string text = "\n\ngene cluster list of size 2\n" + kClusterText + kClusterText;
    EXPECT_EQ(captured([&](FILE* f) { fprintf_listOfGeneClusters(f, list, keys.file); }), text);
    EXPECT_EQ(keys.consumed(), 2);
    // At the end of input the listing just goes on.
    Keys none("");
    EXPECT_EQ(captured([&](FILE* f) { fprintf_listOfGeneClusters(f, list, none.file); }), text);
    // The default pause reads standard input.
    ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
    EXPECT_EQ(captured([&](FILE* f) { fprintf_listOfGeneClusters(f, list); }), text);

    // An empty list reads nothing.
    list.genomeCount = 3;
    list.clusters.clear();
    Keys unread("x");
    EXPECT_EQ(captured([&](FILE* f) { fprintf_listOfGeneClusters(f, list, unread.file); }),
              "\n\ngene cluster list of size 0\n");
    EXPECT_EQ(unread.consumed(), 0);
}

namespace {

const char* const kGenFamStat =
    "Statistics of gene family sizes:\n\n"
    "G0c0 (3 genes): 2\n"
    "G0c1 (2 genes): 1\n"
    "G1c0 (8 genes): 1\n"
    "\n"
    "G0c0 (3 genes): 2\n"
    "size\tfreq\n"
    "1\t1\n"
    "2\t1\n"
    "\n"
    "G0c1 (2 genes): 1\n"
    "size\tfreq\n"
    "1\t2\n"
    "\n"
    "G1c0 (8 genes): 1\n"
    "size\tfreq\n"
    "8\t1\n"
    "\n";

}  // namespace

TEST(OutputTest, GeneFamilyStatistics) {
    // Family 7 occurs 8 times in G1c0, more often than the alphabet has families.
    auto set = makeSet({{{5, 5, 7}, {1, 2}}, {{7, 7, 7, 7, 7, 7, 7, 7}}}, 7);
    TempDir dir;
    const std::string stem = dir.file("run");
    writeFile(stem + ".genFamStat", "old content that must go\n");
    EXPECT_EQ(captured([&](FILE* f) { fprintf_geneFamilyStatistics(f, *set, stem); }),
              "computing gene family statistics\n"
              "statistics of gene family sizes written to \"" + stem + ".genFamStat\"\n");
    EXPECT_EQ(readFile(stem + ".genFamStat"), kGenFamStat);

    // The same from the index's frequencies, which are what counts once they exist.
    ParameterArray params;
    params.delta = 0;
    stdoutOf([&] { initDataStructures(*set, params); });
    captured([&](FILE* f) { fprintf_geneFamilyStatistics(f, *set, stem); });
    EXPECT_EQ(readFile(stem + ".genFamStat"), kGenFamStat);
    set->genomes[0].chromosomes[1].charFreq[3] = 2;
    captured([&](FILE* f) { fprintf_geneFamilyStatistics(f, *set, stem); });
    const std::string text = readFile(stem + ".genFamStat");
    EXPECT_NE(text.find("G0c1 (2 genes): 2\nsize\tfreq\n1\t2\n2\t1\n\n"), std::string::npos) << text;
}

TEST(OutputTest, UnwritableStatisticsFileAndMissingListAreReported) {
    auto set = makeSet({{{1}}});
    TempDir dir;
    const std::string stem = dir.file("missing/run");
    std::string notice;
    EXPECT_EQ(stderrOf([&] { notice = captured([&](FILE* f) { fprintf_geneFamilyStatistics(f, *set, stem); }); }),
              "error: cannot write gene family statistics file \"" + stem + ".genFamStat\"\n");
    EXPECT_EQ(notice, "");

    std::string out;
    EXPECT_EQ(stderrOf([&] { out = captured([&](FILE* f) { fprintf_refClusterList(f, nullptr, *set); }); }),
              "no ref cluster list defined\n");
    EXPECT_EQ(out, "");
    listOfRefClusters empty;
    EXPECT_EQ(captured([&](FILE* f) { fprintf_refClusterList(f, &empty, *set); }), "");
}

TEST(OutputTest, RefClusterReport) {
    auto set = makeSet({{{4, 7, 4, 9}}, {{5, 4, 9, 6}}}, 9);
    // identifiers as read differ from the codes
    for (int c = 0; c <= 9; ++c) set->codingTable[c] = 100 * c;
    set->genomes[0].chromosomes[0].annotations = {"", "a1", "a2", "a3", "a4", ""};
    refCluster cluster{0, 0, 1, 4, 2, 3, 2, 0.25, std::vector<listOf_dLocs>(2), {4, 7, 9}};
    cluster.dLocLists[0].locs = {{0, 0, 1, 4, 0, 3, 3, 1.0}};
    cluster.dLocLists[1] = {1, {{1, 0, 2, 3, 1, 2, 2, 0.5}}};
    const std::string expected =
        "Reference Occurrence:\n"
        "4 7 9 \n"
        "G0, Chr. 0, [1,4], 3 genes, pValue: 2.500000e-01\n"
        "400\ta1\n"
        "700\ta2\n"
        "400\ta3\n"
        "900\ta4\n"
        "\ndLocs:\n"
        "G0:\n"
        "chr 0:       [1,4],  pValue: 1.000000e+00\t setDist:  0,  hitCount:  3,  location: 400 700 400 900 \n"
        "\n"
        "G1:\n"
        "chr 0:       [2,3],  pValue: 5.000000e-01\t setDist:  1,  hitCount:  2,  location: 400 900 \n"
        "\n";
    EXPECT_EQ(captured([&](FILE* f) { fprintf_refCluster(f, cluster, *set, 3); }), "#3\n" + expected);

    listOfRefClusters list;
    list.clusters = {cluster, cluster};
    EXPECT_EQ(captured([&](FILE* f) { fprintf_refClusterList(f, &list, *set); }),
              "#0\n" + expected + "#1\n" + expected);

    // host genomes carry no annotation
    set->genomes[0].chromosomes[0].annotations.clear();
    const std::string bare = captured([&](FILE* f) { fprintf_refCluster(f, cluster, *set, 0); });
    EXPECT_NE(bare.find("400\t\n700\t\n400\t\n900\t\n"), std::string::npos) << bare;
}
