// Integer array helpers.
#include "util/intArrays.h"

#include <cstdlib>

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

int sumOfIntArray_1(const int* array, int n) {
    int sum = 0;
    for (int i = 0; i < n; ++i) sum += array[i];
    return sum;
}

void fprintIntArray_1(FILE* stream, const int* array, int n) {
    for (int i = 0; i < n; ++i) std::fprintf(stream, "%d ", array[i]);
    std::fprintf(stream, "\n");
}

void fprintIntArray_2(FILE* stream, const IntTable& table, int rows, int cols) {
    for (int i = 0; i < rows; ++i) fprintIntArray_1(stream, table.row(i), cols);
}
