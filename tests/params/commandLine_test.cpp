// The command line end to end: usage, option errors, compatibility rules and
// the parameter print, as the zub binary shows them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testUtil.h"

namespace {

const std::string kUsage =
    "\nUsage: ./zub <genomeList> -d <delta> -s <minsize> (-m|-c|-r|-p) (-q <quorum>)\n"
    "\nParameters:\n"
    "<genomeList>   file containing list of genomes\n"
    "-d <delta>     distance threshold of: \n"
    "                   sum distance for median\n"
    "                   pair-wise distance for center/ ref-based\n"
    "-s <minsize>   minimal cluster size\n"
    "\nOptions:\n"
    "-m             median gene cluster mode (default)\n"
    "-c             center gene cluster mode\n"
    "-r             reference-based gene cluster mode\n"
    "-p             perfect gene cluster mode\n"
    "-q <quorum>    minimum number of genomes in which cluster has to occur\n"
    "-o <outfile>   write output to <outfile>, default: \"<infile>_d[X]_s[Y]_(q[Z])_[m|c|r|p].out\"\n"
    "\nFurther options:\n"
    "--qType=zeroCost           no cost for non-occurrence in genome (default)\n"
    "--qType=proportionateCost  cost for non-occurrence is delta/#genomes (only median)\n"
    "--qType=sizeDependentCost  cost for non-occurrence equals size of median (only median)\n"
    "--refType=genome           fixed reference genome\n"
    "--refType=cluster          fixed reference cluster (minSize s is size of cluster)\n"
    "--refType=discovery        normal reference mode (default)\n"
    "\nSpace efficiency options:\n"
    "-noNum         No usage of table NUM (more space efficient)\n"
    "-noLR          No usage of L[] and R[] (a little bit more space efficient)\n"
    "\n";

const std::string kReading = "reading query parameters\n";

struct ErrorCase {
    std::string args;
    std::string message;  // printed before the usage
};

// A folder holding an (empty) genome list "list.txt".
class CommandLineTest : public ::testing::Test {
protected:
    CommandLineTest() { writeFile(dir.file("list.txt"), ""); }

    void expectUsageError(const ErrorCase& c) {
        SCOPED_TRACE("zub " + c.args);
        RunResult run = runZub(c.args, dir.path());
        EXPECT_EQ(1, run.status);
        EXPECT_EQ(kReading, run.out);
        EXPECT_EQ(c.message + kUsage, run.err);
    }

    // Runs that pass the checks go on to read the genomes; only the part up
    // to the parameter print is this module's.
    void expectParameterPrint(const std::string& args, const std::string& print) {
        SCOPED_TRACE("zub " + args);
        RunResult run = runZub(args, dir.path());
        const std::string expected = kReading + print;
        EXPECT_EQ(expected, run.out.substr(0, expected.size()));
        EXPECT_EQ(std::string::npos, run.err.find("Usage:"));
    }

    TempDir dir;
};

TEST_F(CommandLineTest, UsageAloneForMissingListOrDoubleDashFirst) {
    expectUsageError({"", "error: no genome list given\n"});
    expectUsageError({"--help", ""});
    expectUsageError({"--d -d 2 -s 3", ""});
}

TEST_F(CommandLineTest, OptionErrors) {
    const std::vector<ErrorCase> cases = {
        {"list.txt -d", "\nerror: no value given for delta"},
        {"list.txt -s 3 -d -3", "\nerror: invalid value of delta: -3"},
        {"list.txt -d 2 -s", "\nerror: no value given for s"},
        {"list.txt -d 2 -s 0", "\nerror: invalid value of s: 0"},
        {"list.txt -d 2 -s abc", "\nerror: invalid value of s: abc"},
        {"list.txt -d 2 -s 3 -q", "\nerror: no value given for q"},
        {"list.txt -d 2 -s 3 -q 0", "error: invalid value of q: 0"},
        {"list.txt -d 2 -s 3 -q -1", "error: invalid value of q: -1"},
        {"list.txt -d 2 -s 3 --qType=free", "\nerror: unknown type of quorum cost: free"},
        {"list.txt -d 2 -s 3 --qType=", "\nerror: unknown type of quorum cost: "},
        {"list.txt -d 2 -s 3 --qType=zeroCostX", "\nerror: unknown type of quorum cost: zeroCostX"},
        {"list.txt -d 2 -s 3 -o", "\nerror: no outputfile specified\n"},
        {"list.txt -d 2 -s 3 --refType=gene", "\nerror: unknown type of reference occurrence: gene"},
        {"list.txt -d 2 -s 3 --verbose", "\nerror: unmatched option: --verbose\n"},
        {"list.txt -d 2 -s 3 x-y", "\nerror: unmatched option: x-y\n"},
        {"list.txt -d 2 -s 3 --qtype=zeroCost", "\nerror: unmatched option: --qtype=zeroCost\n"},
    };
    for (const ErrorCase& c : cases) expectUsageError(c);
}

TEST_F(CommandLineTest, CompatibilityRulesInOrder) {
    const std::vector<ErrorCase> cases = {
        {"missing.txt", "error: input file \"missing.txt\" does not exist\n"},
        {"x -d 2 -s 3", "error: input file \"x\" does not exist\n"},
        {"'' -d 2 -s 3", "error: input file \"\" does not exist\n"},
        {"-d 2 -s 3", "error: input file \"-d\" does not exist\n"},
        {"list.txt", "error: negative distance threshold -1\n"},
        {"list.txt -s 3", "error: negative distance threshold -1\n"},
        {"list.txt -p -d 1 -s 3", "error: distance threshold not zero in perfect gene cluster mode\n"},
        {"list.txt -d 2", "error: no minimum size threshold given\n"},
        {"list.txt -r -d 2 --refType=genome", "error: no minimum size threshold given\n"},
        {"list.txt -m -d 2 -s 3 --refType=genome", "error: refType specified in median mode\n"},
        {"list.txt -c -d 2 -s 3 --refType=discovery", "error: refType specified in center mode\n"},
        {"list.txt -c -d 2 -s 3 -q 2 --qType=proportionateCost",
         "error: quorum type 'r' incompatible with search mode 'c'\n"},
        {"list.txt -r -d 2 -s 3 -q 2 --qType=sizeDependentCost",
         "error: quorum type 's' incompatible with search mode 'r'\n"},
        {"list.txt -p -s 3 --qType=proportionateCost",
         "error: quorum type 'r' incompatible with search mode 'p'\n"},
        {"list.txt -d 2 -s 3 --qType=sizeDependentCost",
         "error: quorum type specified but no quorum parameter given\n"},
        {"list.txt -d 2 -s 3 --refType=cluster",
         "error: no minSize threshold needed for fixed ref chromosome\n"},
    };
    for (const ErrorCase& c : cases) expectUsageError(c);
}

// The parameter print of a run: mode line (if any), values, quorum line (if any), output name.
std::string print(const std::string& mode, const std::string& delta, const std::string& s, const std::string& q,
                  const std::string& outfile) {
    return "\n\t*** Query parameters: ***\n" + (mode.empty() ? "" : "\tmode:\t\t" + mode + "\n") + "\tdelta:\t\t" +
           delta + "\n\ts:\t\t" + s + "\n" + (q.empty() ? "" : "\tq:\t\t" + q + "\n") +
           "\tminOccSize:\t0.000000\n\toutfile:\t" + outfile + "\n\n";
}

TEST_F(CommandLineTest, ParameterPrintOfAcceptedCommandLines) {
    expectParameterPrint("list.txt -d 2 -s 3", print("median", "2", "3", "", "list_d2_s3_m.out"));
    // Perfect mode: delta 0 and discovery unless told otherwise.
    expectParameterPrint("list.txt -p -s 3", print("perfect (discovery)", "0", "3", "", "list_d0_s3_p.out"));
    expectParameterPrint("list.txt -s 3 -d 1 --refType=genome",
                         print("reference-based (fixed genome)", "1", "3", "", "list_d1_s3_r.out"));
    // A fixed gene set needs no size threshold.
    expectParameterPrint("list.txt -d 1 --refType=cluster",
                         print("reference-based (fixed gene set)", "1", "-1", "", "list_d1_s_r.out"));
    // No reference type in mode 'r': no mode line.
    expectParameterPrint("list.txt -r -d 1 -s 2 -q 2", print("", "1", "2", "2 (no cost)", "list_d1_s2_r_q2.out"));
    // Texts as typed go into the name; values are parsed atoi-style.
    expectParameterPrint("list.txt -c -d 02 -s 4 -q 2",
                         print("center", "2", "4", "2 (no cost)", "list_d02_s4_c_q2.out"));
    // Bare words, one-letter dash arguments and "-noNum" are ignored.
    expectParameterPrint("list.txt -m -d 3 -s 4x -q 3 --qType=sizeDependentCost -noNum -z word - -o out.txt",
                         print("median", "3", "4", "3 (size dependent cost)", "out.txt"));
    expectParameterPrint("list.txt -d 9 -s 2 -q 2 --qType=proportionateCost -d 4",
                         print("median", "4", "2", "2 (proportionate cost)", "list_d4_s2_m_q2.out"));
}

TEST_F(CommandLineTest, LongPathsAndValues) {
    // A path of several long folder names (each within the file system's limit).
    const std::string folders = std::string(200, 'a') + "/" + std::string(200, 'b');
    std::filesystem::create_directories(dir.file(folders));
    writeFile(dir.file(folders + "/list.txt"), "");
    const std::string list = folders + "/list.txt";
    const std::string outName(5000, 'o');
    expectParameterPrint(list + " -d 1 -s 2 -o " + outName, print("median", "1", "2", "", outName));
    const std::string digits = "0000000000000000000000000000000000000000007";
    expectParameterPrint(list + " -d " + digits + " -s 2",
                         print("median", "7", "2", "", folders + "/list_d" + digits + "_s2_m.out"));
    expectUsageError({"list.txt -s 2 --refType=" + std::string(4000, 'r'),
                      "\nerror: unknown type of reference occurrence: " + std::string(4000, 'r')});
}

}  // namespace
