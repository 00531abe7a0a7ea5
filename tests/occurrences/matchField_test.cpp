// Match field and matches record: list order, empty occurrences, local
// numbering and reset.
#include <gtest/gtest.h>

#include <tuple>

#include "filters/pattern.h"
#include "index/initDatastructures.h"
#include "occurrences/matchField.h"
#include "testUtil.h"

namespace {

// The intervals of list dist of genome g in list order (newest first).
std::vector<std::pair<int, int>> listOrder(const MatchesRecord& record, int g, int dist) {
    std::vector<std::pair<int, int>> out;
    const auto& bucket = record.matchField.bucket(g, dist);
    for (auto it = bucket.rbegin(); it != bucket.rend(); ++it) out.emplace_back(it->l, it->r);
    return out;
}

}  // namespace

TEST(MatchField, NewestIntervalComesFirstAndIsCounted) {
    auto set = makeSet({{{1, 2, 3, 4}}, {{1, 2}}});
    MatchesRecord record = initMatchesRecord(2, 3);
    addToMatchesRecord(record, *set, 0, 1, 1, 2, 0);
    addToMatchesRecord(record, *set, 0, 1, 2, 4, 0);
    addToMatchesRecord(record, *set, 0, 0, 1, 4, 0);
    EXPECT_EQ(listOrder(record, 0, 1), (std::vector<std::pair<int, int>>{{2, 4}, {1, 2}}));
    EXPECT_EQ(record.elementCountPerSeq, (std::vector<int>{3, 0}));
    EXPECT_DOUBLE_EQ(compute_possibleCombinations(record, 2), 0.0);
    addToMatchesRecord(record, *set, 1, 2, 1, 2, 0);
    EXPECT_DOUBLE_EQ(compute_possibleCombinations(record, 2), 3.0);
    EXPECT_DOUBLE_EQ(compute_possibleCombinations(record, 0), 1.0);

    // A distance outside the lists 0..m is an internal error, not a write
    // outside the field.
    EXPECT_THROW(addToMatchesRecord(record, *set, 0, -1, 1, 2, 0), TamsuError);
    EXPECT_THROW(addToMatchField(record.matchField, *set, 0, 5, 1, 2, 0), TamsuError);
    addToMatchField(record.matchField, *set, 0, 4, 1, 2, 0);
    EXPECT_EQ(record.matchField.bucket(0, 4).size(), 1u);
}

TEST(MatchField, EmptyOccurrencesFollowTheQuorumCost) {
    auto set = makeSet({{{1, 2}}, {{1, 2}}, {{1}}, {{2}}});
    Pattern pattern = initPattern(set->alphabetSize + 1, 4, 6);
    pattern.refGenome = 1;

    auto zero = derivedParams('m', 4, 2, 4, 3, 'z');
    addEmptyOccs(pattern.matchesRecord, *set, pattern, *zero);
    EXPECT_EQ(pattern.matchesRecord.elementCountPerSeq, (std::vector<int>{1, 0, 1, 1}));
    const Interval& empty = pattern.matchesRecord.matchField.bucket(0, 0).front();
    EXPECT_EQ(std::tuple(-1, -2, 0), std::tie(empty.l, empty.r, empty.chr));
    resetMatchesRecord(pattern.matchesRecord, 4, 7);

    // Proportionate cost: maxSumDist / k in median mode (4 / 4 = 1) ...
    auto proportionate = derivedParams('m', 4, 2, 4, 3, 'r');
    addEmptyOccs(pattern.matchesRecord, *set, pattern, *proportionate);
    EXPECT_EQ(pattern.matchesRecord.matchField.bucket(2, 1).size(), 1u);
    EXPECT_TRUE(pattern.matchesRecord.matchField.bucket(1, 1).empty());
    resetMatchesRecord(pattern.matchesRecord, 4, 7);

    // ... and the distance to the center in center mode.
    auto center = derivedParams('c', 2, 2, 4, 3, 'r');
    addEmptyOccs(pattern.matchesRecord, *set, pattern, *center);
    EXPECT_EQ(pattern.matchesRecord.matchField.bucket(3, 2).size(), 1u);
    resetMatchesRecord(pattern.matchesRecord, 4, 7);

    auto sizeDependent = derivedParams('m', 4, 2, 4, 3, 's');
    addEmptyOccs(pattern.matchesRecord, *set, pattern, *sizeDependent);
    EXPECT_EQ(pattern.matchesRecord.elementCountPerSeq, (std::vector<int>{0, 0, 0, 0}));
}

TEST(MatchField, LocalCharsAreNumberedInListOrder) {
    // Genome 0: 7 8 7 9; genome 1: 3 3 5 7 (the interval 1..3 holds 3 3 5).
    auto set = makeSet({{{7, 8, 7, 9}}, {{3, 3, 5, 7}}}, 9);
    auto params = derivedParams('m', 2, 2, 2);
    initDataStructures(*set, *params);
    MatchesRecord record = initMatchesRecord(2, 2);
    addToMatchesRecord(record, *set, 0, 0, 1, 2, 0);   // 7 8
    addToMatchesRecord(record, *set, 0, 0, 3, 4, 0);   // 7 9, newest: first in list order
    addToMatchesRecord(record, *set, 1, 1, 1, 3, 0);   // 3 3 5
    addToMatchesRecord(record, *set, 1, 1, 4, 4, 0);   // 7
    addToMatchesRecord(record, *set, 1, 2, -1, -2, 0); // an empty occurrence
    generateLocalOcc(record, *set, 2, 2);

    // Order of first appearance: 7 9 (genome 0, newest first), 8, then 7 (known), 3 5.
    EXPECT_EQ(record.localCharCount, 5);
    EXPECT_EQ(record.localChars, (std::vector<int>{0, 7, 9, 8, 3, 5}));
    EXPECT_EQ(record.localChars[record.localIndex[7]], 7);
    EXPECT_EQ(record.localIndex[1], 0);

    const Interval& three = record.matchField.bucket(1, 1)[0];
    EXPECT_EQ(three.localOcc, (std::vector<unsigned char>{0, 0, 0, 0, 1, 1}));
    const Interval& empty = record.matchField.bucket(1, 2)[0];
    EXPECT_EQ(empty.localOcc, (std::vector<unsigned char>(6, 0)));

    EXPECT_EQ(stdoutOf([&] { testMatchField(record, *set, 2, 2); }), "");
    // A flag for a family the interval lacks is reported, and the check goes on.
    record.matchField.bucket(1, 1)[0].localOcc[1] = 1;
    EXPECT_EQ(stdoutOf([&] { testMatchField(record, *set, 2, 2); }),
              "Zeichen 7 ist in localOcc aber nicht in Lokation S_1(1,3)\n");
}

TEST(MatchField, ResetEmptiesTheRecordForTheNextFilter) {
    auto set = makeSet({{{1, 2, 3}}, {{1, 2}}});
    auto params = derivedParams('m', 1, 1, 2);
    initDataStructures(*set, *params);
    MatchesRecord record = initMatchesRecord(2, 1);
    addToMatchesRecord(record, *set, 0, 0, 1, 3, 0);
    addToMatchesRecord(record, *set, 1, 2, 1, 2, 0);
    generateLocalOcc(record, *set, 2, 2);
    resetMatchesRecord(record, 2, 2);
    EXPECT_EQ(record.elementCountPerSeq, (std::vector<int>{0, 0}));
    EXPECT_TRUE(record.localChars.empty());
    for (int g = 0; g < 2; ++g)
        for (int dist = 0; dist <= record.matchField.m(); ++dist)
            EXPECT_TRUE(record.matchField.bucket(g, dist).empty());
}
