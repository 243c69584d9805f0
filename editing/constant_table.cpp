// Counting a chunk's constants per function, as the Lua compiler will store them.
#include "editing/constant_table.h"

#include <algorithm>
#include <limits>

namespace kvr {

namespace {

// Never a key: keys are the 32 bits of a float, so never negative.
constexpr std::int64_t kEmpty = std::numeric_limits<std::int64_t>::min();
constexpr int kInitialBits = 10;

template <typename T>
bool earlierInLine(const T* items, int i) {
    for (int j = 0; j < i; ++j) {
        if (items[j] == items[i]) return true;
    }
    return false;
}

}  // namespace

NumberSet::NumberSet()
    : slots_(std::size_t{1} << kInitialBits, kEmpty), shift_(64 - kInitialBits) {}

std::size_t NumberSet::slotOf(std::int64_t key) const {
    // Fibonacci hashing: the bits of neighbouring values spread over the whole table.
    return static_cast<std::size_t>((static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull) >>
                                    shift_);
}

bool NumberSet::contains(std::int64_t key) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = slotOf(key);; i = (i + 1) & mask) {
        if (slots_[i] == key) return true;
        if (slots_[i] == kEmpty) return false;
    }
}

void NumberSet::insertIfAbsent(std::int64_t key) {
    if (2 * (size_ + 1) > slots_.size()) resizeSlots(64 - shift_ + 1);
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = slotOf(key);
    for (; slots_[i] != kEmpty; i = (i + 1) & mask) {
        if (slots_[i] == key) return;
    }
    slots_[i] = key;
    ++size_;
}

void NumberSet::reserve(std::size_t keys) {
    int bits = 64 - shift_;
    while ((std::size_t{1} << bits) < 2 * keys) ++bits;
    if (bits > 64 - shift_) resizeSlots(bits);
}

void NumberSet::place(std::int64_t key) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = slotOf(key);
    while (slots_[i] != kEmpty) i = (i + 1) & mask;
    slots_[i] = key;
}

void NumberSet::resizeSlots(int bits) {
    std::vector<std::int64_t> old(std::size_t{1} << bits, kEmpty);
    old.swap(slots_);
    shift_ = 64 - bits;
    for (std::int64_t key : old) {
        if (key != kEmpty) place(key);
    }
}

void NumberSet::clear() {
    std::fill(slots_.begin(), slots_.end(), kEmpty);
    size_ = 0;
}

bool ConstantTable::hasString(const std::string& s) const {
    // Key lines name the same few string objects over and over; comparing addresses first
    // spares hashing their text for every line.
    for (const std::string* seen : stringAddresses_) {
        if (seen == &s) return true;
    }
    return strings_.count(s) != 0;
}

void ConstantTable::addString(const std::string& s) {
    if (!strings_.insert(s).second) return;
    if (stringAddresses_.size() < 8) stringAddresses_.push_back(&s);
}

bool ConstantTable::tryAdd(const LineConstants& line) {
    const std::size_t most = static_cast<std::size_t>(line.numberCount + line.stringCount);
    if (size() + most > capacity_) {
        // Near the capacity, count the line's new constants before adding any. A line may
        // repeat a value (a key whose handles lie on its point repeats both of its numbers
        // three times); each distinct constant counts once.
        std::size_t fresh = 0;
        for (int i = 0; i < line.numberCount; ++i) {
            if (!numbers_.contains(line.numbers[i]) && !earlierInLine(line.numbers, i)) ++fresh;
        }
        for (int i = 0; i < line.stringCount; ++i) {
            bool repeated = false;
            for (int j = 0; j < i; ++j) repeated = repeated || *line.strings[j] == *line.strings[i];
            if (!repeated && !hasString(*line.strings[i])) ++fresh;
        }
        if (size() + fresh > capacity_) return false;
    }
    for (int i = 0; i < line.numberCount; ++i) numbers_.insertIfAbsent(line.numbers[i]);
    for (int i = 0; i < line.stringCount; ++i) {
        if (!hasString(*line.strings[i])) addString(*line.strings[i]);
    }
    return true;
}

void ConstantTable::clear() {
    numbers_.clear();
    strings_.clear();
    stringAddresses_.clear();
}

}  // namespace kvr
