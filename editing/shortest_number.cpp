// The shortest decimal of a float, and whether it is a whole number.
#include "editing/shortest_number.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace kvr {

namespace {

// Whether Lua reads the text back as v: as the nearest double, then narrowed by the loader.
bool readsBackThroughDouble(const char* first, const char* last, float v) {
    double read = 0.0;
    std::from_chars(first, last, read);
    return static_cast<float>(read) == v;
}

}  // namespace

char* writeShortestNumber(char* first, float v) {
    char* const last = first + kShortestNumberSize;
    // The shortest text that reads back to v as a float. Read as a double first, as Lua reads
    // it, it can land on the midpoint between v and its neighbour and so on the neighbour. Of
    // all finite floats only two do that (checked over every one): the floats nearest to
    // 7.038531e-26 and -7.038531e-26, which read back through a double as their neighbours.
    // For those, the shortest text that does read back is v rounded to the fewest digits that
    // works, "7.0385307e-26", and exponent notation is the shorter form at that size.
    char* end = std::to_chars(first, last, v).ptr;
    for (int precision = 0; !readsBackThroughDouble(first, end, v) && precision < 9; ++precision) {
        end = std::to_chars(first, last, v, std::chars_format::scientific, precision).ptr;
    }
    return end;
}

std::optional<std::int64_t> shortestInteger(float v) {
    if (!std::isfinite(v)) return std::nullopt;
    // In exponent notation the digits are the shortest ones also where the plain text of a
    // large whole number spells out every digit of its float ("123456792"). (The two floats
    // whose shortest text reads back through a double as a neighbour are no whole numbers.)
    char text[kShortestNumberSize];
    const char* const end =
        std::to_chars(text, text + sizeof text, v, std::chars_format::scientific).ptr;
    // Digits with at most one point, then the exponent: the value is the digits times ten to
    // the exponent less the digits after the point.
    std::uint64_t digits = 0;
    int digitCount = 0;
    int shift = 0;
    bool afterPoint = false;
    const char* p = text;
    if (*p == '-') ++p;
    for (; p != end && *p != 'e'; ++p) {
        if (*p == '.') {
            afterPoint = true;
            continue;
        }
        digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
        ++digitCount;
        if (afterPoint) --shift;
    }
    int exponent = 0;
    if (p != end) std::from_chars(p + 1 + (p[1] == '+'), end, exponent);
    shift += exponent;
    // The shortest digits end in no zero after the point, so a negative shift is a fraction.
    // Nineteen digits stay below 2^64.
    if (shift < 0 || digitCount + shift > 19) return std::nullopt;
    for (int i = 0; i < shift; ++i) digits *= 10;
    if (digits > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return std::nullopt;
    }
    const auto magnitude = static_cast<std::int64_t>(digits);
    return text[0] == '-' ? -magnitude : magnitude;
}

}  // namespace kvr
