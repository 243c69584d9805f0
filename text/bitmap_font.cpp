// Unpacking of the run-packed font into BitmapFont's glyph table. No OpenGL here.
#include "text/bitmap_font.h"

#include <algorithm>
#include <limits>

#include "text/packed_font_data.h"

namespace kvr {

namespace {

// Hands out the packed bytes in order and reports when none remain.
class ByteReader {
public:
    ByteReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    bool next(unsigned char& byte) {
        if (position_ >= size_) return false;
        byte = data_[position_++];
        return true;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace

BitmapFont::BitmapFont() : BitmapFont(packedFontData, packedFontDataSize) {}

BitmapFont::BitmapFont(const unsigned char* packed, std::size_t size) {
    ByteReader reader(packed, packed ? size : 0);

    unsigned char header[4] = {0, 0, 0, 0};
    for (unsigned char& byte : header) reader.next(byte);
    glyphSize = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(header[0]) | static_cast<std::uint32_t>(header[1]) << 8 |
        static_cast<std::uint32_t>(header[2]) << 16 | static_cast<std::uint32_t>(header[3]) << 24);

    // Rows are padded to whole bytes. The size comes from the executable, but a corrupt header
    // must still not overflow: such a font simply has no addressable glyphs.
    const std::int64_t rowBits = (static_cast<std::int64_t>(glyphSize) + 7) / 8 * 8;
    const std::int64_t glyphBytes = glyphSize > 0 ? rowBits * glyphSize / 8 : 0;
    bytesPerGlyph = glyphBytes <= std::numeric_limits<std::int32_t>::max()
                        ? static_cast<std::int32_t>(glyphBytes)
                        : 0;

    // A run cut short by the end of the array is completed with the last data byte read, which
    // is also what the array's trailing zero count byte turns into: one surplus byte.
    unsigned char last = 0;
    unsigned char count = 0;
    while (reader.next(count)) {
        if (count < 128) {
            for (int i = 0; i <= count; ++i) {
                reader.next(last);
                glyphBits.push_back(last);
            }
        } else {
            reader.next(last);
            glyphBits.insert(glyphBits.end(), static_cast<std::size_t>(count - 127), last);
        }
    }

    if (bytesPerGlyph > 0) {
        const std::size_t whole = glyphBits.size() / static_cast<std::size_t>(bytesPerGlyph);
        glyphCount = static_cast<std::int32_t>(
            std::min<std::size_t>(whole, std::numeric_limits<std::int32_t>::max()));
    }
}

}  // namespace kvr
