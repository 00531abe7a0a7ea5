// The parameter record: in-process parsing, default output names, the
// parameter print, the derived values and the release report.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "params/parameterArray.h"
#include "testUtil.h"
#include "util/errors.h"

namespace {

// What a printer writes to a stream.
template <class Print>
std::string printed(Print print) {
    FILE* file = std::tmpfile();
    print(file);
    std::fflush(file);
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
    std::fclose(file);
    return text;
}

const std::string kUsageText = printed([](FILE* f) { fprintUsage(f); });

// readParameters on a command line (argv[0] added); its stdout line is checked.
std::unique_ptr<ParameterArray> parse(const std::vector<std::string>& args) {
    std::vector<const char*> argv = {"zub"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    testing::internal::CaptureStdout();
    std::unique_ptr<ParameterArray> params;
    try {
        params = readParameters(static_cast<int>(argv.size()), argv.data());
    } catch (...) {
        EXPECT_EQ("reading query parameters\n", testing::internal::GetCapturedStdout());
        throw;
    }
    EXPECT_EQ("reading query parameters\n", testing::internal::GetCapturedStdout());
    return params;
}

// The text a failing command line throws (message + usage, for stderr).
std::string parseError(const std::vector<std::string>& args) {
    try {
        parse(args);
    } catch (const TamsuError& error) {
        EXPECT_EQ(stderr, error.stream());
        return error.text();
    }
    ADD_FAILURE() << "no error";
    return "";
}

ParameterArray make(char mode, int delta, int s, bool hasQuorum = false, int q = -1, char qtype = '?',
                    char refType = '?') {
    return *initParameterArray(delta, s, 0.0, mode == 'c', true, true, hasQuorum, q, qtype, mode, "run.out",
                               false, refType);
}

TEST(ReadParameters, FillsTheRecord) {
    TempDir dir;
    const std::string list = dir.file("list.txt");
    writeFile(list, "");

    auto p = parse({list, "-c", "-d", "2", "-s", "5", "-q", "3", "-noNUM", "-noLR", "-o", "a.out"});
    EXPECT_EQ('c', p->operationMode);
    EXPECT_TRUE(p->isCenter);
    EXPECT_EQ(2, p->delta);
    EXPECT_EQ(5, p->minClusterSize);
    EXPECT_TRUE(p->hasQuorum);
    EXPECT_EQ(3, p->q);
    EXPECT_EQ('z', p->qtype);
    EXPECT_EQ('?', p->refType);
    EXPECT_FALSE(p->useNUM);
    EXPECT_FALSE(p->useLR);
    EXPECT_FALSE(p->gui);
    EXPECT_EQ(0.0, p->minOccSize);
    EXPECT_EQ(-1, p->d);
    EXPECT_EQ(-1, p->minRefSize);
    EXPECT_EQ("a.out", p->outfile);
    EXPECT_EQ("a", p->outfileBase);

    // "-noNum" is not the space option; the last of repeated options wins.
    p = parse({list, "-d", "7", "-s", "2", "-noNum", "-d", "  +3", "-c", "-m", "-o", "b.out"});
    EXPECT_TRUE(p->useNUM);
    EXPECT_EQ(3, p->delta);
    EXPECT_EQ('m', p->operationMode);
    EXPECT_FALSE(p->isCenter);
    EXPECT_FALSE(p->hasQuorum);
    EXPECT_EQ('?', p->qtype);

    // "-r" and "-p" leave the center switch as it was.
    p = parse({list, "-c", "-r", "-d", "1", "-s", "2", "-o", "c.out"});
    EXPECT_EQ('r', p->operationMode);
    EXPECT_TRUE(p->isCenter);

    // A reference type alone selects mode 'r'.
    p = parse({list, "--refType=genome", "-d", "1", "-s", "2", "-o", "c.out"});
    EXPECT_EQ('r', p->operationMode);
    EXPECT_EQ('g', p->refType);

    // Perfect mode: delta 0 and discovery by default; an explicit type stays.
    p = parse({list, "-p", "-s", "2", "-o", "c.out"});
    EXPECT_EQ(0, p->delta);
    EXPECT_EQ('d', p->refType);
    p = parse({list, "-p", "-s", "2", "-d", "0", "--refType=genome", "-o", "c.out"});
    EXPECT_EQ('g', p->refType);
}

TEST(ReadParameters, ErrorsCarryMessageAndUsage) {
    EXPECT_EQ("error: no genome list given\n" + kUsageText, parseError({}));
    EXPECT_EQ(kUsageText, parseError({"--"}));
    EXPECT_EQ("error: input file \"x\" does not exist\n" + kUsageText, parseError({"x", "-d", "1", "-s", "2"}));
    EXPECT_EQ("\nerror: no value given for delta" + kUsageText, parseError({"x", "-d"}));
    EXPECT_EQ("\nerror: unmatched option: --x\n" + kUsageText, parseError({"x", "--x"}));
}

TEST(TestParameterCompatibility, RulesAndTheirOrder) {
    TempDir dir;
    const std::string list = dir.file("list.txt");
    writeFile(list, "");
    auto error = [](auto&&... args) -> std::string {
        try {
            testParameterCompatibility(args...);
        } catch (const TamsuError& e) {
            EXPECT_EQ(stderr, e.stream());
            return e.text();
        }
        return "passes";
    };
    auto withUsage = [](const std::string& m) { return m + kUsageText; };

    EXPECT_EQ(withUsage("error: no genome list given\n"), error(-1, -1, 'm', '?', false, '?', -1, std::nullopt));
    EXPECT_EQ(withUsage("error: input file \"" + dir.file("no") + "\" does not exist\n"),
              error(-1, -1, 'm', '?', false, '?', -1, dir.file("no")));
    EXPECT_EQ(withUsage("error: negative distance threshold -1\n"), error(-1, 3, 'm', '?', false, '?', -1, list));
    EXPECT_EQ(withUsage("error: distance threshold not zero in perfect gene cluster mode\n"),
              error(1, 3, 'p', 'd', false, '?', -1, list));
    EXPECT_EQ(withUsage("error: no minimum size threshold given\n"), error(1, 0, 'r', 'g', false, '?', -1, list));
    EXPECT_EQ(withUsage("error: refType specified in median mode\n"), error(1, 3, 'm', 'd', false, '?', -1, list));
    EXPECT_EQ(withUsage("error: refType specified in center mode\n"), error(1, 3, 'c', 'g', false, '?', -1, list));
    EXPECT_EQ(withUsage("error: quorum type 'r' incompatible with search mode 'c'\n"),
              error(1, 3, 'c', '?', true, 'r', 2, list));
    EXPECT_EQ(withUsage("error: quorum type specified but no quorum parameter given\n"),
              error(1, 3, 'm', '?', true, 's', -1, list));
    EXPECT_EQ(withUsage("error: no minSize threshold needed for fixed ref chromosome\n"),
              error(1, 3, 'r', 'c', false, '?', -1, list));

    EXPECT_EQ("passes", error(1, -1, 'r', 'c', false, '?', -1, list));
    EXPECT_EQ("passes", error(0, 1, 'p', 'd', true, 'z', 2, list));
    EXPECT_EQ("passes", error(4, 2, 'm', '?', true, 'r', 2, list));  // cost types are for the median
    EXPECT_EQ("passes", error(4, 2, 'm', '?', true, 's', 2, list));
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
    auto text = [](const ParameterArray& p) { return printed([&](FILE* f) { fprintParameterArray(f, p); }); };
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

TEST(SetDerivedParameters, CenterAndMedianExamples) {
    ParameterArray center = make('c', 2, 7);
    setDerivedParameters(center, 4);
    EXPECT_EQ(8, center.delta);
    EXPECT_EQ(2, center.pwDelta);
    EXPECT_EQ(4, center.maxOccDist);
    EXPECT_EQ(2, center.maxDistToCenter);
    EXPECT_EQ(8, center.maxSumDist);
    EXPECT_EQ(12, center.d);
    EXPECT_EQ(7 - 2, center.minRefSize);

    ParameterArray median = make('m', 5, 7);
    setDerivedParameters(median, 3);
    EXPECT_EQ(5, median.delta);
    EXPECT_EQ(5, median.maxOccDist);
    EXPECT_EQ(5, median.maxSumDist);
    EXPECT_EQ(6, median.d);
    EXPECT_EQ(7 - 1, median.minRefSize);

    // One genome: d = 0; reference modes derive like the median.
    ParameterArray single = make('r', 3, 4);
    setDerivedParameters(single, 1);
    EXPECT_EQ(0, single.d);
    EXPECT_EQ(3, single.maxOccDist);
    EXPECT_EQ(1, single.minRefSize);
}

TEST(SetDerivedParameters, QuorumBecomesGenomesThatMayLackTheCluster) {
    ParameterArray withQuorum = make('m', 1, 2, true, 3, 'z');
    setDerivedParameters(withQuorum, 4);
    EXPECT_EQ(1, withQuorum.q);

    // Without a quorum no genome may lack the cluster.
    ParameterArray noQuorum = make('r', 1, 2);
    setDerivedParameters(noQuorum, 4);
    EXPECT_EQ(0, noQuorum.q);
    ParameterArray hostNoQuorum = make('m', 1, 2, false, 9, '\0');
    setDerivedParameters(hostNoQuorum, 4);
    EXPECT_EQ(0, hostNoQuorum.q);
}

TEST(SetDerivedParameters, RefusesWhatCannotBeDerived) {
    ParameterArray p = make('m', 1, 2);
    EXPECT_THROW(setDerivedParameters(p, 0), TamsuError);
    try {
        setDerivedParameters(p, -1);
    } catch (const TamsuError& e) {
        EXPECT_EQ(stderr, e.stream());
        EXPECT_NE(std::string::npos, e.text().find("at least one genome"));
    }
    ParameterArray huge = make('c', 2000000000, 2);
    EXPECT_THROW(setDerivedParameters(huge, 3), TamsuError);
}

TEST(InitParameterArray, OutfileBaseAndRelease) {
    auto p = initParameterArray(1, 2, 0.5, false, true, false, true, 3, 'z', 'm', "dummy.out", true, '?');
    EXPECT_EQ("dummy.out", p->outfile);
    EXPECT_EQ("dummy", p->outfileBase);
    EXPECT_TRUE(p->gui);
    EXPECT_FALSE(p->useLR);
    EXPECT_EQ(0.5, p->minOccSize);
    EXPECT_EQ(-1, p->d);
    EXPECT_EQ(-1, p->minRefSize);

    auto base = [](const std::string& name) {
        return initParameterArray(1, 1, 0.0, false, true, true, false, -1, '?', 'm', name, false, '?')->outfileBase;
    };
    EXPECT_EQ("", base(".out"));
    EXPECT_EQ("a", base("a.txt"));
    EXPECT_EQ("abc", base("abc"));  // too short for an extension: kept whole
    EXPECT_EQ("", base(""));

    testing::internal::CaptureStderr();
    freeParameterArray(p);
    EXPECT_EQ("outfile: dummy.out\noutfile: dummy\n", testing::internal::GetCapturedStderr());
    EXPECT_EQ(nullptr, p);
    testing::internal::CaptureStderr();
    freeParameterArray(p);  // nothing to release, nothing printed
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
}

}  // namespace
