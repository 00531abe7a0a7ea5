// The character set of a k-tuple: a list that grows at its front.
#pragma once

#include <cstdio>
#include <vector>

namespace tamsu::detail {

struct TupleSearchState;

// Characters in list order (front first). Insertion prepends, so the vector
// holds them reversed: chars.back() is the front of the list.
struct setOfChars {
    std::vector<int> reversed;  // reversed[i] = char; the list front is reversed.back()

    void reset() { reversed.clear(); }
    void insertIntoCharList(int c) { reversed.push_back(c); }
    // Front-to-back order.
    std::vector<int> inListOrder() const { return std::vector<int>(reversed.rbegin(), reversed.rend()); }
};

}  // namespace tamsu::detail
