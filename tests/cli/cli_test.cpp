// The command line end to end: whole runs on the small data set pinned by
// their complete stdout, stderr, output table and statistics file, the JSON
// form checked against the table; the option and rule errors with the usage
// text; output names refused before the search; failed writes; progress forms.
// Set TAMSU_UPDATE_GOLDEN=1 to rewrite the golden files after a deliberate change.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "arguments.h"
#include "tamsu/outputFile.h"
#include "tamsu/tamsu.h"
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

// The table rows that the JSON document describes, in the table's format.
std::string tableOfJson(const std::string& text) {
    const nlohmann::json document = nlohmann::json::parse(text);
    // null stands for a value that is not finite: an overflowed product, the log10 of a zero one
    auto score = [](const nlohmann::json& v) {
        return v.is_null() ? std::string("inf") : formatText("%e", v.get<double>());
    };
    auto log10 = [](const nlohmann::json& v) {
        return v.is_null() ? std::string("-inf") : formatText("%.6f", v.get<double>());
    };
    std::string table;
    for (const auto& cluster : document.at("clusters")) {
        std::string families;
        for (const auto& id : cluster.at("geneFamilies"))
            families.append(families.empty() ? "" : ",").append(std::to_string(id.get<int>()));
        for (const auto& occ : cluster.at("occurrences"))
            table += formatText(
                "%d\t%s\t%s\t%s\t%d\t%s\t%d\t%s\t%s\t%d\t%d\t%s\t%s\t%d\t%s\t%d\n", cluster.at("cluster").get<int>(),
                cluster.at("mode").get<std::string>().c_str(), score(cluster.at("score")).c_str(),
                log10(cluster.at("log10Score")).c_str(), cluster.at("size").get<int>(), families.c_str(),
                occ.at("genomeIndex").get<int>(), occ.at("genome").get<std::string>().c_str(),
                occ.at("chromosome").get<std::string>().c_str(), occ.at("first").get<int>(), occ.at("last").get<int>(),
                occ.at("firstLocusTag").get<std::string>().c_str(), occ.at("lastLocusTag").get<std::string>().c_str(),
                occ.at("setDistance").get<int>(), score(occ.at("score")).c_str(), occ.at("best").get<bool>() ? 1 : 0);
    }
    return table;
}

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
    // The output file holds the clusters; the statistics file sits beside it.
    const std::string table = readFile(data.dir.file(run.outfile));
    expectGolden(std::string(run.name) + ".tsv", table);
    std::string stem = std::string(run.outfile).substr(0, std::string(run.outfile).size() - 4);
    expectGolden(std::string(run.name) + ".genFamStat", readFile(data.dir.file(stem + ".genFamStat")));

    // The same run as JSON describes the same rows, and says which query it ran.
    RunResult json = runZub(std::string(run.args) + " --format=json -o run.json", data.dir.path());
    ASSERT_EQ(0, json.status) << json.err;
    const std::string document = readFile(data.dir.file("run.json"));
    EXPECT_EQ(table.substr(table.find('\n') + 1), tableOfJson(document));
    const auto header = nlohmann::json::parse(document).at("header");
    EXPECT_EQ(table.find("\tmedian\t") != std::string::npos, header.at("query").at("mode") == "median");
    EXPECT_EQ(std::string(run.args).substr(0, std::string(run.args).find(' ')), header.at("genomeList"));
}

INSTANTIATE_TEST_SUITE_P(
    Small, CliGolden,
    ::testing::Values(
        GoldenRun{"reference", "genomes.txt -r -d 1 -s 3", "genomes_d1_s3_r.out"},
        GoldenRun{"referenceQuorum", "genomes.txt -r -d 2 -s 3 -q 2", "genomes_d2_s3_r_q2.out"},
        GoldenRun{"referenceFixedGeneSet", "queryList.txt --refType=cluster -d 1", "queryList_d1_s_r.out"},
        GoldenRun{"perfect", "genomes.txt -p -s 2 -q 2", "genomes_d0_s2_p_q2.out"},
        GoldenRun{"perfectFixedGenome", "genomes.txt -p --refType=genome -s 2", "genomes_d0_s2_p.out"},
        GoldenRun{"median", "genomes.txt -m -d 2 -s 3", "genomes_d2_s3_m.out"},
        GoldenRun{"medianQuorum", "genomes.txt -m -d 2 -s 3 -q 2 --qType=proportionateCost", "genomes_d2_s3_m_q2.out"},
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
        {"list.txt -d", "\nerror: no value given for delta"},
        {"list.txt -d 2 -s abc", "\nerror: invalid value of s: abc"},
        {"list.txt -d 2 -s 3 -q 0", "error: invalid value of q: 0"},
        {"list.txt -d 2 -s 3 --qType=free", "\nerror: unknown type of quorum cost: free"},
        {"list.txt -d 2 -s 3 -o", "\nerror: no outputfile specified\n"},
        {"list.txt -d 2 -s 3 --refType=gene", "\nerror: unknown type of reference occurrence: gene"},
        {"list.txt -d 2 -s 3 --verbose", "\nerror: unmatched option: --verbose\n"},
        {"list.txt -d 2 -s 3 --format=csv", "\nerror: unknown output format: csv"},
        {"list.txt -d 2 -s 3 --progress=bar", "\nerror: unknown progress form: bar"},
        {"list.txt -d 2 -s 3 --max-memory 0", "\nerror: invalid value of --max-memory: 0\n"},
        {"list.txt -d 2 -s 3 --max-memory=2KB", "\nerror: invalid value of --max-memory: 2KB\n"},
        {"list.txt -r -d 2 -s 3 --shard 3/2", "\nerror: invalid value of --shard: 3/2 (I/N with 1 <= I <= N)\n"},
        {"list.txt -m -d 2 -s 3 --shard 1/2",
         "\nerror: --shard splits reference-based and perfect runs (-r, -p) only\n"},
        {"missing.txt -d 3", "error: input file \"missing.txt\" does not exist\n"},
        {"list.txt -s 3", "error: negative distance threshold -1\n"},
        {"list.txt -p -d 1 -s 3", "error: distance threshold not zero in perfect gene cluster mode\n"},
        {"list.txt -r -d 2 --refType=genome", "error: no minimum size threshold given\n"},
        {"list.txt -m -d 2 -s 3 --refType=genome", "error: refType specified in median mode\n"},
        {"list.txt -c -d 2 -s 3 --refType=discovery", "error: refType specified in center mode\n"},
        {"list.txt -c -d 2 -s 3 -q 2 --qType=proportionateCost",
         "error: quorum type 'r' incompatible with search mode 'c'\n"},
        {"list.txt -d 2 -s 3 --qType=sizeDependentCost",
         "error: quorum type specified but no quorum parameter given\n"},
        {"list.txt -d 2 -s 3 --refType=cluster", "error: no minSize threshold needed for fixed ref chromosome\n"},
        // Whole words: an option with its value glued on is no option.
        {"list.txt -d 2 -s 3 -q2",
         "\nerror: unmatched option: -q2\n(options and their values are separate words: -q 2)\n"},
        {"list.txt -d1 -s 3", "\nerror: unmatched option: -d1\n(options and their values are separate words: -d 1)\n"},
        {"list.txt -d 2 -s 3 -x", "\nerror: unmatched option: -x\n"},
        {"list.txt -d 2 -s 3 -noLRx", "\nerror: unmatched option: -noLRx\n"},
        {"list.txt -d 2 stray -s 3",
         "\nerror: unexpected argument \"stray\" (the genome list is \"list.txt\"; every "
         "other word is an option or its value)\n"},
        {"list.txt -d 2 -s 3 -m --", "\nerror: \"--\" must be followed by the genome list\n"},
        {"list.txt -d 2 -s 3 --format", "\nerror: no value given for --format\n"},
        {"list.txt -d 2 -s 3 -r --help=yes", "\nerror: --help takes no value\n"},
        {"list.txt -d 2 -s 3 -r=1", "\nerror: unmatched option: -r=1\n"},
        // Numbers: whole decimal numbers in range, quoted as typed.
        {"list.txt -d 3x -s 3", "\nerror: invalid value of delta: 3x"},
        {"list.txt -d '' -s 3", "\nerror: invalid value of delta: \"\" (empty)"},
        {"list.txt -d 1e3 -s 3", "\nerror: invalid value of delta: 1e3"},
        {"list.txt -d 1.5 -s 3", "\nerror: invalid value of delta: 1.5"},
        {"list.txt -d ' 1' -s 3", "\nerror: invalid value of delta:  1"},
        {"list.txt -d -1 -s 3", "\nerror: invalid value of delta: -1"},
        {"list.txt -d 99999999999 -s 3", "\nerror: invalid value of delta: 99999999999 (at most 2147483647)"},
        {"list.txt -d 2 -s 99999999999", "\nerror: invalid value of s: 99999999999 (at most 2147483647)"},
        {"list.txt -d 2 -s 3 -q 99999999999999999999999",
         "error: invalid value of q: 99999999999999999999999 (at most 2147483647)"},
        {"list.txt -r -d 2 -s 3 -t 100000", "\nerror: invalid value of t: 100000 (at most 1024)"},
        {"list.txt -r -d 2 -s 3 --threads=0", "\nerror: invalid value of t: 0"},
        // An option where the output name belongs.
        {"list.txt -d 2 -s 3 -o -o f",
         "\nerror: no outputfile specified: -o is followed by \"-o\" (for a file of that name "
         "write ./-o)\n"},
        {"list.txt -d 2 -s 3 -o ''", "\nerror: no outputfile specified\n"},
        // Only regular files are read, and none is opened here (a pipe would block).
        {"fifo -d 2 -s 3", "error: input file \"fifo\" cannot be read: it is a pipe (FIFO), not a regular file\n"},
        {"sub -d 2 -s 3", "error: input file \"sub\" cannot be read: it is a folder, not a file\n"},
        {"/dev/zero -d 2 -s 3", "error: input file \"/dev/zero\" cannot be read: it is a device, not a regular file\n"},
        {"loop1 -d 2 -s 3", "error: input file \"loop1\" cannot be read: Too many levels of symbolic links\n"},
    };
    ASSERT_EQ(0, std::system(("cd '" + data.dir.path() +
                              "' && mkfifo fifo && mkdir sub && ln -s loop1 loop2 && "
                              "ln -s loop2 loop1")
                                 .c_str()));
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

// Output names that cannot be written, or would overwrite an input, are
// refused before the search, and the inputs stay as they were.
TEST(Cli, OutputNamesRefusedBeforeTheSearch) {
    SmallData data;
    ASSERT_EQ(0,
              std::system(("cd '" + data.dir.path() + "' && mkdir sub && ln genomes.txt genomes.genFamStat").c_str()));
    const std::string list = readFile(data.dir.file("genomes.txt"));
    const std::string annotation = readFile(data.dir.file("annotation.txt"));
    const std::pair<std::string, std::string> cases[] = {
        {"-o no/such/folder/x.out", "Can't open output file: no/such/folder/x.out\n"},
        {"-o sub", "Can't open output file: sub\n"},
        {"-o genomes.txt", "error: output file \"genomes.txt\" is the input file \"genomes.txt\""},
        {"-o ./sub/../annotation.txt", "is the input file \""},
        // A hard link: the statistics file of "-o genomes.out" would empty the list.
        {"-o genomes.out --format=json", "error: output file \"genomes.genFamStat\" is the input file"},
    };
    for (const auto& [args, message] : cases) {
        RunResult result = runZub("genomes.txt -r -d 1 -s 3 " + args, data.dir.path());
        EXPECT_EQ(1, result.status) << args;
        EXPECT_NE(std::string::npos, result.err.find(message)) << args << ": " << result.err;
        EXPECT_EQ(std::string::npos, result.out.find("computing")) << args << ": searched before refusing";
        EXPECT_EQ(list, readFile(data.dir.file("genomes.txt")));
        EXPECT_EQ(annotation, readFile(data.dir.file("annotation.txt")));
    }
}

// Queries the genomes cannot take, and searches past the memory limit, end
// with one message and exit 1, leaving no output table.
TEST(Cli, RunsEndingWithAMessage) {
    SmallData data;
    const std::pair<const char*, const char*> cases[] = {
        {"-m -d 2 -s 3 -q 4", "error: quorum 4 is larger than the number of genomes (3)\n"},
        {"-m -d 2147483647 -s 3", "error: distance threshold 2147483647 too large for 3 genomes"},
        {"-c -d 1 -s 3 --max-memory 1K", "error: center search stopped: it needs more than 1 KB of memory"},
    };
    for (const auto& [args, message] : cases) {
        RunResult run = runZub(std::string("genomes.txt -o x.out ") + args, data.dir.path());
        EXPECT_EQ(1, run.status) << args;
        EXPECT_NE(std::string::npos, run.err.find(message)) << args << ": " << run.err;
        EXPECT_FALSE(fileExists(data.dir.file("x.out"))) << args;
    }
}

TEST(Cli, FailedWritesAreReported) {
    SmallData data;
    // A full disk under the report: the run fails instead of pretending success.
    RunResult run = runZub("genomes.txt -r -d 1 -s 3", data.dir.path(), "/dev/full");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("error: writing to standard output failed\n"));
}

// The output table appears only complete: a failing or abandoned write
// leaves the older file and no temporary file.
TEST(Cli, OutputFileIsReplacedOnlyWhenComplete) {
    TempDir dir;
    const std::string target = dir.file("out.tsv");
    writeFile(target, "older\n");
    auto files = [&] { return std::distance(std::filesystem::directory_iterator(dir.path()), {}); };
    {
        tamsu::AtomicOutputFile out(target);
        std::fputs("half a table", out.get());
        // Reading a write-only stream sets its error flag, as a full disk would.
        EXPECT_EQ(EOF, std::fgetc(out.get()));
        EXPECT_NE("", errorOf([&] { out.commit(); }));
    }
    {
        tamsu::AtomicOutputFile abandoned(target);
        std::fputs("abandoned", abandoned.get());
        EXPECT_EQ(2, files());
    }
    EXPECT_EQ("older\n", readFile(target));
    EXPECT_EQ(1, files());
    tamsu::AtomicOutputFile out(target);
    std::fputs("new\n", out.get());
    out.commit();
    EXPECT_EQ("new\n", readFile(target));
    EXPECT_EQ(1, files());
}

// The short progress forms: into a pipe one whole line per whole percent
// reached, ascending up to 100; or none at all.
TEST(Cli, ProgressForms) {
    SmallData data;
    for (const char* mode : {"-r -d 1 -s 3", "-m -d 2 -s 3"}) {
        RunResult percent = runZub(std::string("genomes.txt --progress=percent ") + mode, data.dir.path());
        ASSERT_EQ(0, percent.status) << percent.err;
        std::istringstream lines(percent.out);
        int count = 0, last = -1;
        for (std::string line; std::getline(lines, line);) {
            if (line.find("progress") == std::string::npos) continue;
            int value = -1;
            ASSERT_EQ(1, std::sscanf(line.c_str(), "progress: %d %%", &value)) << line;
            EXPECT_EQ(line, formatText("progress: %d %%", value));
            EXPECT_GT(value, last);
            last = value;
            ++count;
        }
        EXPECT_EQ(100, last);
        EXPECT_LE(count, 101);
        EXPECT_EQ(std::string::npos,
                  runZub(std::string("genomes.txt --progress=none ") + mode, data.dir.path()).out.find("progress"));
    }
}

// Where the reports go: --quiet drops them (the percentage stays on request),
// --log writes them to a file, --no-pause only stops the listing waiting;
// the output file stays the same byte for byte.
TEST(Cli, QuietLoggedAndUnpausedRuns) {
    SmallData data;
    const std::string query = "genomes.txt -r -d 1 -s 3 -q 2 -o out.tsv";
    const RunResult plain = runZub(query, data.dir.path());
    ASSERT_EQ(plain.status, 0) << plain.err;
    const std::string table = readFile(data.dir.file("out.tsv"));
    const struct {
        const char* options;
        std::string out, err;
    } cases[] = {
        {"--quiet", "", ""},
        {"--no-pause", plain.out, plain.err},
        {"--log run.log", "", ""},
        {"--quiet --log run.log", "", ""},
    };
    for (const auto& c : cases) {
        const RunResult run = runZub(query + " " + c.options, data.dir.path());
        EXPECT_EQ(run.status, 0) << c.options << run.err;
        EXPECT_EQ(run.out, c.out) << c.options;
        EXPECT_EQ(run.err, c.err) << c.options;
        EXPECT_EQ(readFile(data.dir.file("out.tsv")), table) << c.options;
    }
    // The log holds what the terminal would have shown, both streams: from
    // the announcement to the reference clusters and the listing.
    const std::string log = readFile(data.dir.file("run.log"));
    EXPECT_EQ(log.find("reading query parameters\n"), 0u);
    EXPECT_NE(log.find("Reference Occurrence:"), std::string::npos);
    EXPECT_NE(log.find("gene cluster list of size"), std::string::npos);
    const RunResult percent = runZub(query + " --quiet --progress=percent", data.dir.path());
    EXPECT_EQ(percent.out.find("progress: 0 %\n"), 0u) << percent.out;
    EXPECT_EQ(percent.out.find("Reference"), std::string::npos);
    EXPECT_EQ(runZub(query + " --log genomes.txt", data.dir.path()).err.find("error: output file \"genomes.txt\" is "),
              0u);
}

// --help and -h print the usage on standard output with status 0, for zub
// and each subcommand, wherever they stand before an error; --version the
// version of the build.
TEST(Cli, HelpAndVersion) {
    SmallData data;
    const std::string usage = readFile(kGolden + "/usage.txt").substr(1);
    for (const char* args : {"--help", "-h", "genomes.txt -r -d 1 --help", "-- genomes.txt -h"}) {
        const RunResult run = runZub(args, data.dir.path());
        EXPECT_EQ(0, run.status) << args;
        EXPECT_EQ(usage, run.out) << args;
        EXPECT_EQ("", run.err) << args;
    }
    for (const char* command : {"convert", "families", "plot", "explain", "merge", "report"})
        for (const char* help : {"--help", "-h"}) {
            const RunResult run = runZub(std::string(command) + " " + help, data.dir.path());
            EXPECT_EQ(0, run.status) << command;
            EXPECT_EQ(0u, run.out.find(std::string("Usage: zub ") + command + " ")) << run.out;
            EXPECT_EQ("", run.err);
            // The same text follows each of its errors.
            const RunResult refused = runZub(std::string(command) + " --no-such-option", data.dir.path());
            EXPECT_EQ(1, refused.status);
            EXPECT_EQ(
                "error: " + std::string(command == std::string("explain") ? "unknown argument" : "unknown option") +
                    ": --no-such-option\n\n" + run.out,
                refused.err);
        }
    for (const char* args : {"--version", "genomes.txt --version", "plot --version"}) {
        const RunResult run = runZub(args, data.dir.path());
        EXPECT_EQ(0, run.status);
        EXPECT_EQ(std::string("zub ") + tamsu::version() + "\n", run.out);
    }
    EXPECT_EQ(std::string(tamsu::version()).find_first_not_of("0123456789."), std::string::npos);
}

// The spellings besides the usage's own give the same run: --threads for -t,
// -noNum for -noNUM, "--name value" for "--name=value", the genome list after
// the options; "--" and "./" give a genome list named like a command.
TEST(Cli, AcceptedSpellings) {
    SmallData data;
    const RunResult base = runZub("genomes.txt -r -d 1 -s 3 -t 1 --format=json -o a.json", data.dir.path());
    ASSERT_EQ(0, base.status) << base.err;
    // The JSON header records the words as typed; the rest is the same.
    auto withoutCommand = [&data] {
        std::string json = readFile(data.dir.file("a.json"));
        const size_t start = json.find("\"command\": [");
        return start == std::string::npos ? json : json.erase(start, json.find(']', start) - start);
    };
    const std::string table = withoutCommand();
    for (const char* args : {"genomes.txt -r -d 1 -s 3 --threads 1 --format json -o a.json",
                             "-r -d 1 -s 3 --threads=2 --format=json -o a.json genomes.txt",
                             "-r -d 1 -s 3 -noNum -noNUM --format=json -o a.json -- genomes.txt"}) {
        const RunResult run = runZub(args, data.dir.path());
        EXPECT_EQ(0, run.status) << args << run.err;
        EXPECT_EQ(base.out, run.out) << args;
        EXPECT_EQ(table, withoutCommand()) << args;
    }
    copyInto(kSmall + "/genomes.txt", data.dir.path(), "merge");
    for (const char* args : {"-- merge -r -d 1 -s 3", "./merge -r -d 1 -s 3"}) {
        const RunResult run = runZub(args, data.dir.path());
        EXPECT_EQ(0, run.status) << args << run.err;
    }
    EXPECT_TRUE(fileExists(data.dir.file("merge_d1_s3_r.out")));
    EXPECT_TRUE(fileExists(data.dir.file("merge_d1_s3_r.genFamStat")));
}

// The statistics file takes the output name without its extension; an output
// device has none beside it.
TEST(Cli, StatisticsFileNames) {
    SmallData data;
    const std::string statistics = readFile(kGolden + "/reference.genFamStat");
    const std::pair<const char*, const char*> cases[] = {{"r.json", "r.genFamStat"},
                                                         {"myresult", "myresult.genFamStat"},
                                                         {"x.out", "x.genFamStat"},
                                                         {"sub.d/t", "sub.d/t.genFamStat"},
                                                         {"a.b.tsv", "a.b.genFamStat"}};
    ASSERT_EQ(0, std::system(("mkdir '" + data.dir.file("sub.d") + "'").c_str()));
    for (const auto& [output, name] : cases) {
        const RunResult run = runZub(std::string("genomes.txt -r -d 1 -s 3 -o ") + output, data.dir.path());
        EXPECT_EQ(0, run.status) << output << run.err;
        EXPECT_EQ(statistics, readFile(data.dir.file(name))) << output;
        EXPECT_NE(std::string::npos, run.out.find(std::string("written to \"") + name + "\"")) << output;
    }
    const auto before = std::distance(std::filesystem::directory_iterator(data.dir.path()), {});
    const RunResult device = runZub("genomes.txt -r -d 1 -s 3 -o /dev/null", data.dir.path());
    EXPECT_EQ(0, device.status) << device.err;
    EXPECT_EQ(std::string::npos, device.out.find("gene family statistics"));
    EXPECT_EQ(before, std::distance(std::filesystem::directory_iterator(data.dir.path()), {}));
    EXPECT_FALSE(fileExists("/dev/.genFamStat"));
    EXPECT_FALSE(fileExists("/dev/null.genFamStat"));
}

// A run that fails, whenever it fails, leaves the output file and the
// statistics file as they were and no temporary file.
TEST(Cli, FailedRunsLeaveEveryFile) {
    SmallData data;
    writeFile(data.dir.file("x.out"), "older table\n");
    writeFile(data.dir.file("x.genFamStat"), "older statistics\n");
    writeFile(data.dir.file("bad.txt"), "SOURCE: annotation.txt\nalpha:alpha_chr\nbeta:alpha_chr\n");
    const std::pair<const char*, const char*> cases[] = {
        {"genomes.txt -c -d 1 -s 3 --max-memory 1K", "error: center search stopped"},
        {"genomes.txt -m -d 2 -s 3 -q 4", "error: quorum 4 is larger than the number of genomes (3)\n"},
        {"bad.txt -r -d 1 -s 3", "error: chromosome \"alpha_chr\" in line 3 of \"bad.txt\" is listed before"},
    };
    for (const auto& [args, message] : cases) {
        const RunResult run = runZub(std::string(args) + " -o x.out", data.dir.path());
        EXPECT_EQ(1, run.status) << args;
        EXPECT_NE(std::string::npos, run.err.find(message)) << args << ": " << run.err;
        EXPECT_EQ("older table\n", readFile(data.dir.file("x.out")));
        EXPECT_EQ("older statistics\n", readFile(data.dir.file("x.genFamStat")));
        for (const auto& entry : std::filesystem::directory_iterator(data.dir.path()))
            EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".tmp")) << entry.path();
    }
}

// Two runs of different genome lists with the same output name at once leave
// the table and the statistics of one of them, never one of each.
TEST(Cli, ConcurrentRunsLeaveOneRunsFiles) {
    SmallData data;
    const std::string zub = TAMSU_ZUB;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string command =
            "cd '" + data.dir.path() + "' && ('" + zub + "' genomes.txt -r -d 1 -s 3 --format=json -o same.json & '" +
            zub +
            "' queryList.txt --refType=cluster -d 1 --format=json -o same.json & wait) </dev/null >/dev/null 2>&1";
        ASSERT_EQ(0, std::system(command.c_str()));
        const bool queryTable =
            nlohmann::json::parse(readFile(data.dir.file("same.json"))).at("header").at("genomeList") ==
            "queryList.txt";
        const bool queryStatistics = readFile(data.dir.file("same.genFamStat")).find("query_chr") != std::string::npos;
        EXPECT_EQ(queryTable, queryStatistics) << "attempt " << attempt;
    }
}

// Runs zub with a standard output whose reading end is closed before it
// starts, as "zub ... | head -c 100" is once head has ended.
RunResult runWithClosedOutput(const std::string& args, const std::string& cwd) {
    TempDir capture;
    int fds[2];
    if (::pipe(fds) != 0) return {};
    ::close(fds[0]);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[1]);
        const std::string command =
            "cd '" + cwd + "' && exec '" TAMSU_ZUB "' " + args + " </dev/null 2>'" + capture.file("err") + "'";
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    int raw = 0;
    ::waitpid(child, &raw, 0);
    RunResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    result.err = readFile(capture.file("err"));
    return result;
}

// A closed standard output ends every command with the message and status 1,
// not with SIGPIPE, and leaves no file (a temporary one least of all).
TEST(Cli, ClosedStandardOutput) {
    SmallData data;
    for (const char* args :
         {"genomes.txt -r -d 1 -s 3", "genomes.txt -m -d 2 -s 3", "genomes.txt -r -d 1 -s 3 --shard 1/2", "--help",
          "explain genomes.txt --genes 1,2,3 -r -d 1 -s 3"}) {
        const RunResult run = runWithClosedOutput(args, data.dir.path());
        EXPECT_EQ(1, run.status) << args;
        EXPECT_NE(std::string::npos, run.err.find("error: writing to standard output failed\n")) << args << run.err;
        EXPECT_EQ(run.err.find("error: writing"), run.err.rfind("error: writing")) << args << ": reported once";
        for (const auto& entry : std::filesystem::directory_iterator(data.dir.path())) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "genomes.txt" || name == "annotation.txt" || name == "queryList.txt")
                << args << ": " << name;
        }
    }
}

// The names in a folder, sorted.
std::vector<std::string> folderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A search stopped by an interrupt or a termination signal ends by that
// signal, as an unhandled one would end it, and leaves no file behind: its
// temporary output files least of all.
TEST(Cli, SignalledRunsLeaveNoFile) {
    TempDir data;
    // Long enough (seconds) for the signal to come during the search.
    ASSERT_EQ(0, std::system(("'" TAMSU_GENERATOR "' '" + data.path() + "' 40 2000 20261206 20 >/dev/null").c_str()));
    const std::vector<std::string> inputs = folderNames(data.path());
    for (int signal : {SIGINT, SIGTERM}) {
        const pid_t child = ::fork();
        if (child == 0) {
            // A test runner may have been started with interrupts ignored.
            std::signal(SIGINT, SIG_DFL);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0), ::dup2(null, 1), ::dup2(null, 2);
            if (::chdir(data.path().c_str()) == 0)
                ::execl(TAMSU_ZUB, "zub", "genomes.txt", "-r", "-d", "1", "-s", "4", "-q", "20", "-o", "run.out",
                        static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // The temporary output file is made before the search starts.
        bool searching = false;
        for (int wait = 0; wait < 3000 && !searching; ++wait) {
            for (const std::string& name : folderNames(data.path()))
                if (name.find(".tmp") != std::string::npos) searching = true;
            if (!searching) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(searching) << "no temporary output file appeared";
        ::kill(child, signal);
        int raw = 0;
        ::waitpid(child, &raw, 0);
        EXPECT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == signal) << "signal " << signal << ", status " << raw;
        EXPECT_EQ(inputs, folderNames(data.path())) << "signal " << signal;
    }
}

// An output folder that the run cannot write into fails before the search,
// with the reason; an output name that is its own statistics file is refused.
TEST(Cli, UnwritableOutputFolder) {
    SmallData data;
    // Root writes into read-only folders, but not into /proc.
    const bool root = ::geteuid() == 0;
    ASSERT_EQ(0,
              std::system(("mkdir '" + data.dir.file("ro") + "' && chmod 555 '" + data.dir.file("ro") + "'").c_str()));
    const std::string output = root ? "/proc/x.out" : "ro/x.out";
    const std::string folder = root ? "/proc" : "ro";
    const RunResult run = runZub("genomes.txt -r -d 1 -s 3 -o " + output, data.dir.path());
    EXPECT_EQ(1, run.status);
    const std::string message =
        "Can't open output file: " + output + "\nerror: cannot create a file in \"" + folder + "\": ";
    EXPECT_EQ(0u, run.err.find(message)) << run.err;
    EXPECT_GT(run.err.size(), message.size() + 2) << "the reason";
    EXPECT_EQ(std::string::npos, run.out.find("computing"));
    if (!root) {
        EXPECT_NE(std::string::npos, run.err.find("Permission denied"));
    }

    const RunResult itself = runZub("genomes.txt -r -d 1 -s 3 -o x.genFamStat", data.dir.path());
    EXPECT_EQ(1, itself.status);
    EXPECT_EQ("error: the output file \"x.genFamStat\" would be its own statistics file; choose another name (-o)\n",
              itself.err);
}

// The whole numbers of the argument reader.
TEST(Cli, WholeNumbers) {
    EXPECT_EQ(42, wholeNumber("42")->value);
    EXPECT_EQ(-7, wholeNumber("-7")->value);
    EXPECT_EQ(7, wholeNumber("+7")->value);
    EXPECT_EQ(7, wholeNumber("007")->value);
    EXPECT_TRUE(wholeNumber("99999999999999999999")->tooLarge);
    for (const char* text : {"", "-", "+", " 1", "1 ", "1x", "0x10", "1e3", "1.5", "--1"})
        EXPECT_FALSE(wholeNumber(text).has_value()) << text;
}

}  // namespace
