// The gene-line parser: the five columns, messages of missing columns, and
// identifiers at the edge of the integer range.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "genomes/chrom.h"
#include "testUtil.h"

TEST(SetChrom, FillsFiveColumnsWithSentinelsAtBothEnds) {
    Chromosome chrom = initChrom("   chr 1  ", 3);
    EXPECT_EQ("chr 1  ", chrom.name);  // leading blanks only are skipped
    EXPECT_EQ("", stdoutOf([&] {
                  setChrom(chrom, {"12\t+\tE\tb0001\tthrL: leader\tpeptide", "-17\t-\tJ\tb0002\tsecond",
                                   "  +4\t\t\t+\tKx\t\tb0003\t\tthird"});
              }));
    ASSERT_EQ(3, chrom.length);
    EXPECT_EQ((std::vector<int>{0, 12, 17, 4, 0}), chrom.genes);
    EXPECT_EQ((std::vector<char>{'?', '+', '-', '+', '?'}), chrom.dirs);
    EXPECT_EQ((std::vector<char>{'?', 'E', 'J', 'K', '?'}), chrom.fcats);
    EXPECT_EQ((std::vector<std::string>{"", "b0001", "b0002", "b0003", ""}), chrom.locusTags);
    // The annotation is the rest of the line, its tabs included; a run of
    // tabs before it separates like one.
    EXPECT_EQ((std::vector<std::string>{"", "thrL: leader\tpeptide", "second", "third", ""}), chrom.annotations);
}

TEST(SetChrom, MissingColumnsPrintTheirMessagesWithoutNewlineAndKeepInitialValues) {
    Chromosome chrom = initChrom("c", 0);
    EXPECT_EQ("no locusTag at line 1 in \"5\""
              "no annotation at line 1 in \"5\""
              "no gene at line 2 in \"\""
              "no dir at line 2 in \"\""
              "no fcat at line 2 in \"\""
              "no locusTag at line 2 in \"\""
              "no annotation at line 2 in \"\"",
              stdoutOf([&] { setChrom(chrom, {"1\t+\tE\tt\ta", "5\t-\tK", "\t\t"}); }));
    ASSERT_EQ(3, chrom.length);
    EXPECT_EQ((std::vector<int>{0, 1, 5, 0, 0}), chrom.genes);
    EXPECT_EQ('-', chrom.dirs[2]);
    EXPECT_EQ('K', chrom.fcats[2]);
    EXPECT_EQ("", chrom.locusTags[2]);
    EXPECT_EQ("", chrom.annotations[2]);
    EXPECT_EQ('?', chrom.dirs[3]);
}

TEST(SetChrom, IdentifiersUpToTheIntRange) {
    Chromosome chrom = initChrom("c", 0);
    setChrom(chrom, {"2147483647\t+\tE\tt\ta", "-2147483647\t+\tE\tt\ta"});
    EXPECT_EQ((std::vector<int>{0, 2147483647, 2147483647, 0}), chrom.genes);

    // An identifier whose absolute value is no int fails, naming file and line.
    EXPECT_EQ("error: gene identifier \"-2147483648\" at line 12 of \"ann.txt\" is outside the integer range\n",
              errorOf([&] { setChrom(chrom, {"1\t+\tE\tt\ta", "-2147483648\t+\tE\tt\ta"}, "ann.txt", 11); }));
    EXPECT_EQ("error: gene identifier \"2147483648\" at line 5 of \"ann.txt\" is outside the integer range\n",
              errorOf([&] { setChrom(chrom, {"2147483648\t+\tE\tt\ta"}, "ann.txt", 5); }));
    EXPECT_EQ("error: gene identifier \"99999999999999999999\" in gene line 1 of chromosome \"c\" is outside the "
              "integer range\n",
              errorOf([&] { setChrom(chrom, {"99999999999999999999\t+\tE\tt\ta"}); }));
}
