// The value arena: blocks obtained once and kept until exit, rewound instead of freed.
#include "math3d/value_arena.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "timeline/error.h"

namespace kvr {

namespace {

// Made during static initialisation, so it exists before main and outlives every Lua state.
ValueArena processArena;

[[noreturn]] void refuse(const char* operation, std::uint64_t count, const char* reason) {
    throw Error("value arena: " + std::string(operation) + " of " + std::to_string(count) +
                " bytes refused: " + reason);
}

}  // namespace

ValueArena::ValueArena(std::uint32_t initialCapacity) {
    if (initialCapacity >= countLimit) refuse("construction", initialCapacity, "too large");
    if (initialCapacity > 0) startBlock(initialCapacity, "construction", initialCapacity);
}

ValueArena::~ValueArena() {
    for (unsigned char* block : blocks_) std::free(block);
}

void ValueArena::restart(std::uint32_t initialCapacity) {
    for (unsigned char* block : blocks_) std::free(block);
    blocks_.clear();
    ranges_.clear();
    current_ = nullptr;
    size_ = 0;
    capacity_ = 0;
    storage_ = 0;
    if (initialCapacity > 0) startBlock(initialCapacity, "restart", initialCapacity);
}

ValueArena& ValueArena::instance() {
    return processArena;
}

void* ValueArena::allocate(std::uint32_t n) {
    if (n >= countLimit) refuse("allocation", n, "the count is 2^31 or more");
    const std::uint64_t end = std::uint64_t{size_} + n;
    if (end <= capacity_) {
        unsigned char* value = current_ + size_;
        size_ = static_cast<std::uint32_t>(end);
        return value;
    }
    startBlock(doubledCapacity(end, "allocation", n), "allocation", n);
    size_ = n;
    return current_;
}

void ValueArena::reserve(std::uint32_t n) {
    if (n >= countLimit) refuse("reserve", n, "the count is 2^31 or more");
    if (capacity_ >= n) return;
    startBlock(n, "reserve", n);
    size_ = 0;
}

void ValueArena::resize(std::uint32_t n) {
    // Rounding keeps every later value aligned for floats.
    const std::uint64_t rounded = (std::uint64_t{n} + 3) & ~std::uint64_t{3};
    if (rounded >= countLimit) {
        refuse("resize", n,
               rounded == n ? "the count is 2^31 or more"
                            : "the count rounded up to a multiple of 4 is 2^31 or more");
    }
    if (capacity_ >= rounded) {
        size_ = static_cast<std::uint32_t>(rounded);
        return;
    }
    startBlock(doubledCapacity(rounded, "resize", n), "resize", n);
    // The new block starts empty; the requested count is not carried over.
    size_ = 0;
}

bool ValueArena::contains(const void* p, std::size_t bytes) const {
    const auto address = reinterpret_cast<std::uintptr_t>(p);
    auto inside = [address, bytes](std::uintptr_t start, std::uint32_t length) {
        return address >= start && bytes <= length && address - start <= length - bytes;
    };
    // Nearly every value lives in the current block.
    if (current_ != nullptr && inside(reinterpret_cast<std::uintptr_t>(current_), capacity_)) {
        return true;
    }
    auto after =
        std::upper_bound(ranges_.begin(), ranges_.end(), address,
                         [](std::uintptr_t a, const BlockRange& range) { return a < range.start; });
    if (after == ranges_.begin()) return false;
    --after;
    return inside(after->start, after->length);
}

std::uint32_t ValueArena::doubledCapacity(std::uint64_t target, const char* operation,
                                          std::uint64_t count) const {
    std::uint64_t grown = capacity_ == 0 ? 1 : capacity_;
    while (grown < target) grown *= 2;
    if (grown > countLimit) refuse(operation, count, "doubling the capacity would overflow");
    return static_cast<std::uint32_t>(grown);
}

void ValueArena::startBlock(std::uint32_t bytes, const char* operation, std::uint64_t count) {
    if (storage_ + bytes > storageLimit_) {
        refuse(
            operation, count,
            ("the arena would hold more than " + std::to_string(storageLimit_) + " bytes").c_str());
    }
    // Make room in the lists first so that nothing can fail once the block is obtained.
    blocks_.reserve(blocks_.size() + 1);
    ranges_.reserve(ranges_.size() + 1);
    // Zeroed so that a value read before it is written holds defined floats.
    auto* block = static_cast<unsigned char*>(std::calloc(bytes, 1));
    if (block == nullptr) refuse(operation, count, "out of memory");
    blocks_.push_back(block);
    const BlockRange range{reinterpret_cast<std::uintptr_t>(block), bytes};
    ranges_.insert(std::upper_bound(
                       ranges_.begin(), ranges_.end(), range,
                       [](const BlockRange& a, const BlockRange& b) { return a.start < b.start; }),
                   range);
    current_ = block;
    capacity_ = bytes;
    storage_ += bytes;
}

}  // namespace kvr
