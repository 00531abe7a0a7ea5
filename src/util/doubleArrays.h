// Double arrays: flat 2-D and 3-D tables.
#pragma once

#include <cstddef>
#include <vector>

namespace tamsu::detail {

// A rows x cols table of doubles in one allocation.
class DoubleTable {
public:
    DoubleTable() = default;
    DoubleTable(int rows, int cols, double value)
        : rows_(rows), cols_(cols), data_(static_cast<size_t>(rows) * static_cast<size_t>(cols), value) {}
    int rows() const { return rows_; }
    int cols() const { return cols_; }
    double& operator()(int i, int j) { return data_[static_cast<size_t>(i) * cols_ + j]; }
    double operator()(int i, int j) const { return data_[static_cast<size_t>(i) * cols_ + j]; }
    double* row(int i) { return data_.data() + static_cast<size_t>(i) * cols_; }
    const double* row(int i) const { return data_.data() + static_cast<size_t>(i) * cols_; }

private:
    int rows_ = 0;
    int cols_ = 0;
    std::vector<double> data_;
};

// An a x b x c table of doubles in one allocation.
class DoubleTable3 {
public:
    DoubleTable3() = default;
    DoubleTable3(int a, int b, int c, double value)
        : b_(b), c_(c), data_(static_cast<size_t>(a) * b * c, value) {}
    double& operator()(int i, int j, int k) { return data_[(static_cast<size_t>(i) * b_ + j) * c_ + k]; }
    double operator()(int i, int j, int k) const { return data_[(static_cast<size_t>(i) * b_ + j) * c_ + k]; }

private:
    int b_ = 0;
    int c_ = 0;
    std::vector<double> data_;
};

}  // namespace tamsu::detail
