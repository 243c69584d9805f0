// ValueArena: the process-wide bump allocator that holds every math3d value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvr {

class ValueArena {
public:
    explicit ValueArena(std::uint32_t initialCapacity = 65536);
    ~ValueArena();
    ValueArena(const ValueArena&) = delete;
    ValueArena& operator=(const ValueArena&) = delete;

    // Address of n fresh bytes; throws kvr::Error rather than hand out memory it does not have.
    void* allocate(std::uint32_t n);
    void reserve(std::uint32_t n);
    void resize(std::uint32_t n);
    std::uint32_t size() const { return size_; }
    std::uint32_t capacity() const { return capacity_; }

    // Whether [p, p + bytes) lies inside one block obtained by this arena.
    bool contains(const void* p, std::size_t bytes) const;

    static ValueArena& instance();

private:
    void startBlock(std::uint32_t bytes);

    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = 0;
    unsigned char* current_ = nullptr;
    std::vector<unsigned char*> blocks_;
    std::vector<std::uint32_t> blockSizes_;
};

}  // namespace kvr
