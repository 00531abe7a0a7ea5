// Closest string over {0, 1}: is there a 0/1 string within maxMismatches of
// every row of a 0/1 matrix? The matrix record doubles as the search state.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tamsu::detail {

// A 0/1 instance: rowCount rows of columnCount bytes in one flat block.
// As a search state (gen_state_matrix) row i holds the difference vector D_i
// between the current candidate and row i of the instance, and errCount[i]
// its weight; D_0 is the flip vector F (the candidate's differences from
// row 0 of the instance).
struct bincenter_inst {
    std::vector<unsigned char> rows;  // rowCount x columnCount
    int columnCount = 0;
    int rowCount = 0;
    int maxMismatches = 0;
    std::vector<int> errCount;        // search state only: rowCount error counts

    bincenter_inst() = default;
    bincenter_inst(int rowCount, int columnCount, int maxMismatches)
        : rows(static_cast<size_t>(rowCount > 0 ? rowCount : 0) * static_cast<size_t>(columnCount > 0 ? columnCount : 0),
               0),
          columnCount(columnCount > 0 ? columnCount : 0),
          rowCount(rowCount > 0 ? rowCount : 0),
          maxMismatches(maxMismatches) {}

    unsigned char* row(int i) { return rows.data() + static_cast<size_t>(i) * columnCount; }
    const unsigned char* row(int i) const { return rows.data() + static_cast<size_t>(i) * columnCount; }
    unsigned char& at(int i, int c) { return row(i)[c]; }
    unsigned char at(int i, int c) const { return row(i)[c]; }
};

// Symbols (a, b): the returned string spells the center itself, b where row 0
// holds a and the column is flipped, a where row 0 holds anything else and the
// column is flipped, row 0's value elsewhere.
using bincenterSymbols = std::pair<unsigned char, unsigned char>;

// Searches a center by growing sets of flipped columns of row 0. Returns
// columnCount bytes, or nothing when no 0/1 string lies within maxMismatches
// of every row. Without symbols the bytes are '1'/'0' for flipped/kept
// columns. flipCounter, when given, counts column inversions.
std::optional<std::string> find_bincenter(const bincenter_inst& instance,
                                          std::optional<bincenterSymbols> symbols = std::nullopt,
                                          std::uint64_t* flipCounter = nullptr);

// The initial search state: the candidate is row 0.
bincenter_inst gen_state_matrix(const bincenter_inst& instance);

// Every row within maxMismatches of the candidate (true without rows).
bool valid_center(const bincenter_inst& state);

// The largest error count (0 without rows).
int get_max_missmatches(const bincenter_inst& state);

// Flips column c of the candidate in every row's difference vector.
void invert_bininst_column(int column, bincenter_inst& state);

}  // namespace tamsu::detail
