// The command line end to end: whole runs on the small data set pinned by
// their complete stdout, stderr and statistics file; the option and rule
// errors with the usage text; failed writes.
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

// A folder holding the small data set.
struct SmallData {
    TempDir dir;
    SmallData() {
        for (const char* name : {"genomes.txt", "annotation.txt", "queryList.txt"})
            copyInto(kSmall + "/" + name, dir.path(), name);
    }
};

struct GoldenRun {
    const char* name;
    const char* args;
    const char* outfile;
};

void PrintTo(const GoldenRun& run, std::ostream* os) { *os << run.args; }

class CliGolden : public ::testing::TestWithParam<GoldenRun> {};

TEST_P(CliGolden, WholeOutputIsPinned) {
    const GoldenRun& run = GetParam();
    SmallData data;
    RunResult result = runZub(run.args, data.dir.path());
    EXPECT_EQ(0, result.status) << result.err;
    expectGolden(std::string(run.name) + ".stdout", result.out);
    expectGolden(std::string(run.name) + ".stderr", result.err);
    // The output file is created and left empty; the statistics file sits beside it.
    ASSERT_TRUE(fileExists(data.dir.file(run.outfile)));
    EXPECT_EQ("", readFile(data.dir.file(run.outfile)));
    std::string stem = std::string(run.outfile).substr(0, std::string(run.outfile).size() - 4);
    expectGolden(std::string(run.name) + ".genFamStat", readFile(data.dir.file(stem + ".genFamStat")));
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

// Every refused command line prints its message, then the usage, and exits 1
// before anything is read; the checks run in a fixed order.
TEST(Cli, RefusedCommandLines) {
    SmallData data;
    writeFile(data.dir.file("list.txt"), "");
    const std::string usage = readFile(kGolden + "/usage.txt");
    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"", "error: no genome list given\n"},
        {"--help", ""},
        {"list.txt -d", "\nerror: no value given for delta"},
        {"list.txt -d 2 -s abc", "\nerror: invalid value of s: abc"},
        {"list.txt -d 2 -s 3 -q 0", "error: invalid value of q: 0"},
        {"list.txt -d 2 -s 3 --qType=free", "\nerror: unknown type of quorum cost: free"},
        {"list.txt -d 2 -s 3 -o", "\nerror: no outputfile specified\n"},
        {"list.txt -d 2 -s 3 --refType=gene", "\nerror: unknown type of reference occurrence: gene"},
        {"list.txt -d 2 -s 3 --verbose", "\nerror: unmatched option: --verbose\n"},
        {"missing.txt -d 3", "error: input file \"missing.txt\" does not exist\n"},
        {"list.txt -s 3", "error: negative distance threshold -1\n"},
        {"list.txt -p -d 1 -s 3", "error: distance threshold not zero in perfect gene cluster mode\n"},
        {"list.txt -r -d 2 --refType=genome", "error: no minimum size threshold given\n"},
        {"list.txt -m -d 2 -s 3 --refType=genome", "error: refType specified in median mode\n"},
        {"list.txt -c -d 2 -s 3 --refType=discovery", "error: refType specified in center mode\n"},
        {"list.txt -c -d 2 -s 3 -q 2 --qType=proportionateCost",
         "error: quorum type 'r' incompatible with search mode 'c'\n"},
        {"list.txt -d 2 -s 3 --qType=sizeDependentCost", "error: quorum type specified but no quorum parameter given\n"},
        {"list.txt -d 2 -s 3 --refType=cluster", "error: no minSize threshold needed for fixed ref chromosome\n"},
    };
    for (const auto& c : cases) {
        RunResult run = runZub(c.args, data.dir.path());
        EXPECT_EQ(1, run.status) << c.args;
        EXPECT_EQ("reading query parameters\n", run.out) << c.args;
        EXPECT_EQ(c.message + usage, run.err) << c.args;
    }
}

TEST(Cli, ParameterPrintAndDefaultOutputName) {
    SmallData data;
    // Texts as typed go into the name; the last mode option wins.
    RunResult run = runZub("genomes.txt -c -d 02 -r -s 4 -q 2 -noLR", data.dir.path());
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("\n\t*** Query parameters: ***\n\tdelta:\t\t2\n\ts:\t\t4\n"
                                              "\tq:\t\t2 (no cost)\n\tminOccSize:\t0.000000\n"
                                              "\toutfile:\tgenomes_d02_s4_r_q2.out\n\n"));
    // -c before -r leaves no center distances behind: delta stays 2, not 2 * 4 genomes.
    EXPECT_EQ(run.out, runZub("genomes.txt -r -d 02 -s 4 -q 2 -o genomes_d02_s4_r_q2.out", data.dir.path()).out);
}

TEST(Cli, FailedWritesAreReported) {
    SmallData data;
    RunResult run = runZub("genomes.txt -r -d 1 -s 3 -o no/such/folder/x.out", data.dir.path());
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("Can't open output file: no/such/folder/x.out\n"));
    // A full disk under the report: the run fails instead of pretending success.
    run = runZub("genomes.txt -r -d 1 -s 3", data.dir.path(), "/dev/full");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("error: writing to standard output failed\n"));
}

}  // namespace
