// FNV-1a, 64 bits, over a stream of bytes: the fingerprint of the input files
// of a split run. Enough to tell two inputs apart, not a defence against forgery.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tamsu::detail {

class Fnv1a {
public:
    void add(const char* data, std::size_t size) {
        std::uint64_t hash = hash_;
        for (std::size_t i = 0; i < size; ++i) {
            hash ^= static_cast<unsigned char>(data[i]);
            hash *= 0x100000001b3ULL;
        }
        hash_ = hash;
    }
    std::uint64_t value() const { return hash_; }
    // "fnv1a64:" and 16 hex digits.
    std::string text() const;

private:
    std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

}  // namespace tamsu::detail
