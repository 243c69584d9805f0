// BitmapFont: the unpacked square bitmap font that all window text is drawn with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvr {

// Glyph i occupies bytes i * bytesPerGlyph onward in glyphBits: glyphSize rows, bottom row first
// (the order glBitmap takes), each row whole bytes with the most significant bit leftmost.
// Indices 0-255 are single bytes (half width, drawn from the right half of the cell); JIS X 0208
// row r, cell c is glyph 96 * r + c - 2849.
//
// Construction needs no OpenGL, so the editor builds its font before the window exists.
class BitmapFont {
public:
    // Unpacks the built-in font.
    BitmapFont();
    // Unpacks any array in the same format.
    BitmapFont(const unsigned char* packed, std::size_t size);

    std::int32_t glyphSize = 0;
    std::int32_t bytesPerGlyph = 0;
    std::int32_t glyphCount = 0;
    std::vector<unsigned char> glyphBits;

    // Start of glyph `index`'s bitmap; the index must be below glyphCount.
    const unsigned char* glyph(int index) const {
        return glyphBits.data() + static_cast<std::size_t>(index) * bytesPerGlyph;
    }

    // Draws a zero-terminated Shift-JIS string in the current colour with the top-left corner of
    // its first cell at window pixel (x, y), y counting down from the top edge. The caller's
    // matrices and matrix mode are left as they were.
    void drawText(int x, int y, const char* text) const;
};

}  // namespace kvr
