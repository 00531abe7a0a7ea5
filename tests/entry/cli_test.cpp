// Whole runs of the command line on the small hand-written data set, pinned
// by their complete stdout and stderr; and a run on the bundled real data.
// Set TAMSU_UPDATE_GOLDEN=1 to rewrite the golden files after a deliberate change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>

#include "testUtil.h"

namespace {

const std::string kSmall = TAMSU_TEST_DATA "/small";
const std::string kGolden = TAMSU_TEST_DATA "/golden";

void expectGolden(const std::string& name, const std::string& actual) {
    std::string path = kGolden + "/" + name;
    if (std::getenv("TAMSU_UPDATE_GOLDEN") != nullptr) {
        writeFile(path, actual);
        return;
    }
    ASSERT_TRUE(fileExists(path)) << "missing golden file " << path;
    EXPECT_EQ(readFile(path), actual) << "differs from " << path;
}

struct GoldenRun {
    const char* name;
    const char* args;
    const char* outfile;
};

// Test names show the arguments rather than the record's bytes.
void PrintTo(const GoldenRun& run, std::ostream* os) { *os << run.args; }

class CliGolden : public ::testing::TestWithParam<GoldenRun> {};

TEST_P(CliGolden, WholeOutputIsPinned) {
    const GoldenRun& run = GetParam();
    TempDir dir;
    copyInto(kSmall + "/genomes.txt", dir.path(), "genomes.txt");
    copyInto(kSmall + "/annotation.txt", dir.path(), "annotation.txt");
    copyInto(kSmall + "/queryList.txt", dir.path(), "queryList.txt");
    RunResult result = runZub(run.args, dir.path());
    EXPECT_EQ(0, result.status) << result.err;
    expectGolden(std::string(run.name) + ".stdout", result.out);
    expectGolden(std::string(run.name) + ".stderr", result.err);
    // The output file is created and left empty; the statistics file sits beside it.
    ASSERT_TRUE(fileExists(dir.file(run.outfile)));
    EXPECT_EQ("", readFile(dir.file(run.outfile)));
    std::string stem = std::string(run.outfile).substr(0, std::string(run.outfile).size() - 4);
    expectGolden(std::string(run.name) + ".genFamStat", readFile(dir.file(stem + ".genFamStat")));
}

INSTANTIATE_TEST_SUITE_P(
    Small, CliGolden,
    ::testing::Values(GoldenRun{"reference", "genomes.txt -r -d 1 -s 3", "genomes_d1_s3_r.out"},
                      GoldenRun{"referenceQuorum", "genomes.txt -r -d 2 -s 3 -q 2", "genomes_d2_s3_r_q2.out"},
                      GoldenRun{"referenceFixedGeneSet", "queryList.txt --refType=cluster -d 1", "queryList_d1_s_r.out"},
                      GoldenRun{"perfect", "genomes.txt -p -s 2 -q 2", "genomes_d0_s2_p_q2.out"},
                      GoldenRun{"perfectFixedGenome", "genomes.txt -p --refType=genome -s 2", "genomes_d0_s2_p.out"},
                      GoldenRun{"median", "genomes.txt -m -d 2 -s 3", "genomes_d2_s3_m.out"},
                      GoldenRun{"medianQuorum", "genomes.txt -m -d 2 -s 3 -q 2 --qType=proportionateCost",
                                "genomes_d2_s3_m_q2.out"},
                      GoldenRun{"center", "genomes.txt -c -d 1 -s 3 -q 2", "genomes_d1_s3_c_q2.out"}),
    [](const ::testing::TestParamInfo<GoldenRun>& info) { return std::string(info.param.name); });

TEST(Cli, UnwritableOutputFileIsReported) {
    TempDir dir;
    copyInto(kSmall + "/genomes.txt", dir.path(), "genomes.txt");
    copyInto(kSmall + "/annotation.txt", dir.path(), "annotation.txt");
    RunResult result = runZub("genomes.txt -r -d 1 -s 3 -o no/such/folder/x.out", dir.path());
    EXPECT_EQ(1, result.status);
    EXPECT_NE(std::string::npos, result.err.find("Can't open output file: no/such/folder/x.out\n"));
}

TEST(Cli, RunsFromAnotherFolderWithTheListBesideItsAnnotation) {
    TempDir dir;
    std::string data = dir.file("data");
    std::string command = "mkdir -p '" + data + "'";
    ASSERT_EQ(0, std::system(command.c_str()));
    copyInto(kSmall + "/genomes.txt", data, "genomes.txt");
    copyInto(kSmall + "/annotation.txt", data, "annotation.txt");
    RunResult result = runZub("data/genomes.txt -p -s 2 -q 2", dir.path());
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_TRUE(fileExists(dir.file("data/genomes_d0_s2_p_q2.out")));
}

TEST(Cli, ReferenceRunOnTheBundledRealData) {
    TempDir dir;
    copyInto(TAMSU_EXAMPLES "/ncbi_cog5/genomes.txt", dir.path(), "genomes.txt");
    copyInto(TAMSU_EXAMPLES "/ncbi_cog5/annotation.txt", dir.path(), "annotation.txt");
    RunResult result = runZub("genomes.txt -r --refType=genome -d 1 -s 5 -q 3", dir.path());
    ASSERT_EQ(0, result.status) << result.err.substr(0, 2000);
    EXPECT_NE(std::string::npos, result.out.find("\tgenome count:\t\t5\n"));
    EXPECT_NE(std::string::npos, result.out.find("cluster computation finished\n"));
    EXPECT_NE(std::string::npos, result.err.find("\n\ngene cluster list of size "));
    EXPECT_NE(std::string::npos, result.out.find("#0\nReference Occurrence:\n"));
}

}  // namespace
