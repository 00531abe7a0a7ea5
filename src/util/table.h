// The flat 2-D table used on every hot path: rows x cols values in one
// allocation, indexed [i * cols + j].
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace tamsu::detail {

template <typename T>
class Table {
public:
    Table() = default;
    Table(int rows, int cols, T value)
        : rows_(rows),
          cols_(cols),
          data_(static_cast<size_t>(rows > 0 ? rows : 0) * static_cast<size_t>(cols > 0 ? cols : 0), value) {}
    int rows() const { return rows_; }
    int cols() const { return cols_; }
    bool empty() const { return data_.empty(); }
    T& operator()(int i, int j) { return data_[static_cast<size_t>(i) * cols_ + j]; }
    T operator()(int i, int j) const { return data_[static_cast<size_t>(i) * cols_ + j]; }
    T* row(int i) { return data_.data() + static_cast<size_t>(i) * cols_; }
    const T* row(int i) const { return data_.data() + static_cast<size_t>(i) * cols_; }
    void fill(T value) { std::fill(data_.begin(), data_.end(), value); }
    // Releases the memory (the table becomes empty).
    void clear() {
        rows_ = cols_ = 0;
        std::vector<T>().swap(data_);
    }

private:
    int rows_ = 0;
    int cols_ = 0;
    std::vector<T> data_;
};

using IntTable = Table<int>;
using DoubleTable = Table<double>;

}  // namespace tamsu::detail
