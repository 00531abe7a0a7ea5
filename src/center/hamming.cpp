// Hamming weights of byte strings.
#include "center/hamming.h"

namespace tamsu::detail {

int hammingWeight(const unsigned char* v, int n) {
    int weight = 0;
    for (int i = 0; i < n; ++i)
        if (v[i] != 0) ++weight;
    return weight;
}

}  // namespace tamsu::detail
