// textInk: the pixels a string should cover, worked out from the glyph bitmaps alone.
#pragma once

#include <vector>

#include "text/bitmap_font.h"
#include "text/shift_jis_reader.h"

namespace kvr::test {

enum class Ink { Background, Outline, Glyph };

// Text drawn with its first cell's top-left corner at (x, y) in a window of width x height, row 0
// at the top; with `outlined`, the one-pixel ring around the glyphs is Outline.
inline std::vector<Ink> textInk(const BitmapFont& font, int width, int height, int x, int y,
                                const char* text, bool outlined) {
    std::vector<Ink> ink(static_cast<std::size_t>(width) * height, Ink::Background);
    auto glyphAt = [&](int px, int py) {
        return px >= 0 && py >= 0 && px < width && py < height &&
               ink[static_cast<std::size_t>(py) * width + px] == Ink::Glyph;
    };
    ShiftJisReader reader(text);
    TextCharacter character;
    for (int penX = x; reader.next(character);) {
        if (character.glyph < 0 || character.glyph >= font.glyphCount) continue;
        const int cellX = character.halfWidth ? penX - 8 : penX;
        for (int row = 0; row < 16; ++row) {
            const unsigned char* bits = font.glyph(character.glyph) + (15 - row) * 2;
            for (int column = 0; column < 16; ++column) {
                const int px = cellX + column, py = y + row;
                if ((bits[column / 8] & (0x80 >> (column % 8))) && px >= 0 && py >= 0 &&
                    px < width && py < height) {
                    ink[static_cast<std::size_t>(py) * width + px] = Ink::Glyph;
                }
            }
        }
        penX += character.halfWidth ? 8 : 16;
    }
    if (!outlined) return ink;
    std::vector<Ink> result = ink;
    for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
            if (!glyphAt(px, py) && (glyphAt(px - 1, py) || glyphAt(px + 1, py) ||
                                     glyphAt(px, py - 1) || glyphAt(px, py + 1))) {
                result[static_cast<std::size_t>(py) * width + px] = Ink::Outline;
            }
        }
    }
    return result;
}

}  // namespace kvr::test
