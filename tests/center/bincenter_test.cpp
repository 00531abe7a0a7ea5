// Closest 0/1 string search: worked instances, error counts beyond a byte, and
// find_bincenter against an exhaustive search over all 0/1 strings.
#include "center/bincenter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "center/hamming.h"

namespace {

bincenter_inst fromRows(const std::vector<std::string>& rows, int maxMismatches) {
    int columns = rows.empty() ? 0 : static_cast<int>(rows[0].size());
    bincenter_inst instance(static_cast<int>(rows.size()), columns, maxMismatches);
    for (int i = 0; i < instance.rowCount; ++i)
        for (int c = 0; c < columns; ++c) instance.at(i, c) = rows[i][c] == '1' ? 1 : 0;
    return instance;
}

int maxDistance(const bincenter_inst& instance, const unsigned char* candidate) {
    int worst = 0;
    for (int i = 0; i < instance.rowCount; ++i)
        worst = std::max(worst, hammingDistance(instance.row(i), candidate, instance.columnCount));
    return worst;
}

std::vector<unsigned char> bytes(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }

TEST(Hamming, DistanceAndWeight) {
    const unsigned char a[] = {1, 0, 1, 1, 0};
    const unsigned char b[] = {0, 0, 1, 0, 1};
    EXPECT_EQ(hammingDistance(a, b, 5), 3);
    EXPECT_EQ(hammingDistance(a, b, 0), 0);
    EXPECT_EQ(hammingWeight(a, 5), 3);
    EXPECT_EQ(hammingWeight(b, 2), 0);
}

TEST(Bincenter, RowZeroIsItsOwnCenterWhenEveryRowIsClose) {
    bincenter_inst instance = fromRows({"10110", "10100", "00110"}, 1);
    std::uint64_t flips = 0;
    auto flipVector = find_bincenter(instance, std::nullopt, &flips);
    ASSERT_TRUE(flipVector.has_value());
    EXPECT_EQ(*flipVector, "00000");
    EXPECT_EQ(flips, 0u);
    auto center = find_bincenter(instance, bincenterSymbols{1, 0});
    ASSERT_TRUE(center.has_value());
    EXPECT_EQ(bytes(*center), (std::vector<unsigned char>{1, 0, 1, 1, 0}));
}

TEST(Bincenter, SymbolsSpellTheCenterFlipVectorOtherwise) {
    // Row 0 = 1100 is not a center; the search flips two of its columns.
    bincenter_inst instance = fromRows({"1100", "0110", "0011"}, 2);
    auto flipVector = find_bincenter(instance);
    auto center = find_bincenter(instance, bincenterSymbols{1, 0});
    auto letters = find_bincenter(instance, bincenterSymbols{1, 'x'});
    ASSERT_TRUE(flipVector && center && letters);
    ASSERT_EQ(flipVector->size(), 4u);
    std::vector<unsigned char> c = bytes(*center);
    for (int col = 0; col < 4; ++col) {
        bool flipped = (*flipVector)[col] == '1';
        EXPECT_EQ(c[col], flipped ? 1 - instance.at(0, col) : instance.at(0, col)) << col;
        // With (a, b) a flipped 1 becomes b, a flipped 0 becomes a.
        unsigned char expected = !flipped ? instance.at(0, col) : instance.at(0, col) == 1 ? 'x' : 1;
        EXPECT_EQ(static_cast<unsigned char>((*letters)[col]), expected) << col;
    }
    EXPECT_LE(maxDistance(instance, c.data()), 2);
}

// Error counts wider than a byte: rows 200 apart.
TEST(Bincenter, FarApartRowsCountBeyondAByte) {
    std::string zeros(200, '0');
    std::string ones(200, '1');
    bincenter_inst instance = fromRows({zeros, ones}, 10);
    bincenter_inst state = gen_state_matrix(instance);
    EXPECT_EQ(get_max_missmatches(state), 200);
    EXPECT_FALSE(valid_center(state));
    EXPECT_FALSE(find_bincenter(instance).has_value());
    instance.maxMismatches = 200;
    auto center = find_bincenter(instance, bincenterSymbols{1, 0});
    ASSERT_TRUE(center.has_value());
    EXPECT_EQ(*center, std::string(200, '\0'));  // row 0 itself
}

// For random small instances the search succeeds exactly when some 0/1
// string lies within d of every row, and what it returns is such a string.
TEST(Bincenter, AgreesWithExhaustiveSearch) {
    std::mt19937 rng(2024);
    int found = 0;
    int notFound = 0;
    for (int round = 0; round < 2000; ++round) {
        int rows = static_cast<int>(rng() % 6);
        int columns = static_cast<int>(rng() % 9);
        int d = static_cast<int>(rng() % 5);
        bincenter_inst instance(rows, columns, d);
        for (unsigned char& v : instance.rows) v = rng() % 2;

        bool exists = false;
        std::vector<unsigned char> candidate(columns);
        for (unsigned mask = 0; mask < (1u << columns) && !exists; ++mask) {
            for (int c = 0; c < columns; ++c) candidate[c] = (mask >> c) & 1;
            exists = maxDistance(instance, candidate.data()) <= d;
        }

        std::uint64_t flips = 0;
        auto center = find_bincenter(instance, bincenterSymbols{1, 0}, &flips);
        ASSERT_EQ(center.has_value(), exists) << "round " << round;
        auto flipVector = find_bincenter(instance);
        ASSERT_EQ(flipVector.has_value(), exists);
        if (!exists) {
            ++notFound;
            continue;
        }
        ++found;
        ASSERT_EQ(center->size(), static_cast<size_t>(columns));
        std::vector<unsigned char> c = bytes(*center);
        EXPECT_LE(maxDistance(instance, c.data()), d) << "round " << round;
        // Both forms describe the same string, at most d flips from row 0,
        // and the flip count has the parity of the final flip set.
        int weight = 0;
        for (int col = 0; col < columns; ++col) {
            bool flipped = (*flipVector)[col] == '1';
            weight += flipped;
            if (rows > 0) {
                EXPECT_EQ(c[col], flipped ? 1 - instance.at(0, col) : instance.at(0, col));
            }
        }
        EXPECT_LE(weight, d);
        EXPECT_EQ(flips % 2, static_cast<std::uint64_t>(weight % 2));
    }
    EXPECT_GT(found, 100);
    EXPECT_GT(notFound, 100);
}

}  // namespace
