// The small array and string helpers: extreme values, any line length, and
// error texts of any size.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "testUtil.h"
#include "util/doubleArrays.h"
#include "util/errors.h"
#include "util/intArrays.h"
#include "util/strings.h"

namespace {

TEST(IntArrays, CompareSortSumAndPrint) {
    // A comparison by subtraction would overflow here.
    const int lo = INT_MIN, hi = INT_MAX, zero = 0;
    EXPECT_EQ(-1, compareInts(&lo, &hi));
    EXPECT_EQ(1, compareInts(&hi, &lo));
    EXPECT_EQ(0, compareInts(&lo, &lo));
    EXPECT_EQ(1, compareInts(&hi, &zero));

    std::vector<int> values = {INT_MAX, 0, INT_MIN, -1, INT_MAX, 1, INT_MIN + 1, INT_MIN};
    sortAscIntArray(values.data(), static_cast<int>(values.size()));
    EXPECT_EQ((std::vector<int>{INT_MIN, INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX, INT_MAX}), values);
    sortAscIntArray(nullptr, 0);

    const int three[] = {3, -1, 4};
    EXPECT_EQ(6, sumOfIntArray_1(three, 3));
    EXPECT_EQ(0, sumOfIntArray_1(three, -2));
    EXPECT_DOUBLE_EQ(3.25, sumDoubleArray(std::vector<double>{0.5, 1.25, 2.0, 4.0}.data(), 1, 2));
    EXPECT_DOUBLE_EQ(0.0, sumDoubleArray(nullptr, 1, 0));

    IntTable table(2, 3, 7);
    EXPECT_TRUE(IntTable(-1, 3, 1).empty());
    EXPECT_EQ("3 -1 4 \n\n7 7 \n7 7 \n", captured([&](FILE* f) {
                  fprintIntArray_1(f, three, 3);
                  fprintIntArray_1(f, three, 0);
                  fprintIntArray_2(f, table, 2, 2);
              }));
}

TEST(Strings, LeadingIntIsAtoiStyleAndSaturates) {
    const std::pair<const char*, int> cases[] = {
        {"12", 12},        {"   -12abc", -12}, {"\t\n +7", 7}, {"03", 3}, {"", 0},
        {"abc", 0},        {"- 5", 0},         {"+-5", 0},     {"4 5", 4}, {"2147483647", INT_MAX},
        {"2147483648", INT_MAX}, {"99999999999999999999999999", INT_MAX}, {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN}, {"-99999999999999999999999999", INT_MIN},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(value, leadingInt(text)) << text;
}

TEST(Strings, ReadLineAnyLengthAndLastLineWithoutNewline) {
    const std::string longLine(12000, 'x');
    FILE* file = std::tmpfile();
    std::fputs((longLine + "\n\nlast").c_str(), file);
    std::rewind(file);
    std::string line;
    bool newline = false;
    for (const std::string& expected : {longLine, std::string()}) {
        ASSERT_TRUE(readLine(file, line, &newline));
        EXPECT_EQ(expected, line);
        EXPECT_TRUE(newline);
    }
    ASSERT_TRUE(readLine(file, line, &newline));
    EXPECT_EQ("last", line);
    EXPECT_FALSE(newline);
    EXPECT_FALSE(readLine(file, line, &newline));
    EXPECT_EQ("", line);
    std::fclose(file);
    EXPECT_EQ("a  b ", skipLeadingBlanks("   a  b "));
}

TEST(Errors, FailCarriesTextOfAnySizeAndStream) {
    const std::string big(10000, 'y');
    EXPECT_EQ("Fehler: " + big + " 7\n", errorOf([&] { fail(stdout, "Fehler: %s %d\n", big.c_str(), 7); }, stdout));
    EXPECT_EQ("no newline 3", formatText("no newline %d", 3));
}

}  // namespace
