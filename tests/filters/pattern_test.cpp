// The reference pattern: growth chains, reference genome count and the
// infrequent-character test. (Add and reset run under every walk of the
// brute-force filter tests.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filters/pattern.h"
#include "index/initDatastructures.h"
#include "testUtil.h"

namespace {

// The growth chain from left border left as "right:newChar/size" steps.
std::string chain(const SetOfSeqs& set, Pattern& pattern, int left) {
    resetPattern(pattern, set.alphabetSize, 1, 0, 0, left);
    std::string steps;
    for (int j = left; getNextI_ref(j, pattern, 0, 0, set); j = pattern.right + 1)
        steps += formatText("%d:%d/%d ", pattern.right, pattern.newChar, pattern.size);
    return steps;
}

TEST(Pattern, GrowthChainsOfMaximalIntervals) {
    auto set = makeSet({{{1, 2, 1, 3, 2}}});
    Pattern pattern = initPattern(set->alphabetSize + 1, 1, 0);
    EXPECT_EQ("1:1/1 3:2/2 5:3/3 ", chain(*set, pattern, 1));
    EXPECT_EQ((std::vector<int>{1, 2, 3}), pattern.charList);
    // From left border 2 the chain stops before the interval that would hold
    // the 1 left of it.
    EXPECT_EQ("2:2/1 ", chain(*set, pattern, 2));

    // No chain at all when the left neighbour repeats the border gene.
    auto repeat = makeSet({{{3, 3, 4}}});
    Pattern other = initPattern(repeat->alphabetSize + 1, 1, 0);
    EXPECT_EQ("", chain(*repeat, other, 2));
    EXPECT_EQ("2:3/1 3:4/2 ", chain(*repeat, other, 1));

    // The match field holds every genome, with lists 0..d+1; a reset keeps
    // the right border until the first character is added.
    Pattern wide = initPattern(6, 3, 4);
    EXPECT_EQ(3, wide.matchesRecord.matchField.k());
    EXPECT_EQ(5, wide.matchesRecord.matchField.m());
    addToPattern(wide, 2, 7, 1);
    resetPattern(wide, 5, 2, 1, 3, 4);
    EXPECT_EQ(7, wide.right);
}

TEST(Pattern, CountRefGenomes) {
    ParameterArray params;
    params.q = 2;
    const struct {
        char mode, refType;
        int expected;
    } rows[] = {{'p', 'c', 1}, {'p', 'g', 1}, {'p', 'd', 3}, {'r', 'c', 1}, {'r', 'g', 1},
                {'r', 'd', 5}, {'r', '?', 5}, {'m', 'g', 5}, {'m', '?', 5}, {'c', '?', 3}};
    for (const auto& row : rows) {
        params.operationMode = row.mode;
        params.refType = row.refType;
        EXPECT_EQ(row.expected, countRefGenomes(params, 5)) << row.mode << row.refType;
    }
    params.operationMode = 'c';
    params.q = 0;
    EXPECT_EQ(1, countRefGenomes(params, 5));

    params.operationMode = 'p';
    params.refType = '?';
    EXPECT_EQ("no refType given in perfect gene cluster mode\ncounting the number of ref genomes failed\n",
              errorOf([&] { countRefGenomes(params, 5); }));
    params.operationMode = 'x';
    EXPECT_EQ("counting the number of ref genomes failed\n", errorOf([&] { countRefGenomes(params, 5); }));
}

TEST(Pattern, TooManyInfreqChars) {
    // Families 5 and 6 occur in genome 0 only; 1 occurs everywhere. Genome 3
    // has no chromosome and lacks everything.
    std::vector<std::vector<std::vector<int>>> genomes = {{{1, 5, 6}}, {{1, 2}}, {{1, 3}, {4}}, {}};
    ParameterArray params;
    params.delta = 3;
    params.maxOccDist = 3;
    // k = 4, delta = 3: delta/k = 0, so the first infrequent character is too
    // many; k = 3 (the first three genomes), delta = 4: one is allowed.
    for (int k : {4, 3}) {
        genomes.resize(k);
        auto set = makeSet(genomes, 6);
        stdoutOf([&] { initDataStructures(*set, params); });
        const int delta = 7 - k;
        Pattern pattern = initPattern(7, k, delta);
        resetPattern(pattern, 6, delta, 0, 0, 1);
        addToPattern(pattern, 1, 1, 0);
        EXPECT_FALSE(tooManyInfreqChars(pattern, *set, delta)) << k;
        addToPattern(pattern, 5, 2, 0);
        EXPECT_EQ(k == 4, tooManyInfreqChars(pattern, *set, delta)) << k;
        if (k == 4) {
            EXPECT_EQ(1.0, pattern.infreqCharCount);
        }
        addToPattern(pattern, 6, 3, 0);
        EXPECT_TRUE(tooManyInfreqChars(pattern, *set, delta)) << k;
        if (k == 3) {
            EXPECT_EQ(2.0, pattern.infreqCharCount);
        }
    }
}

}  // namespace
