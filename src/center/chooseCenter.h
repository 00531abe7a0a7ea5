// The gene set a center cluster reports: among the sets within the pair-wise
// distance of every occurrence and at least the minimum size, one chosen by a
// fixed rule, so that equal occurrences always give the same set.
#pragma once

#include <optional>
#include <span>
#include <vector>

namespace tamsu::detail {

// Occurrences as rows of 0/1 flags indexed by column id; the columns that
// any occurrence holds are listed in `columns` by ascending gene id (genes
// outside every occurrence never bring a set closer to all of them).
//
// The chosen center has the smallest summed distance to the rows; among
// those, the most genes; among those, the smallest genes compared in
// ascending order. Returns its columns (a subsequence of `columns`), or
// nothing when no set of at least minSize genes lies within maxDistance of
// every row.
std::optional<std::vector<int>> chooseCenter(std::span<const unsigned char* const> rows, std::span<const int> columns,
                                             int maxDistance, int minSize);

}  // namespace tamsu::detail
