// Integer arrays: the flat 2-D table used on every hot path, and the few
// int helpers the searches share.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace tamsu::detail {

// A rows x cols table in one allocation, indexed [i * cols + j].
class IntTable {
public:
    IntTable() = default;
    IntTable(int rows, int cols, int value)
        : rows_(rows), cols_(cols),
          data_(static_cast<size_t>(rows > 0 ? rows : 0) * static_cast<size_t>(cols > 0 ? cols : 0), value) {}

    int rows() const { return rows_; }
    int cols() const { return cols_; }
    bool empty() const { return data_.empty(); }

    int& operator()(int i, int j) { return data_[static_cast<size_t>(i) * cols_ + j]; }
    int operator()(int i, int j) const { return data_[static_cast<size_t>(i) * cols_ + j]; }
    int* row(int i) { return data_.data() + static_cast<size_t>(i) * cols_; }
    const int* row(int i) const { return data_.data() + static_cast<size_t>(i) * cols_; }

    void fill(int value) { std::fill(data_.begin(), data_.end(), value); }
    // Releases the memory (the table becomes empty).
    void clear() { rows_ = cols_ = 0; std::vector<int>().swap(data_); }

private:
    int rows_ = 0;
    int cols_ = 0;
    std::vector<int> data_;
};

// Three-way comparison of two ints by comparison, never by subtraction, so
// extreme values order correctly.
int compareInts(const void* a, const void* b);

// Sorts n ints ascending in place.
void sortAscIntArray(int* array, int n);

}  // namespace tamsu::detail
