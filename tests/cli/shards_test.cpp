// Runs split with --shard and finished by zub merge: stdout, stderr and every
// file byte-identical to the whole run, on the small set, the bundled example
// and a generated set, in every reference type and for 1, 2, 3 and 5 shards;
// merge refuses results that are not all the shards of one run.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "testUtil.h"

namespace {

namespace fs = std::filesystem;

// The genome list and annotation file of a data set, copied into dir.
void copyInputs(const std::string& from, const std::string& dir) {
    for (const char* name : {"genomes.txt", "annotation.txt"}) copyInto(from + "/" + name, dir, name);
}

// Every file a run left in dir but its shard results, by name.
std::map<std::string, std::string> filesOf(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("part")) files[name] = readFile(entry.path().string());
    }
    return files;
}

// The shard results of an N-way split, last first: merge must order them itself.
std::string shardResultsBackwards(int n) {
    std::string names;
    for (int i = n; i >= 1; --i) names += " part" + std::to_string(i) + ".json";
    return names;
}

void expectMergedRunsEqualWholeRun(const std::string& data, const std::string& query) {
    TempDir whole;
    copyInputs(data, whole.path());
    const RunResult single = runZub("genomes.txt " + query, whole.path());
    ASSERT_EQ(0, single.status) << query << "\n" << single.err;
    const std::map<std::string, std::string> singleFiles = filesOf(whole.path());
    for (int n : {1, 2, 3, 5}) {
        TempDir split;
        copyInputs(data, split.path());
        for (int i = 1; i <= n; ++i) {
            // The thread count steers the process only: shards may differ in it.
            const RunResult shard =
                runZub("genomes.txt " + query + " -t " + std::to_string(1 + i % 2) + " --shard " + std::to_string(i) +
                           "/" + std::to_string(n) + " --partial part" + std::to_string(i) + ".json",
                       split.path());
            ASSERT_EQ(0, shard.status) << query << " shard " << i << "/" << n << "\n" << shard.err;
        }
        const RunResult merged = runZub("merge" + shardResultsBackwards(n), split.path());
        EXPECT_EQ(single.status, merged.status) << query << " N=" << n << "\n" << merged.err;
        EXPECT_EQ(single.out, merged.out) << query << " N=" << n;
        EXPECT_EQ(single.err, merged.err) << query << " N=" << n;
        EXPECT_EQ(singleFiles, filesOf(split.path())) << query << " N=" << n;
    }
}

// Every reference type in both modes, on each data set (one test each, so
// that they can run side by side).
TEST(Shards, MergedRunsEqualTheWholeRunOnTheSmallSet) {
    for (const char* query : {"-r -d 1 -s 3", "-r --refType=genome -d 1 -s 3", "-r --refType=cluster -d 1",
                              "-p -s 2 -q 1", "-p --refType=genome -s 2 --format=json", "-p --refType=cluster",
                              "-r -d 1 -s 3 -q 1 -o x.out --progress=percent"})
        expectMergedRunsEqualWholeRun(TAMSU_TEST_DATA "/small", query);
}

TEST(Shards, MergedRunsEqualTheWholeRunOnTheBundledExample) {
    for (const char* query : {"-r -d 1 -s 5 -q 3", "-r --refType=genome -d 1 -s 5", "-r --refType=cluster -d 1",
                              "-p -s 3 -q 3", "-p --refType=genome -s 3", "-p --refType=cluster"})
        expectMergedRunsEqualWholeRun(TAMSU_EXAMPLES "/ncbi_cog5", query);
}

TEST(Shards, MergedRunsEqualTheWholeRunOnAGeneratedSet) {
    TempDir generated;
    ASSERT_EQ(0, std::system(("'" TAMSU_GENERATOR "' '" + generated.path() + "' 5 200 20261207 >/dev/null").c_str()));
    for (const char* query : {"-r -d 1 -s 4 -q 3", "-r --refType=genome -d 2 -s 4", "-r --refType=cluster -d 1",
                              "-p --refType=discovery -s 4 -q 2", "-p --refType=genome -s 4", "-p --refType=cluster"})
        expectMergedRunsEqualWholeRun(generated.path(), query);
}

TEST(Shards, MergeRefusesWhatIsNotOneRun) {
    TempDir dir;
    copyInputs(TAMSU_TEST_DATA "/small", dir.path());
    auto shard = [&](const std::string& query, const std::string& name) {
        ASSERT_EQ(0, runZub("genomes.txt " + query + " --partial " + name, dir.path()).status) << query;
    };
    shard("-r -d 1 -s 3 --shard 1/3", "a1.json");
    shard("-r -d 1 -s 3 --shard 2/3", "a2.json");
    shard("-r -d 1 -s 3 --shard 3/3", "a3.json");
    shard("-r -d 2 -s 3 --shard 3/3", "d2.json");
    shard("-r -d 1 -s 3 --shard 2/2", "n2.json");
    ASSERT_EQ(0, std::system(("mkfifo '" + dir.file("fifo") + "'").c_str()));
    const struct {
        const char* args;
        const char* message;
    } refused[] = {
        {"merge a1.json a3.json", "error: shard 2 of 3 is missing\n"},
        {"merge a1.json a2.json a3.json a2.json", "error: a2.json and a2.json are both shard 2 of 3\n"},
        {"merge a1.json a2.json d2.json", "error: d2.json and a1.json are shards of different queries\n"},
        {"merge a1.json n2.json",
         "error: n2.json is one of 2 shards, a1.json one of 3: they belong to different runs\n"},
        {"merge", "error: no shard results given\n"},
        {"merge a1.json missing.json", "error: cannot read shard result \"missing.json\": No such file or directory\n"},
        {"merge a1.json fifo", "error: cannot read shard result \"fifo\": it is a pipe (FIFO), not a regular file\n"},
        {"merge a1.json --verbose", "error: unknown option: --verbose\n\nUsage: zub merge "},
        {"merge genomes.txt", "error: genomes.txt is not a shard result of this version: "},
    };
    for (const auto& c : refused) {
        const RunResult run = runZub(c.args, dir.path());
        EXPECT_EQ(1, run.status) << c.args;
        EXPECT_EQ(0u, run.err.find(c.message)) << c.args << "\n" << run.err;
    }

    // Results edited by hand or by an attacker: intervals outside the genomes,
    // counts the genes do not give, and JSON no shard result has, each refused
    // before any table is read; the files of a run stay as they were.
    const std::string original = readFile(dir.file("a1.json"));
    const std::string deep(200000, '[');
    const struct {
        const char* from;
        std::string to;
        const char* message;
    } tampered[] = {
        {"\"interval\":[", "\"interval\":[9999",
         "error: a1.json does not fit these genomes: a reference interval outside"},
        {"\"size\":3", "\"size\":2",
         "error: a1.json does not fit these genomes: the cluster at 1-3 of \"alpha_chr\" has "
         "size 2, but its interval holds 3 distinct genes\n"},
        {"\"size\":3", "\"size\":0", "has size 0, but its interval holds 3 distinct genes\n"},
        {"[[0,1,3,0,3,3]]", "[[0,1,3,1,3,3]]",
         "has an occurrence (genome 0, chromosome 0, 1-3) with counts that its genes "
         "do not give\n"},
        {"[[0,1,3,0,3,3]]", "[[0,1,3,0,2,2]]", "with counts that its genes do not give"},
        {"\"genomeCount\":3", "\"genomeCount\":2000000000",
         "error: a1.json does not fit these genomes: it is of 2000000000 genomes, the genome list has 3\n"},
        {"{\"format\"", "{\"extra\":" + deep + std::string(200000, ']') + ",\"format\"",
         "error: a1.json is not a shard result of this version: arrays or objects nested deeper than 32 levels\n"},
        {"{\"format\"", "{\"extra\":\"" + std::string(2 << 20, 'x') + "\",\"format\"",
         "error: a1.json is not a shard result of this version: a string longer than 1048576 bytes\n"},
    };
    writeFile(dir.file("clusters.out"), "older\n");
    for (const auto& c : tampered) {
        std::string text = original;
        const size_t at = text.find(c.from);
        ASSERT_NE(std::string::npos, at) << c.from;
        text.replace(at, std::strlen(c.from), c.to);
        writeFile(dir.file("a1.json"), text);
        const RunResult run = runZub("merge a1.json a2.json a3.json", dir.path());
        EXPECT_EQ(1, run.status) << c.from;
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << c.from << "\n" << run.err.substr(0, 500);
        EXPECT_FALSE(fileExists(dir.file("genomes_d1_s3_r.out"))) << c.from;
    }
    writeFile(dir.file("a1.json"), original);
    ASSERT_EQ(0, runZub("merge a1.json a2.json a3.json", dir.path()).status);

    // Input files changed after the shards ran.
    writeFile(dir.file("annotation.txt"), readFile(dir.file("annotation.txt")) + "\n");
    RunResult run = runZub("merge a1.json a2.json a3.json", dir.path());
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("error: the input files are not those the shards searched")) << run.err;
}

}  // namespace
