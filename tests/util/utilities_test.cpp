// The small array and string helpers.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "util/doubleArrays.h"
#include "util/errors.h"
#include "util/intArrays.h"
#include "util/strings.h"

namespace {

TEST(IntArrays, CompareAndSortWithExtremeValues) {
    const int lo = INT_MIN, hi = INT_MAX, zero = 0;
    EXPECT_EQ(-1, compareInts(&lo, &hi));
    EXPECT_EQ(1, compareInts(&hi, &lo));
    EXPECT_EQ(0, compareInts(&lo, &lo));
    EXPECT_EQ(-1, compareInts(&lo, &zero));
    EXPECT_EQ(1, compareInts(&hi, &zero));

    std::vector<int> values = {INT_MAX, 0, INT_MIN, -1, INT_MAX, 1, INT_MIN + 1, INT_MIN};
    sortAscIntArray(values.data(), static_cast<int>(values.size()));
    EXPECT_EQ((std::vector<int>{INT_MIN, INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX, INT_MAX}), values);

    int one = 5;
    sortAscIntArray(&one, 1);
    sortAscIntArray(nullptr, 0);
    EXPECT_EQ(5, one);
}

TEST(IntArrays, SumPrintAndTable) {
    const int values[] = {3, -1, 4};
    EXPECT_EQ(6, sumOfIntArray_1(values, 3));
    EXPECT_EQ(0, sumOfIntArray_1(values, 0));
    EXPECT_EQ(0, sumOfIntArray_1(values, -2));

    IntTable table(2, 3, 7);
    table(1, 2) = -4;
    EXPECT_EQ(7, table.row(1)[0]);
    EXPECT_EQ(-4, table.row(1)[2]);

    FILE* file = std::tmpfile();
    fprintIntArray_1(file, values, 3);
    fprintIntArray_1(file, values, 0);
    fprintIntArray_2(file, table, 2, 2);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
    std::fclose(file);
    EXPECT_EQ("3 -1 4 \n\n7 7 \n7 7 \n", text);

    IntTable empty(0, 5, 1);
    EXPECT_TRUE(empty.empty());
    IntTable negative(-1, 3, 1);
    EXPECT_TRUE(negative.empty());
}

TEST(DoubleArrays, SumOfRanges) {
    const double values[] = {0.5, 1.25, 2.0, 4.0};
    EXPECT_DOUBLE_EQ(7.75, sumDoubleArray(values, 0, 3));
    EXPECT_DOUBLE_EQ(3.25, sumDoubleArray(values, 1, 2));
    EXPECT_DOUBLE_EQ(2.0, sumDoubleArray(values, 2, 2));
    EXPECT_DOUBLE_EQ(0.0, sumDoubleArray(values, 3, 2));
    EXPECT_DOUBLE_EQ(0.0, sumDoubleArray(nullptr, 1, 0));

    DoubleTable3 cube(2, 3, 4, 1.5);
    cube(1, 2, 3) = -2.0;
    EXPECT_DOUBLE_EQ(1.5, cube(1, 2, 2));
    EXPECT_DOUBLE_EQ(-2.0, cube(1, 2, 3));
}

TEST(Strings, LeadingIntIsAtoiStyleAndSaturates) {
    EXPECT_EQ(12, leadingInt("12"));
    EXPECT_EQ(-12, leadingInt("   -12abc"));
    EXPECT_EQ(7, leadingInt("\t\n +7"));
    EXPECT_EQ(3, leadingInt("03"));
    EXPECT_EQ(0, leadingInt(""));
    EXPECT_EQ(0, leadingInt("abc"));
    EXPECT_EQ(0, leadingInt("-"));
    EXPECT_EQ(0, leadingInt("- 5"));
    EXPECT_EQ(0, leadingInt("+-5"));
    EXPECT_EQ(4, leadingInt("4 5"));
    EXPECT_EQ(INT_MAX, leadingInt("2147483647"));
    EXPECT_EQ(INT_MAX, leadingInt("2147483648"));
    EXPECT_EQ(INT_MAX, leadingInt("99999999999999999999999999"));
    EXPECT_EQ(INT_MIN, leadingInt("-2147483648"));
    EXPECT_EQ(INT_MIN, leadingInt("-2147483649"));
    EXPECT_EQ(INT_MIN, leadingInt("-99999999999999999999999999"));
}

TEST(Strings, ReadLineAnyLengthAndLastLineWithoutNewline) {
    const std::string longLine(12000, 'x');
    FILE* file = std::tmpfile();
    std::fputs((longLine + "\n\nlast").c_str(), file);
    std::rewind(file);

    std::string line;
    bool newline = false;
    ASSERT_TRUE(readLine(file, line, &newline));
    EXPECT_EQ(longLine, line);
    EXPECT_TRUE(newline);
    ASSERT_TRUE(readLine(file, line, &newline));
    EXPECT_EQ("", line);
    EXPECT_TRUE(newline);
    ASSERT_TRUE(readLine(file, line, &newline));
    EXPECT_EQ("last", line);
    EXPECT_FALSE(newline);
    EXPECT_FALSE(readLine(file, line, &newline));
    EXPECT_EQ("", line);
    EXPECT_FALSE(readLine(file, line));
    std::fclose(file);

    EXPECT_EQ("dir/run.genFamStat", composeFileName("dir/run", ".genFamStat"));
    EXPECT_EQ("a  b ", skipLeadingBlanks("   a  b "));
    EXPECT_EQ("", skipLeadingBlanks("   "));
}

TEST(Errors, FailCarriesTextAndStream) {
    const std::string big(10000, 'y');
    try {
        fail(stdout, "Fehler: %s %d\n", big.c_str(), 7);
        FAIL() << "fail returned";
    } catch (const TamsuError& e) {
        EXPECT_EQ(stdout, e.stream());
        EXPECT_EQ("Fehler: " + big + " 7\n", e.text());
        EXPECT_EQ(e.text(), std::string(e.what()));
    }
    EXPECT_EQ("", formatText("%s", ""));
    EXPECT_EQ("no newline 3", formatText("no newline %d", 3));
}

}  // namespace
