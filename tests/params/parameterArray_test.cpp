// The parameter record in process: parsing, default output names, the
// parameter print, the derived values and the release report. (Every error
// text of the command line is pinned through the binary in commandLine_test.)
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "params/parameterArray.h"
#include "testUtil.h"
#include "util/errors.h"

namespace {

// readParameters on a command line (argv[0] added); its stdout line is checked.
std::unique_ptr<ParameterArray> parse(const std::vector<std::string>& args) {
    std::vector<const char*> argv = {"zub"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    std::unique_ptr<ParameterArray> params;
    EXPECT_EQ("reading query parameters\n",
              stdoutOf([&] { params = readParameters(static_cast<int>(argv.size()), argv.data()); }));
    return params;
}

ParameterArray make(char mode, int delta, int s, bool hasQuorum = false, int q = -1, char qtype = '?',
                    char refType = '?') {
    return *initParameterArray(delta, s, 0.0, mode == 'c', true, true, hasQuorum, q, qtype, mode, "run.out",
                               false, refType);
}

// The parsed record as "mode center delta s quorum q qtype refType NUM LR outfileBase".
std::string parsed(const std::vector<std::string>& args) {
    auto p = parse(args);
    return formatText("%c %d %d %d %d %d %c %c %d %d %s", p->operationMode, p->isCenter, p->delta, p->minClusterSize,
                      p->hasQuorum, p->q, p->qtype, p->refType, p->useNUM, p->useLR, p->outfileBase.c_str());
}

TEST(ReadParameters, FillsTheRecord) {
    TempDir dir;
    const std::string list = dir.file("list.txt");
    writeFile(list, "");
    EXPECT_EQ("c 1 2 5 1 3 z ? 0 0 a",
              parsed({list, "-c", "-d", "2", "-s", "5", "-q", "3", "-noNUM", "-noLR", "-o", "a.out"}));
    // "-noNum" is not the space option; the last of repeated options wins.
    EXPECT_EQ("m 0 3 2 0 -1 ? ? 1 1 b",
              parsed({list, "-d", "7", "-s", "2", "-noNum", "-d", "  +3", "-c", "-m", "-o", "b.out"}));
    // "-r" and "-p" leave the center switch as it was; a reference type alone selects mode 'r'.
    EXPECT_EQ("r 1 1 2 0 -1 ? ? 1 1 c", parsed({list, "-c", "-r", "-d", "1", "-s", "2", "-o", "c.out"}));
    EXPECT_EQ("r 0 1 2 0 -1 ? g 1 1 c", parsed({list, "--refType=genome", "-d", "1", "-s", "2", "-o", "c.out"}));
    // Perfect mode: delta 0 and discovery by default; an explicit type stays.
    EXPECT_EQ("p 0 0 2 0 -1 ? d 1 1 c", parsed({list, "-p", "-s", "2", "-o", "c.out"}));
    EXPECT_EQ("p 0 0 2 0 -1 ? g 1 1 c", parsed({list, "-p", "-s", "2", "-d", "0", "--refType=genome", "-o", "c.out"}));
}

TEST(CreateNameForOutFile, StemTextsModeAndQuorum) {
    EXPECT_EQ("data/list_d3_s4_c_q2.out", createNameForOutFile("3", "4", true, 'c', "2", "data/list.txt"));
    // The name stays beside the list: relative prefixes and dotted folders are kept.
    EXPECT_EQ("./x_d0_s5_p.out", createNameForOutFile("0", "5", false, 'p', std::nullopt, "./x.txt"));
    EXPECT_EQ("../up/l_d1_s2_r.out", createNameForOutFile("1", "2", false, 'r', std::nullopt, "../up/l.txt"));
    EXPECT_EQ("my.dir/list_d03_s2_m.out",
              createNameForOutFile("03", "2", false, 'm', std::nullopt, "my.dir/list.txt"));
    EXPECT_EQ("dir/.hidden_d1_s2_m.out", createNameForOutFile("1", "2", false, 'm', std::nullopt, "dir/.hidden.txt"));
    EXPECT_EQ("genomes_d1_s2_m.out", createNameForOutFile("1", "2", false, 'm', std::nullopt, "genomes.v2.txt"));
    EXPECT_EQ("list_d1_s_r.out", createNameForOutFile("1", std::nullopt, false, 'r', std::nullopt, "list"));
    EXPECT_EQ("_d1_s2_m_q3.out", createNameForOutFile("1", "2", false, 'x', "3", ""));
    EXPECT_EQ("..._d1_s2_m.out", createNameForOutFile("1", "2", false, 'm', std::nullopt, "..."));
}

TEST(FprintParameterArray, ModesQuorumsAndValues) {
    auto text = [](const ParameterArray& p) { return captured([&](FILE* f) { fprintParameterArray(f, p); }); };
    const std::string head = "\n\t*** Query parameters: ***\n";
    const std::string tail = "\tminOccSize:\t0.000000\n\toutfile:\trun.out\n\n";

    EXPECT_EQ(head + "\tmode:\t\tmedian\n\tdelta:\t\t3\n\ts:\t\t4\n" + tail, text(make('m', 3, 4)));
    EXPECT_EQ(head + "\tmode:\t\tcenter\n\tdelta:\t\t2\n\ts:\t\t5\n\tq:\t\t3 (no cost)\n" + tail,
              text(make('c', 2, 5, true, 3, 'z')));
    EXPECT_EQ(head + "\tmode:\t\tmedian\n\tdelta:\t\t3\n\ts:\t\t4\n\tq:\t\t2 (proportionate cost)\n" + tail,
              text(make('m', 3, 4, true, 2, 'r')));
    EXPECT_EQ(head + "\tmode:\t\tmedian\n\tdelta:\t\t3\n\ts:\t\t4\n\tq:\t\t2 (size dependent cost)\n" + tail,
              text(make('m', 3, 4, true, 2, 's')));

    const struct {
        char mode, refType;
        const char* line;
    } lines[] = {
        {'r', 'd', "\tmode:\t\treference-based (discovery)\n"},
        {'r', 'g', "\tmode:\t\treference-based (fixed genome)\n"},
        {'r', 'c', "\tmode:\t\treference-based (fixed gene set)\n"},
        {'p', 'd', "\tmode:\t\tperfect (discovery)\n"},
        {'p', 'g', "\tmode:\t\tperfect (fixed genome)\n"},
        {'p', 'c', "\tmode:\t\tperfect (fixed gene set)\n"},
        {'r', '?', ""},
        {'p', '?', ""},
    };
    for (const auto& l : lines)
        EXPECT_EQ(head + l.line + "\tdelta:\t\t0\n\ts:\t\t-1\n" + tail,
                  text(make(l.mode, 0, -1, false, -1, '?', l.refType)))
            << l.mode << l.refType;

    // A quorum with an unknown cost type prints no quorum line; minOccSize in %f.
    ParameterArray p = make('m', 1, 2, true, 2, '\0');
    p.minOccSize = 0.25;
    EXPECT_EQ(head + "\tmode:\t\tmedian\n\tdelta:\t\t1\n\ts:\t\t2\n\tminOccSize:\t0.250000\n\toutfile:\trun.out\n\n",
              text(p));
}

TEST(SetDerivedParameters, CenterMedianAndQuorumExamples) {
    const int _ = INT_MIN;  // not checked
    const struct {
        ParameterArray params;
        int genomes;
        std::vector<int> derived;  // delta, pwDelta, maxOccDist, maxDistToCenter, maxSumDist, d, minRefSize, q
    } cases[] = {
        {make('c', 2, 7), 4, {8, 2, 4, 2, 8, 12, 7 - 2, _}},
        {make('m', 5, 7), 3, {5, _, 5, _, 5, 6, 7 - 1, _}},
        // One genome: d = 0; reference modes derive like the median.
        {make('r', 3, 4), 1, {_, _, 3, _, _, 0, 1, _}},
        // q becomes the number of genomes that may lack the cluster; without
        // a quorum (whatever q holds) none may.
        {make('m', 1, 2, true, 3, 'z'), 4, {_, _, _, _, _, _, _, 1}},
        {make('m', 1, 2, false, 9, '\0'), 4, {_, _, _, _, _, _, _, 0}},
        {make('r', 1, 2), 4, {_, _, _, _, _, _, _, 0}},
    };
    for (auto c : cases) {
        setDerivedParameters(c.params, c.genomes);
        const ParameterArray& p = c.params;
        std::vector<int> actual = {p.delta, p.pwDelta, p.maxOccDist, p.maxDistToCenter, p.maxSumDist, p.d,
                                   p.minRefSize, p.q};
        for (size_t i = 0; i < actual.size(); ++i) actual[i] = c.derived[i] == _ ? _ : actual[i];
        EXPECT_EQ(c.derived, actual) << p.operationMode << " " << c.genomes;
    }
}

TEST(SetDerivedParameters, RefusesWhatCannotBeDerived) {
    ParameterArray p = make('m', 1, 2);
    EXPECT_THROW(setDerivedParameters(p, 0), TamsuError);
    EXPECT_NE(std::string::npos, errorOf([&] { setDerivedParameters(p, -1); }).find("at least one genome"));
    ParameterArray huge = make('c', 2000000000, 2);
    EXPECT_THROW(setDerivedParameters(huge, 3), TamsuError);
}

TEST(InitParameterArray, OutfileBaseAndRelease) {
    auto base = [](const std::string& name) {
        return initParameterArray(1, 1, 0.0, false, true, true, false, -1, '?', 'm', name, false, '?')->outfileBase;
    };
    EXPECT_EQ("dummy", base("dummy.out"));
    EXPECT_EQ("", base(".out"));
    EXPECT_EQ("a", base("a.txt"));
    EXPECT_EQ("abc", base("abc"));  // too short for an extension: kept whole
    EXPECT_EQ("", base(""));

    auto p = initParameterArray(1, 2, 0.5, false, true, false, true, 3, 'z', 'm', "dummy.out", true, '?');
    EXPECT_EQ("outfile: dummy.out\noutfile: dummy\n", stderrOf([&] { freeParameterArray(p); }));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ("", stderrOf([&] { freeParameterArray(p); }));  // nothing to release, nothing printed
}

}  // namespace
