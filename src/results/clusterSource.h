// The clusters of a run one record at a time, in their order: the records a
// result holds, or records made as they are read from the clusters behind
// them, so that a large result is held once, in its compact form.
#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "tamsu/types.h"

namespace tamsu::detail {

class ClusterSource {
public:
    using Visit = std::function<void(std::size_t index, const Cluster& cluster)>;

    explicit ClusterSource(const std::vector<Cluster>& records)
        : count_(records.size()), each_([&records](const Visit& visit) {
              for (std::size_t i = 0; i < records.size(); ++i) visit(i, records[i]);
          }) {}
    // count records that each(visit) makes and hands to visit, in order.
    ClusterSource(std::size_t count, std::function<void(const Visit&)> each)
        : count_(count), each_(std::move(each)) {}

    std::size_t size() const { return count_; }
    void forEach(const Visit& visit) const { each_(visit); }

private:
    std::size_t count_;
    std::function<void(const Visit&)> each_;
};

}  // namespace tamsu::detail
