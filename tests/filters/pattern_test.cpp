// The reference pattern: growth chain, reset, reference genome count and the
// infrequent-character test.
#include <gtest/gtest.h>

#include <vector>

#include "filters/pattern.h"
#include "index/initDatastructures.h"
#include "testUtil.h"
#include "util/errors.h"

namespace {

struct Step {
    int right;
    int size;
    int newChar;
};

std::vector<Step> chain(const SetOfSeqs& set, Pattern& pattern, int left) {
    resetPattern(pattern, set.alphabetSize, 1, 0, 0, left);
    std::vector<Step> steps;
    int j = left;
    while (getNextI_ref(j, pattern, 0, 0, set)) {
        steps.push_back({pattern.right, pattern.size, pattern.newChar});
        j = pattern.right + 1;
    }
    return steps;
}

TEST(Pattern, InitAndReset) {
    Pattern pattern = initPattern(6, 3, 4);
    EXPECT_EQ(-1, pattern.refGenome);
    EXPECT_EQ(-1, pattern.left);
    EXPECT_EQ(-1, pattern.right);
    EXPECT_EQ(3, pattern.genomeCount);
    EXPECT_EQ((std::vector<int>(6, 0)), pattern.charCount);
    EXPECT_EQ((std::vector<int>{4, 4, 4}), pattern.maxRemDists);
    EXPECT_EQ((std::vector<int>{0, 0, 0}), pattern.minDists);
    EXPECT_EQ(3, pattern.matchesRecord.matchField.k());
    EXPECT_EQ(5, pattern.matchesRecord.matchField.m());

    addToPattern(pattern, 2, 7, 1);
    EXPECT_EQ((std::vector<int>{1, 0, 1}), pattern.minDists);
    EXPECT_EQ((std::vector<int>{-1, -1, -1}), pattern.maxRemDists);
    EXPECT_EQ(7, pattern.right);
    addToPattern(pattern, 5, 9, 1);
    EXPECT_EQ((std::vector<int>{2, 5}), pattern.charList);
    EXPECT_EQ(2, pattern.size);

    resetPattern(pattern, 5, 2, 1, 3, 4);
    EXPECT_EQ(1, pattern.refGenome);
    EXPECT_EQ(3, pattern.refChrom);
    EXPECT_EQ(4, pattern.left);
    EXPECT_EQ(9, pattern.right);  // kept until the first character is added
    EXPECT_EQ(0, pattern.newChar);
    EXPECT_EQ(0, pattern.size);
    EXPECT_TRUE(pattern.charList.empty());
    EXPECT_EQ((std::vector<int>(6, 0)), pattern.charCount);
    EXPECT_EQ((std::vector<int>{2, 2, 2}), pattern.maxRemDists);
    EXPECT_EQ((std::vector<int>{0, 0, 0}), pattern.minDists);
}

TEST(Pattern, GrowthChainOfMaximalIntervals) {
    auto set = makeSet({{{1, 2, 1, 3, 2}}});
    Pattern pattern = initPattern(set->alphabetSize + 1, 1, 0);
    std::vector<Step> steps = chain(*set, pattern, 1);
    ASSERT_EQ(3u, steps.size());
    EXPECT_EQ(1, steps[0].right);
    EXPECT_EQ(1, steps[0].newChar);
    EXPECT_EQ(3, steps[1].right);
    EXPECT_EQ(2, steps[1].newChar);
    EXPECT_EQ(5, steps[2].right);
    EXPECT_EQ(3, steps[2].size);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), pattern.charList);

    // From left border 2 the chain stops before the interval that would hold
    // the 1 left of it.
    steps = chain(*set, pattern, 2);
    ASSERT_EQ(1u, steps.size());
    EXPECT_EQ(2, steps[0].right);
}

TEST(Pattern, NoChainWhenTheLeftNeighbourRepeats) {
    auto set = makeSet({{{3, 3, 4}}});
    Pattern pattern = initPattern(set->alphabetSize + 1, 1, 0);
    EXPECT_TRUE(chain(*set, pattern, 2).empty());
    EXPECT_EQ(2u, chain(*set, pattern, 1).size());
}

TEST(Pattern, CountRefGenomes) {
    ParameterArray params;
    params.q = 2;
    struct Row {
        char mode;
        char refType;
        int expected;
    };
    const Row rows[] = {{'p', 'c', 1}, {'p', 'g', 1}, {'p', 'd', 3}, {'r', 'c', 1}, {'r', 'g', 1},
                        {'r', 'd', 5}, {'r', '?', 5}, {'m', 'g', 5}, {'m', '?', 5}, {'c', '?', 3}};
    for (const Row& row : rows) {
        params.operationMode = row.mode;
        params.refType = row.refType;
        EXPECT_EQ(row.expected, countRefGenomes(params, 5)) << row.mode << row.refType;
    }
    params.operationMode = 'c';
    params.q = 0;
    EXPECT_EQ(1, countRefGenomes(params, 5));

    params.operationMode = 'p';
    params.refType = '?';
    try {
        countRefGenomes(params, 5);
        FAIL() << "no error";
    } catch (const TamsuError& e) {
        EXPECT_EQ(stderr, e.stream());
        EXPECT_EQ("no refType given in perfect gene cluster mode\ncounting the number of ref genomes failed\n",
                  e.text());
    }
    params.operationMode = 'x';
    try {
        countRefGenomes(params, 5);
        FAIL() << "no error";
    } catch (const TamsuError& e) {
        EXPECT_EQ("counting the number of ref genomes failed\n", e.text());
    }
}

TEST(Pattern, TooManyInfreqChars) {
    // Families 5 and 6 occur in genome 0 only; 1 occurs everywhere. Genome 3
    // has no chromosome and lacks everything.
    std::vector<std::vector<std::vector<int>>> genomes = {
        {{1, 5, 6}}, {{1, 2}}, {{1, 3}, {4}}, {}};
    auto set = makeSet(genomes, 6);
    ParameterArray params;
    params.delta = 3;
    params.maxOccDist = 3;
    initDataStructures(*set, params);

    // k = 4, delta = 3: delta/k = 0, so the first infrequent character is too many.
    Pattern pattern = initPattern(7, 4, 3);
    resetPattern(pattern, 6, 3, 0, 0, 1);
    addToPattern(pattern, 1, 1, 0);
    EXPECT_FALSE(tooManyInfreqChars(pattern, *set, 3));
    addToPattern(pattern, 5, 2, 0);
    EXPECT_TRUE(tooManyInfreqChars(pattern, *set, 3));
    EXPECT_EQ(1.0, pattern.infreqCharCount);

    // k = 3 (first three genomes), delta = 4: one infrequent character is allowed.
    genomes.pop_back();
    auto three = makeSet(genomes, 6);
    initDataStructures(*three, params);
    Pattern p3 = initPattern(7, 3, 4);
    resetPattern(p3, 6, 4, 0, 0, 1);
    addToPattern(p3, 5, 2, 0);
    EXPECT_FALSE(tooManyInfreqChars(p3, *three, 4));
    addToPattern(p3, 6, 3, 0);
    EXPECT_TRUE(tooManyInfreqChars(p3, *three, 4));
    EXPECT_EQ(2.0, p3.infreqCharCount);
}

}  // namespace
