// ConstantTable: counting the constants that one function of a written Lua chunk will hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

namespace kvr {

// A Lua 5.0 or 5.1 function holds at most 2^18 - 1 constants; with one more, loading the chunk
// stops with "constant table overflow".
constexpr std::size_t kLuaConstantLimit = (std::size_t{1} << 18) - 1;

// The constants one line of a timeline file adds to the function that holds it. A number is
// the value Lua 5.1 stores: its parser folds a minus sign into the literal, so -1.5 and 1.5
// are two constants. Lua 5.0 stores only the magnitude and negates at run time, so it never
// needs more constants than this count, and one count serves both. Two number texts are one
// constant exactly when they read to the same double. The writer gives each float one text,
// which reads to a double that narrows back to that float, so a float names its constant: it
// is kept by its bits, with 0 and -0 as one, as Lua compares them equal (and the writer prints
// both as 0.00). The numbers of 1/0 and 0/0 are the floats 1, -1 and 0 in the same way.
struct LineConstants {
    std::int64_t numbers[12];  // six values, each a number or a quotient of two
    int numberCount = 0;
    const std::string* strings[3];
    int stringCount = 0;

    void clear() {
        numberCount = 0;
        stringCount = 0;
    }
    void addNumber(float value) {
        std::uint32_t bits = 0;
        if (value != 0.0f) std::memcpy(&bits, &value, sizeof bits);
        numbers[numberCount++] = bits;
    }
    // The string is compared by address as well as by text: it must outlive the tables the
    // line goes into and keep its text meanwhile.
    void addString(const std::string& s) { strings[stringCount++] = &s; }
};

// Sixty-four-bit keys in open addressing: no allocation per key, and small enough per
// function to stay in cache, which a node-based set of a few hundred thousand keys does not.
class NumberSet {
public:
    NumberSet();
    bool contains(std::int64_t key) const;
    void insertIfAbsent(std::int64_t key);
    // Makes room for this many keys at once, sparing the growth on the way.
    void reserve(std::size_t keys);
    std::size_t size() const { return size_; }
    void clear();

private:
    std::size_t slotOf(std::int64_t key) const;
    void place(std::int64_t key);
    void resizeSlots(int bits);

    std::vector<std::int64_t> slots_;  // a power of two in size, at most half full
    int shift_;
    std::size_t size_ = 0;
};

// The distinct constants of one function, up to a capacity.
class ConstantTable {
public:
    // expected is how many constants the caller thinks likely, for sizing the table once.
    explicit ConstantTable(std::size_t capacity, std::size_t expected = 0) : capacity_(capacity) {
        numbers_.reserve(expected < capacity ? expected : capacity);
    }

    // Adds the line's constants if the function can take them all; if it cannot, returns false
    // and changes nothing.
    bool tryAdd(const LineConstants& line);
    std::size_t size() const { return numbers_.size() + strings_.size(); }
    void clear();

private:
    bool hasString(const std::string& s) const;
    void addString(const std::string& s);

    std::size_t capacity_;
    NumberSet numbers_;
    std::unordered_set<std::string> strings_;
    std::vector<const std::string*> stringAddresses_;  // some of strings_, by the objects given
};

}  // namespace kvr
