// The shortest decimal of a float that reads back to it: saved timeline files and --export.
#pragma once

#include <cstdint>
#include <optional>

namespace kvr {

// Room for the longest such text, "-1.17549435e-38", with some to spare.
constexpr int kShortestNumberSize = 24;

// Writes the fewest significant digits that read back to the finite value v, in fixed notation
// or, where that is shorter, in exponent notation ("0.004", "2.675", "1e-05", "-1.5e+20"), and
// returns the end of the text (not terminated); in fixed notation a large whole number has all
// the digits of its float ("123456792"). Lua reads a number as a double and the loader narrows
// it to a float; this text gives v back that way too, bit for bit.
char* writeShortestNumber(char* first, float v);

// The value of the shortest digits when they make a whole number an int64 holds: 123456790 for
// the float 123456792, as "1.2345679e+08" reads back to it. A minus zero gives 0.
std::optional<std::int64_t> shortestInteger(float v);

}  // namespace kvr
