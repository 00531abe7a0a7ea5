// Hamming weights of 0/1 byte strings, the distance the center search works
// in: for gene-presence rows it is the size of the symmetric difference.
#pragma once

namespace tamsu::detail {

// Number of non-zero bytes among v[0..n-1] (the distance to the zero string).
int hammingWeight(const unsigned char* v, int n);

}  // namespace tamsu::detail
