// Hamming distances between byte strings.
#include "center/hamming.h"

int hammingDistance(const unsigned char* a, const unsigned char* b, int n) {
    int distance = 0;
    for (int i = 0; i < n; ++i)
        if (a[i] != b[i]) ++distance;
    return distance;
}

int hammingWeight(const unsigned char* v, int n) {
    int weight = 0;
    for (int i = 0; i < n; ++i)
        if (v[i] != 0) ++weight;
    return weight;
}
