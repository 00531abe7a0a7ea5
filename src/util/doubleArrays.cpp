// Double array helpers.
#include "util/doubleArrays.h"

double sumDoubleArray(const double* array, int from, int to) {
    double sum = 0.0;
    for (int i = from; i <= to; ++i) sum += array[i];
    return sum;
}
