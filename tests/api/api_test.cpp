// The library through its public header: the clusters of every mode pinned on
// the small data, one answer whatever the index options, stopped runs, silent
// and captured runs, and two runs in two threads.
#include "tamsu/tamsu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <thread>

#include "testUtil.h"

namespace {

using tamsu::Mode;

// Every cluster with its occurrences, ids as read, p-values to the last bit.
std::string dump(const tamsu::Result& result) {
    std::string text;
    char line[256];
    for (const tamsu::Cluster& cluster : result.clusters) {
        std::snprintf(line, sizeof line, "cluster %c ref %d pValue %.17g minTotalDist %d genes",
                      tamsu::modeChar(cluster.mode), cluster.referenceGenome, cluster.pValue, cluster.minTotalDistance);
        text += line;
        for (int family : cluster.families) text += " " + std::to_string(family);
        text += "\n";
        for (const auto* sets : {&cluster.best, &cluster.all})
            for (const tamsu::OccurrenceSet& set : *sets) {
                std::snprintf(line, sizeof line, " %s %.17g %d %d %d %d %d\n", sets == &cluster.best ? "best" : "all",
                              set.pValue, set.totalDistance, set.genomesWithOccurrence, set.exactOccurrences,
                              set.minDistance, set.maxDistance);
                text += line;
                for (const auto& occs : set.perGenome)
                    for (const tamsu::Occurrence& o : occs) {
                        std::snprintf(line, sizeof line, "  %d %d [%d,%d] %d %.17g %d\n", o.genome, o.chromosome,
                                      o.first, o.last, o.distance, o.pValue, o.distance == 0);
                        text += line;
                    }
            }
    }
    return text;
}

// Three related genomes (one with two chromosomes) with shuffled shared blocks,
// handed over already recoded.
tamsu::Genomes relatedGenomes(unsigned seed) {
    std::vector<int> base = randomGenes(seed, 24, 14);
    std::vector<std::vector<std::vector<int>>> rows;
    for (int g = 0; g < 3; ++g) {
        std::vector<int> genes = base;
        std::vector<int> noise = randomGenes(seed * 31 + g, 6, 14);
        for (int i = 0; i < 6; ++i) genes[(i * 7 + g * 5) % genes.size()] = noise[i];
        std::rotate(genes.begin(), genes.begin() + 4 * g, genes.end());
        genes.insert(genes.begin(), 0);
        genes.push_back(0);
        if (g == 1) {
            std::vector<int> first(genes.begin(), genes.begin() + 12), second(genes.begin() + 11, genes.end());
            first.push_back(0);
            second.front() = 0;
            rows.push_back({first, second});
        } else {
            rows.push_back({genes});
        }
    }
    std::vector<int> codingTable(15);
    for (int c = 0; c <= 14; ++c) codingTable[c] = 100 + c;
    return tamsu::Genomes::fromRecoded(rows, codingTable, 14);
}

// The clusters every mode finds on the small data, pinned (median and center
// clusters are seen nowhere else but through a host).
TEST(Api, ClustersOfEveryModeOnTheSmallData) {
    const tamsu::Genomes genomes = tamsu::Genomes::read(TAMSU_TEST_DATA "/small/genomes.txt", nullptr);
    const struct {
        const char* name;
        tamsu::Query query;
    } runs[] = {
        {"median", makeQuery(Mode::median, 2, 3)},
        {"medianQuorum", makeQuery(Mode::median, 2, 3, 2, tamsu::RefType::none, tamsu::CostType::proportionate)},
        {"center", makeQuery(Mode::center, 1, 3, 2)},
        {"reference", makeQuery(Mode::reference, 1, 3)},
        {"perfect", makeQuery(Mode::perfect, 0, 2, 2, tamsu::RefType::discovery)},
    };
    for (const auto& run : runs) {
        const std::string path = TAMSU_TEST_DATA "/golden/" + std::string(run.name) + ".clusters";
        const std::string text = dump(quietRun(genomes, run.query));
        if (std::getenv("TAMSU_UPDATE_GOLDEN") != nullptr) writeFile(path, text);
        EXPECT_EQ(readFile(path), text) << "differs from " << path;
        EXPECT_NE("", text) << run.name;
    }
}

// Without the NUM table, and on several threads, every mode gives the same answer.
TEST(Api, IndexOptionsNeverChangeTheAnswer) {
    int found = 0;
    for (unsigned seed = 1; seed <= 4; ++seed) {
        const tamsu::Genomes genomes = relatedGenomes(seed);
        for (const tamsu::Query& base :
             {makeQuery(Mode::reference, 1, 3), makeQuery(Mode::reference, 2, 3, 2, tamsu::RefType::discovery),
              makeQuery(Mode::perfect, 0, 2, 0, tamsu::RefType::genome), makeQuery(Mode::median, 2, 3),
              makeQuery(Mode::median, 2, 3, 2), makeQuery(Mode::center, 1, 3, 2)}) {
            tamsu::Query query = base;
            const tamsu::Result with = quietRun(genomes, query);
            query.useNUM = false;
            EXPECT_EQ(dump(with), dump(quietRun(genomes, query))) << "seed " << seed;
            EXPECT_EQ(dump(with), dump(quietRun(genomes, query, 3))) << "seed " << seed << " threads";
            found += with.clusters.size();
        }
    }
    EXPECT_GT(found, 40);
}

// A result without records writes, record by record, what one holding them writes.
TEST(Api, RecordsMadeWhileWritingWriteTheSame) {
    const tamsu::Genomes genomes = relatedGenomes(2);
    for (const tamsu::Query& query : {makeQuery(Mode::reference, 2, 3, 2, tamsu::RefType::discovery),
                                      makeQuery(Mode::perfect, 0, 2, 2, tamsu::RefType::discovery)}) {
        std::string texts[2];
        for (bool records : {true, false}) {
            tamsu::RunContext context;
            context.out = context.err = nullptr;
            context.clusterRecords = records;
            const tamsu::Result result = tamsu::findClusters(genomes, query, context);
            EXPECT_EQ(records, !result.clusters.empty());
            texts[records] = captured([&](FILE* out) {
                for (tamsu::OutputFormat format : {tamsu::OutputFormat::tsv, tamsu::OutputFormat::json})
                    tamsu::writeClusters(out, format, result, genomes, query, "genomes.txt");
                context.out = context.err = out;
                tamsu::writeReports(result, genomes, context);
            });
        }
        EXPECT_EQ(texts[true], texts[false]);
        EXPECT_GT(texts[true].size(), 5000u);
    }
}

// A delta beyond every distance of the genomes (6 families, so no distance
// exceeds 6) sizes nothing by itself and gives the clusters of a delta that
// already admits everything: 3 * 7 summed, 7 pair-wise.
TEST(Api, HugeDeltaGivesTheClustersOfAnyDeltaBeyondEveryDistance) {
    const tamsu::Genomes genomes = tamsu::Genomes::fromRecoded(
        {{{0, 1, 2, 3, 4, 5, 1, 0}, {0, 6, 2, 0}}, {{0, 3, 2, 1, 4, 6, 0}}, {{0, 1, 2, 5, 3, 4, 2, 0}}},
        {0, 11, 12, 13, 14, 15, 16}, 6);
    const struct {
        Mode mode;
        int quorum;
        int admitsAll, huge;  // the largest delta the derived values still fit in int
    } cases[] = {
        {Mode::median, 0, 21, INT_MAX / 2},   {Mode::median, 2, 21, INT_MAX / 2},
        {Mode::center, 2, 7, INT_MAX / 4},    {Mode::reference, 0, 21, INT_MAX / 2},
        {Mode::reference, 2, 21, INT_MAX / 2},
    };
    for (const auto& c : cases) {
        const tamsu::RefType refType = c.mode == Mode::reference ? tamsu::RefType::discovery : tamsu::RefType::none;
        const std::string expected = dump(quietRun(genomes, makeQuery(c.mode, c.admitsAll, 3, c.quorum, refType)));
        EXPECT_NE("", expected);
        EXPECT_EQ(expected, dump(quietRun(genomes, makeQuery(c.mode, c.huge, 3, c.quorum, refType))))
            << tamsu::modeChar(c.mode) << " q " << c.quorum;
    }
}

// Crossing the memory limit ends a run with a message naming the search; a
// quorum above the genome count is refused before it starts.
TEST(Api, RunsEndingWithAMessage) {
    const tamsu::Genomes genomes = relatedGenomes(5);
    const struct {
        tamsu::Query query;
        std::size_t maxMemory;
        const char* message;
    } cases[] = {
        {makeQuery(Mode::median, 2, 3), 1024, "error: median search stopped: it needs more than 1 KB of memory"},
        {makeQuery(Mode::center, 1, 3, 2), 1024, "error: center search stopped"},
        {makeQuery(Mode::reference, 1, 3), 100, "error: reference search stopped: it needs more than 100 bytes"},
        {makeQuery(Mode::median, 2, 3, 4), 0, "error: quorum 4 is larger than the number of genomes (3)\n"},
    };
    for (const auto& c : cases) {
        tamsu::RunContext context;
        context.out = context.err = nullptr;
        context.maxMemory = c.maxMemory;
        EXPECT_EQ(0u, errorOf([&] { tamsu::findClusters(genomes, c.query, context); }).rfind(c.message, 0)) << c.message;
    }
    EXPECT_NO_THROW(tamsu::validate(makeQuery(Mode::median, 2, 3, 3), 3));
    EXPECT_NO_THROW(tamsu::validate(makeQuery(Mode::median, 2, 3, 4), 0));
}

// A stopped run reports "cancelled" and leaves nothing behind: the next run
// gives the whole answer.
TEST(Api, StoppedRunIsCancelledAndTheNextRunIsWhole) {
    const tamsu::Genomes genomes = relatedGenomes(9);
    for (const tamsu::Query& query : {makeQuery(Mode::reference, 1, 3), makeQuery(Mode::median, 2, 3)}) {
        const std::string expected = dump(quietRun(genomes, query));
        int polls = 0;
        SilentStatus status([&polls] { return ++polls <= 5; });
        tamsu::RunContext context;
        context.status = &status;
        const tamsu::Result stopped = tamsu::findClusters(genomes, query, context);
        EXPECT_TRUE(stopped.cancelled);
        EXPECT_TRUE(stopped.clusters.empty());
        EXPECT_EQ(6, polls);
        EXPECT_EQ(expected, dump(quietRun(genomes, query)));
    }
}

// The streams of a run are the context's: captured text equals what the
// command line prints, and no statistics file is written without an output name.
TEST(Api, RunWritesOnlyToItsContext) {
    TempDir dir;
    copyInto(TAMSU_TEST_DATA "/small/genomes.txt", dir.path(), "genomes.txt");
    copyInto(TAMSU_TEST_DATA "/small/annotation.txt", dir.path(), "annotation.txt");
    const tamsu::Genomes genomes = tamsu::Genomes::read(dir.file("genomes.txt"), nullptr);
    tamsu::Query query = makeQuery(Mode::reference, 1, 3);
    std::string out, err;
    out = captured([&](FILE* outFile) {
        err = captured([&](FILE* errFile) {
            tamsu::RunContext context;
            context.out = outFile;
            context.err = errFile;
            tamsu::writeReports(tamsu::findClusters(genomes, query, context), genomes, context);
        });
    });
    // The command line's own lines (and the statistics notice) aside, the same text.
    const std::string search = out.substr(out.find("computing reference gene clusters"));
    EXPECT_NE(std::string::npos, readFile(TAMSU_TEST_DATA "/golden/reference.stdout").find(search));
    EXPECT_EQ(0u, readFile(TAMSU_TEST_DATA "/golden/reference.stderr").rfind(err, 0)) << err;
    EXPECT_FALSE(fileExists(dir.file(".genFamStat")));
    // A run writes no file; the statistics file is written on request.
    const tamsu::Result result = quietRun(genomes, query, 1, dir.file("run.genFamStat"));
    EXPECT_FALSE(fileExists(dir.file("run.genFamStat")));
    tamsu::writeStatisticsFile(result);
    EXPECT_EQ(readFile(TAMSU_TEST_DATA "/golden/reference.genFamStat"), readFile(dir.file("run.genFamStat")));
}

// Runs own all their state: two at once in two threads give what they give
// one after the other.
TEST(Api, ConcurrentRunsEqualSequentialOnes) {
    const tamsu::Genomes first = relatedGenomes(3);
    const tamsu::Genomes second = relatedGenomes(4);
    const tamsu::Query queries[] = {makeQuery(Mode::reference, 2, 3), makeQuery(Mode::median, 2, 3, 2),
                                    makeQuery(Mode::center, 1, 3, 2)};
    for (const tamsu::Query& query : queries) {
        const std::string a = dump(quietRun(first, query));
        const std::string b = dump(quietRun(second, query));
        std::string ta, tb;
        std::thread one([&] { ta = dump(quietRun(first, query)); });
        std::thread two([&] { tb = dump(quietRun(second, query)); });
        one.join();
        two.join();
        EXPECT_EQ(a, ta);
        EXPECT_EQ(b, tb);
    }
}

// The README shows the example program the tests build and run.
TEST(Api, ReadmeShowsTheLibraryExample) {
    const std::string example = readFile(TAMSU_SOURCE_DIR "/examples/library/clusters.cpp");
    EXPECT_NE(std::string::npos, readFile(TAMSU_SOURCE_DIR "/README.md").find(example));
}

}  // namespace
