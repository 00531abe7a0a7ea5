// Integer array helpers.
#include "util/intArrays.h"

#include <cstdlib>

namespace tamsu::detail {

int compareInts(const void* a, const void* b) {
    int x = *static_cast<const int*>(a);
    int y = *static_cast<const int*>(b);
    if (x < y) return -1;
    if (x > y) return 1;
    return 0;
}

void sortAscIntArray(int* array, int n) {
    if (n > 1) std::qsort(array, static_cast<size_t>(n), sizeof(int), compareInts);
}

}  // namespace tamsu::detail
