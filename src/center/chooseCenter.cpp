// Center choice. The summed distance splits into one term per gene, so the
// set of the genes held by at least half of the occurrences has the smallest
// sum, and with the genes held by exactly half the most genes: when it is a
// center it is the choice. Otherwise every center differs from the first
// occurrence in at most maxDistance genes, and the sets of at most that many
// changed genes are searched depth-first, each occurrence's distance kept up
// to date under single changes; a branch is cut once some distance can no
// longer come down to the bound with the changes left, or once its best
// possible sum is worse than a center already found.
#include "center/chooseCenter.h"

#include <algorithm>
#include <cstddef>
#include <functional>

namespace tamsu::detail {

namespace {

class CenterSearch {
public:
    CenterSearch(std::span<const unsigned char* const> rows, std::span<const int> columns, int maxDistance, int minSize)
        : rowCount_(static_cast<int>(rows.size())),
          columnCount_(static_cast<int>(columns.size())),
          maxDistance_(maxDistance),
          minSize_(minSize),
          bits_(static_cast<std::size_t>(rowCount_) * columnCount_),
          distance_(static_cast<std::size_t>(rowCount_), 0),
          current_(static_cast<std::size_t>(columnCount_)) {
        for (int i = 0; i < rowCount_; ++i)
            for (int j = 0; j < columnCount_; ++j) bits_[index(i, j)] = rows[i][columns[j]] ? 1 : 0;
        // The search starts from the first occurrence's own set.
        for (int j = 0; j < columnCount_; ++j) {
            current_[j] = bits_[index(0, j)];
            size_ += current_[j];
        }
        for (int i = 0; i < rowCount_; ++i)
            for (int j = 0; j < columnCount_; ++j) distance_[i] += bits_[index(i, j)] != current_[j];
    }

    std::optional<std::vector<unsigned char>> run() {
        if (majorityIsCenter()) return best_;
        // What flipping column j (not yet flipped) takes off the sum.
        gain_.resize(static_cast<std::size_t>(columnCount_));
        for (int j = 0; j < columnCount_; ++j) {
            int differ = 0;
            for (int i = 0; i < rowCount_; ++i) differ += bits_[index(i, j)] != current_[j];
            gain_[j] = 2 * differ - rowCount_;
        }
        search(0, maxDistance_);
        return best_;
    }

private:
    std::size_t index(int i, int j) const { return static_cast<std::size_t>(i) * columnCount_ + j; }

    void flip(int j) {
        current_[j] ^= 1;
        size_ += current_[j] ? 1 : -1;
        for (int i = 0; i < rowCount_; ++i) distance_[i] += bits_[index(i, j)] != current_[j] ? 1 : -1;
    }

    void search(int from, int changesLeft) {
        int worst = 0, sum = 0;
        for (int dist : distance_) {
            worst = std::max(worst, dist);
            sum += dist;
        }
        if (worst - changesLeft > maxDistance_) return;  // no descendant can come within the bound
        if (best_ && sum - bestGain(from, changesLeft) > bestSum_) return;
        if (worst <= maxDistance_ && size_ >= minSize_) consider(sum);
        if (changesLeft == 0) return;
        for (int j = from; j < columnCount_; ++j) {
            flip(j);
            search(j + 1, changesLeft - 1);
            flip(j);
        }
    }

    // The most the sum can still fall: the largest positive gains of the
    // columns from `from` on, at most changesLeft of them.
    int bestGain(int from, int changesLeft) {
        gains_.clear();
        for (int j = from; j < columnCount_; ++j)
            if (gain_[j] > 0) gains_.push_back(gain_[j]);
        if (static_cast<int>(gains_.size()) > changesLeft) {
            std::nth_element(gains_.begin(), gains_.begin() + changesLeft, gains_.end(), std::greater<int>());
            gains_.resize(static_cast<std::size_t>(changesLeft));
        }
        int total = 0;
        for (int g : gains_) total += g;
        return total;
    }

    bool majorityIsCenter() {
        std::vector<unsigned char> majority(static_cast<std::size_t>(columnCount_));
        int size = 0;
        for (int j = 0; j < columnCount_; ++j) {
            int ones = 0;
            for (int i = 0; i < rowCount_; ++i) ones += bits_[index(i, j)];
            majority[j] = 2 * ones >= rowCount_;
            size += majority[j];
        }
        if (size < minSize_) return false;
        int sum = 0;
        for (int i = 0; i < rowCount_; ++i) {
            int dist = 0;
            for (int j = 0; j < columnCount_; ++j) dist += bits_[index(i, j)] != majority[j];
            if (dist > maxDistance_) return false;
            sum += dist;
        }
        best_ = std::move(majority);
        bestSum_ = sum;
        bestSize_ = size;
        return true;
    }

    // Smallest summed distance, then most genes, then the smaller genes
    // first; columns ascend by gene id, so comparing the flags from the first
    // column on compares the sorted gene lists.
    void consider(int sum) {
        if (best_) {
            if (sum != bestSum_) {
                if (sum > bestSum_) return;
            } else if (size_ != bestSize_) {
                if (size_ < bestSize_) return;
            } else {
                auto diff = std::mismatch(current_.begin(), current_.end(), best_->begin());
                if (diff.first == current_.end() || *diff.first < *diff.second) return;
            }
        }
        best_ = current_;
        bestSum_ = sum;
        bestSize_ = size_;
    }

    int rowCount_, columnCount_, maxDistance_, minSize_;
    std::vector<unsigned char> bits_;  // rows x columns
    std::vector<int> distance_;        // per row: its distance to the current set
    std::vector<unsigned char> current_;
    std::vector<int> gain_, gains_;
    int size_ = 0;
    std::optional<std::vector<unsigned char>> best_;
    int bestSum_ = 0, bestSize_ = 0;
};

}  // namespace

std::optional<std::vector<int>> chooseCenter(std::span<const unsigned char* const> rows, std::span<const int> columns,
                                             int maxDistance, int minSize) {
    if (rows.empty() || maxDistance < 0) return std::nullopt;
    std::optional<std::vector<unsigned char>> flags = CenterSearch(rows, columns, maxDistance, minSize).run();
    if (!flags) return std::nullopt;
    std::vector<int> center;
    for (std::size_t j = 0; j < columns.size(); ++j)
        if ((*flags)[j]) center.push_back(columns[j]);
    return center;
}

}  // namespace tamsu::detail
