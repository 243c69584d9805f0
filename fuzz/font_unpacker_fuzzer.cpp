// Fuzzes the font unpacker with arbitrary packed arrays, against a plain reading of the format.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "text/bitmap_font.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "font unpacking failed: %s\n", what);
    std::abort();
}

// The run format read the simple way: a count byte below 128 is followed by count + 1 literal
// bytes, one of 128 or more by one byte repeated count - 127 times; a run that the array cuts
// short is filled up with the data byte read last.
std::vector<unsigned char> expand(const std::uint8_t* data, std::size_t size) {
    std::vector<unsigned char> out;
    std::size_t i = 4;
    unsigned char last = 0;
    while (i < size) {
        const unsigned count = data[i++];
        const unsigned length = count < 128 ? count + 1 : 1;
        const unsigned copies = count < 128 ? 1 : count - 127;
        for (unsigned k = 0; k < length; ++k) {
            if (i < size) last = data[i++];
            out.insert(out.end(), copies, last);
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const kvr::BitmapFont font(data, size);

    // Header bytes the array does not have read as zero.
    std::uint32_t header = 0;
    for (std::size_t i = 0; i < 4 && i < size; ++i) header |= std::uint32_t{data[i]} << (8 * i);
    if (font.glyphSize != static_cast<std::int32_t>(header)) fail("glyph size differs from header");
    if (font.glyphBits != expand(data, size)) fail("glyph bytes differ from the runs");

    // Rows are whole bytes; a size whose glyphs would not fit in 32 bits gives no glyphs.
    std::int64_t perGlyph = 0;
    if (font.glyphSize > 0) perGlyph = (std::int64_t{font.glyphSize} + 7) / 8 * font.glyphSize;
    if (perGlyph > INT32_MAX) perGlyph = 0;
    if (font.bytesPerGlyph != perGlyph) fail("wrong bytes per glyph");
    if (font.glyphCount < 0) fail("negative glyph count");
    if (font.bytesPerGlyph <= 0) {
        if (font.glyphCount != 0) fail("glyphs without a glyph size");
        return 0;
    }
    const std::size_t whole = font.glyphBits.size() / static_cast<std::size_t>(font.bytesPerGlyph);
    if (static_cast<std::size_t>(font.glyphCount) != whole) fail("wrong glyph count");
    // Every addressable glyph lies inside the table at its place; the sanitizer checks the reads.
    const std::size_t perGlyphBytes = static_cast<std::size_t>(font.bytesPerGlyph);
    for (std::int32_t i = 0; i < font.glyphCount; ++i) {
        const unsigned char* glyph = font.glyph(i);
        const std::size_t start = static_cast<std::size_t>(i) * perGlyphBytes;
        if (glyph[0] != font.glyphBits[start] ||
            glyph[perGlyphBytes - 1] != font.glyphBits[start + perGlyphBytes - 1]) {
            fail("a glyph away from its place");
        }
    }
    return 0;
}
