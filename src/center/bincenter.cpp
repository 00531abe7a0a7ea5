// Closest 0/1 string by enumerating flip sets of row 0 in order of growing
// weight, with an incrementally kept difference vector per row.
#include "center/bincenter.h"

#include <algorithm>
#include <cmath>

#include "center/hamming.h"

namespace tamsu::detail {

bincenter_inst gen_state_matrix(const bincenter_inst& instance) {
    bincenter_inst state(instance.rowCount, instance.columnCount, instance.maxMismatches);
    state.errCount.assign(state.rowCount, 0);
    if (state.rowCount == 0) return state;
    const unsigned char* first = instance.row(0);
    for (int i = 0; i < state.rowCount; ++i) {
        const unsigned char* source = instance.row(i);
        unsigned char* diff = state.row(i);
        for (int c = 0; c < state.columnCount; ++c) diff[c] = source[c] != first[c] ? 1 : 0;
        state.errCount[i] = hammingWeight(diff, state.columnCount);
    }
    return state;
}

bool valid_center(const bincenter_inst& state) {
    for (int i = 0; i < state.rowCount; ++i)
        if (state.errCount[i] > state.maxMismatches) return false;
    return true;
}

int get_max_missmatches(const bincenter_inst& state) {
    int worst = 0;
    for (int i = 0; i < state.rowCount; ++i) worst = std::max(worst, state.errCount[i]);
    return worst;
}

void invert_bininst_column(int column, bincenter_inst& state) {
    for (int i = 0; i < state.rowCount; ++i) {
        unsigned char& diff = state.at(i, column);
        diff ^= 1;
        state.errCount[i] += diff ? 1 : -1;
    }
}

namespace {

// The flip vector F (row 0 of the state) with its inversion bookkeeping.
class FlipVector {
public:
    FlipVector(bincenter_inst& state, std::uint64_t* flipCounter) : state_(state), flipCounter_(flipCounter) {}

    unsigned char operator[](int c) const { return state_.at(0, c); }

    void set(int c, unsigned char value) {
        if (state_.at(0, c) == value) return;
        invert_bininst_column(c, state_);
        if (flipCounter_ != nullptr) ++*flipCounter_;
    }

    // F = ones in columns 0..t-1, zeros elsewhere.
    void first(int t) {
        for (int c = 0; c < state_.columnCount; ++c) set(c, c < t ? 1 : 0);
    }

    // Moves F to the next flip vector of the same weight that can still
    // bring the worst row within reach: at least `need` of F's ones must
    // move, so successors that keep all but fewer than `need` of them are
    // skipped. False when no such vector is left.
    bool next(int need) {
        const int n = state_.columnCount;
        int i = n - 1;
        int cnt = 0;  // ones right of i
        while (i >= 0 && (*this)[i] == 1) {
            ++cnt;
            --i;
        }
        if (i < 0) return false;
        while (cnt < need - 1) {
            if ((*this)[i] == 1) ++cnt;
            --i;
            if (i < 0) return false;
        }
        int pivot = i;
        while (pivot >= 0 && (*this)[pivot] == 0) --pivot;
        if (pivot < 0) return false;
        // cnt is now the number of ones right of the pivot; they move up
        // behind it as one block.
        set(pivot, 0);
        for (int q = pivot + 1; q < n; ++q) set(q, q <= pivot + 1 + cnt ? 1 : 0);
        return true;
    }

private:
    bincenter_inst& state_;
    std::uint64_t* flipCounter_;
};

// Flip vectors of weight t may only reach a center when the worst row (e
// errors) can be brought within d: each moved one of F changes that row's
// distance by at most two.
int neededMoves(int e, int d) { return static_cast<int>(std::ceil((e - d) / 2.0)); }

bool searchCenter(bincenter_inst& state, std::uint64_t* flipCounter) {
    if (valid_center(state)) return true;
    const int d = state.maxMismatches;
    const int n = state.columnCount;
    FlipVector flips(state, flipCounter);
    int t = 0;
    for (;;) {
        int need = neededMoves(get_max_missmatches(state), d);
        if (need > t) {
            // No vector of a weight below need can help either (both F and
            // the target would move fewer than 2*need-1 columns).
            t = need - 1;
        } else if (flips.next(need)) {
            if (valid_center(state)) return true;
            continue;
        }
        // Next weight: a center differs from row 0 in at most d columns, and
        // no vector has more ones than there are columns.
        if (t >= d || t >= n) return false;
        ++t;
        flips.first(t);
        if (valid_center(state)) return true;
    }
}

}  // namespace

std::optional<std::string> find_bincenter(const bincenter_inst& instance, std::optional<bincenterSymbols> symbols,
                                          std::uint64_t* flipCounter) {
    bincenter_inst state = gen_state_matrix(instance);
    if (!searchCenter(state, flipCounter)) return std::nullopt;

    const int n = instance.columnCount;
    std::string center(static_cast<size_t>(n), '0');
    if (instance.rowCount == 0) {
        // Without rows every string is a center; report row 0 as all zeros.
        if (symbols) std::fill(center.begin(), center.end(), '\0');
        return center;
    }
    const unsigned char* first = instance.row(0);
    const unsigned char* flipped = state.row(0);
    for (int c = 0; c < n; ++c) {
        if (!symbols) {
            center[c] = flipped[c] ? '1' : '0';
        } else if (!flipped[c]) {
            center[c] = static_cast<char>(first[c]);
        } else {
            center[c] = static_cast<char>(first[c] == symbols->first ? symbols->second : symbols->first);
        }
    }
    return center;
}

}  // namespace tamsu::detail
