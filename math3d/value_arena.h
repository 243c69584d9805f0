// ValueArena: the process-wide bump allocator that holds every math3d value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvr {

class ValueArena {
public:
    // Counts at or above this are refused: the doubling of a capacity must stay within 32 bits.
    static constexpr std::uint64_t countLimit = std::uint64_t{1} << 31;
    // Blocks are kept until exit, so a script that asks for ever larger ones would otherwise
    // pile them up without end; all blocks together may hold no more than this.
    static constexpr std::uint64_t defaultStorageLimit = std::uint64_t{1} << 30;

    explicit ValueArena(std::uint32_t initialCapacity = 65536);
    ~ValueArena();
    ValueArena(const ValueArena&) = delete;
    ValueArena& operator=(const ValueArena&) = delete;

    // Address of n fresh bytes; throws kvr::Error rather than hand out memory it does not have.
    void* allocate(std::uint32_t n);
    // Makes the current block at least n bytes long; a new block restarts the size at 0.
    void reserve(std::uint32_t n);
    // Rewinds (or advances) the size to n rounded up to a multiple of 4, starting a new block if
    // the current one is too short.
    void resize(std::uint32_t n);
    std::uint32_t size() const { return size_; }
    std::uint32_t capacity() const { return capacity_; }

    // Bytes of all blocks obtained so far, and the most they may reach; a block past the limit is
    // refused like any request the arena cannot meet.
    std::uint64_t storage() const { return storage_; }
    void setStorageLimit(std::uint64_t bytes) { storageLimit_ = bytes; }

    // Frees every block and starts over as a new arena of that capacity. Every value made so far
    // is gone: only for a host that runs script after script and keeps no value between them.
    void restart(std::uint32_t initialCapacity = 65536);

    // Whether [p, p + bytes) lies inside one block obtained by this arena.
    bool contains(const void* p, std::size_t bytes) const;

    static ValueArena& instance();

private:
    struct BlockRange {
        std::uintptr_t start;
        std::uint32_t length;
    };

    void startBlock(std::uint32_t bytes, const char* operation, std::uint64_t count);
    std::uint32_t doubledCapacity(std::uint64_t target, const char* operation,
                                  std::uint64_t count) const;

    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = 0;
    std::uint64_t storage_ = 0;
    std::uint64_t storageLimit_ = defaultStorageLimit;
    unsigned char* current_ = nullptr;
    // In the order obtained, for the release at exit.
    std::vector<unsigned char*> blocks_;
    // The same blocks sorted by address, so contains() can search them.
    std::vector<BlockRange> ranges_;
};

}  // namespace kvr
