// fontTextOf: UTF-8 (names typed or read from a file) as the Shift-JIS the built-in font draws.
#pragma once

#include <cstddef>
#include <string>

namespace kvr {

struct FontText {
    std::string shiftJis;   // zero-free Shift-JIS: ASCII bytes and double-byte JIS X 0208 codes
    std::size_t cells = 0;  // half-width cells it takes: one per ASCII byte, two per JIS character
};

// ASCII bytes as they are and every other character as its JIS X 0208 code where it has one
// (kana, kanji, Greek, Cyrillic, full-width forms, ...), else '?', as is each byte that is not
// part of well-formed UTF-8. With lastCells, only the last characters that fit in that many cells
// are kept, as a field too narrow for its text shows where typing goes on.
FontText fontTextOf(const std::string& utf8, std::size_t lastCells = static_cast<std::size_t>(-1));

}  // namespace kvr
