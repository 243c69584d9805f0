// TextDigest: a text's length and 64-bit FNV-1a hash, taken a piece at a time, so that two texts
// can be told apart without either being held whole.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvr {

class TextDigest {
public:
    void add(const char* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            hash_ = (hash_ ^ static_cast<unsigned char>(data[i])) * 1099511628211ull;
        }
        size_ += size;
    }

    bool operator==(const TextDigest& other) const {
        return size_ == other.size_ && hash_ == other.hash_;
    }
    bool operator!=(const TextDigest& other) const { return !(*this == other); }

private:
    std::uint64_t hash_ = 14695981039346656037ull;
    std::uint64_t size_ = 0;
};

}  // namespace kvr
