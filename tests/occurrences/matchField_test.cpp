// Match field and matches record: list order, empty occurrences, local
// numbering and reset.
#include <gtest/gtest.h>

#include "filters/pattern.h"
#include "index/initDatastructures.h"
#include "occurrences/matchField.h"
#include "params/parameterArray.h"
#include "testUtil.h"
#include "util/errors.h"

namespace {

std::unique_ptr<ParameterArray> derived(char mode, int delta, int s, int genomeCount, bool quorum = false,
                                        int q = -1, char qtype = '?') {
    auto params = initParameterArray(delta, s, 0.0, mode == 'c', true, true, quorum, q, qtype, mode, "test.out",
                                     false, '?');
    setDerivedParameters(*params, genomeCount);
    return params;
}

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
}

TEST(MatchField, DistanceOutsideTheListsIsAnInternalError) {
    auto set = makeSet({{{1, 2}}});
    MatchesRecord record = initMatchesRecord(1, 2);  // lists 0..3
    EXPECT_THROW(addToMatchesRecord(record, *set, 0, -1, 1, 2, 0), TamsuError);
    EXPECT_THROW(addToMatchField(record.matchField, *set, 0, 4, 1, 2, 0), TamsuError);
    addToMatchField(record.matchField, *set, 0, 3, 1, 2, 0);
    EXPECT_EQ(record.matchField.bucket(0, 3).size(), 1u);
}

TEST(MatchField, EmptyOccurrencesFollowTheQuorumCost) {
    auto set = makeSet({{{1, 2}}, {{1, 2}}, {{1}}, {{2}}});
    Pattern pattern = initPattern(set->alphabetSize + 1, 4, 6);
    pattern.refGenome = 1;

    auto zero = derived('m', 4, 2, 4, true, 3, 'z');
    addEmptyOccs(pattern.matchesRecord, *set, pattern, *zero);
    EXPECT_EQ(pattern.matchesRecord.elementCountPerSeq, (std::vector<int>{1, 0, 1, 1}));
    const Interval& empty = pattern.matchesRecord.matchField.bucket(0, 0).front();
    EXPECT_EQ(empty.l, -1);
    EXPECT_EQ(empty.r, -2);
    EXPECT_EQ(empty.chr, 0);
    resetMatchesRecord(pattern.matchesRecord, 4, 7);

    // Proportionate cost: maxSumDist / k in median mode (4 / 4 = 1) ...
    auto proportionate = derived('m', 4, 2, 4, true, 3, 'r');
    addEmptyOccs(pattern.matchesRecord, *set, pattern, *proportionate);
    EXPECT_EQ(pattern.matchesRecord.matchField.bucket(2, 1).size(), 1u);
    EXPECT_TRUE(pattern.matchesRecord.matchField.bucket(1, 1).empty());
    resetMatchesRecord(pattern.matchesRecord, 4, 7);

    // ... and the distance to the center in center mode.
    auto center = derived('c', 2, 2, 4, true, 3, 'r');
    addEmptyOccs(pattern.matchesRecord, *set, pattern, *center);
    EXPECT_EQ(pattern.matchesRecord.matchField.bucket(3, 2).size(), 1u);
    resetMatchesRecord(pattern.matchesRecord, 4, 7);

    auto sizeDependent = derived('m', 4, 2, 4, true, 3, 's');
    addEmptyOccs(pattern.matchesRecord, *set, pattern, *sizeDependent);
    EXPECT_EQ(pattern.matchesRecord.elementCountPerSeq, (std::vector<int>{0, 0, 0, 0}));
}

TEST(MatchField, LocalCharsAreNumberedInListOrder) {
    // Genome 0: 7 8 7 9; genome 1: 3 3 5 7 (the interval 1..3 holds 3 3 5).
    auto set = makeSet({{{7, 8, 7, 9}}, {{3, 3, 5, 7}}}, 9);
    auto params = derived('m', 2, 2, 2);
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

    testing::internal::CaptureStdout();
    testMatchField(record, *set, 2, 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    // A flag for a family the interval lacks is reported, and the check goes on.
    record.matchField.bucket(1, 1)[0].localOcc[1] = 1;
    testing::internal::CaptureStdout();
    testMatchField(record, *set, 2, 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Zeichen 7 ist in localOcc aber nicht in Lokation S_1(1,3)\n");
}

TEST(MatchField, ResetEmptiesTheRecordForTheNextFilter) {
    auto set = makeSet({{{1, 2, 3}}, {{1, 2}}});
    auto params = derived('m', 1, 1, 2);
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

    // Without genomes the numbering is a single zero entry.
    MatchesRecord none = initMatchesRecord(0, 1);
    generateLocalOcc(none, *set, 0, 1);
    EXPECT_EQ(none.localChars, (std::vector<int>{0}));
    EXPECT_EQ(none.localCharCount, 0);
}
