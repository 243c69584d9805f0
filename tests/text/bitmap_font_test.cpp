// BitmapFont: the run rules of the unpacker and the glyph table that ships in the executable.
#include "text/bitmap_font.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "text/packed_font_data.h"

namespace kvr {
namespace {

// A packed array with header `size` followed by `runs`.
BitmapFont unpack(std::initializer_list<unsigned char> runs, int size = 8) {
    std::vector<unsigned char> packed = {static_cast<unsigned char>(size & 0xFF),
                                         static_cast<unsigned char>(size >> 8 & 0xFF),
                                         static_cast<unsigned char>(size >> 16 & 0xFF),
                                         static_cast<unsigned char>(size >> 24 & 0xFF)};
    packed.insert(packed.end(), runs);
    return BitmapFont(packed.data(), packed.size());
}

std::vector<unsigned char> bytes(std::initializer_list<unsigned char> values) {
    return values;
}

std::vector<unsigned char> repeated(std::size_t count, unsigned char value) {
    return std::vector<unsigned char>(count, value);
}

TEST(FontUnpacking, HeaderGivesWholeByteRowsAndGlyphSize) {
    const BitmapFont s16 = unpack({}, 16);
    EXPECT_EQ(s16.glyphSize, 16);
    EXPECT_EQ(s16.bytesPerGlyph, 32);
    EXPECT_EQ(unpack({}, 12).bytesPerGlyph, 24);  // rows padded to 2 bytes
    EXPECT_EQ(unpack({}, 8).bytesPerGlyph, 8);
    EXPECT_EQ(unpack({}, 9).bytesPerGlyph, 18);
    // Little-endian: 0x0110 = 272 pixels, 34-byte rows.
    const BitmapFont wide = unpack({}, 0x0110);
    EXPECT_EQ(wide.glyphSize, 272);
    EXPECT_EQ(wide.bytesPerGlyph, 34 * 272);
}

TEST(FontUnpacking, CountByteRules) {
    EXPECT_EQ(unpack({0x00, 0xAB}).glyphBits, bytes({0xAB}));
    EXPECT_EQ(unpack({0x80, 0xAB}).glyphBits, bytes({0xAB}));
    EXPECT_EQ(unpack({0xFF, 0xAB}).glyphBits, repeated(128, 0xAB));
    EXPECT_EQ(unpack({0x83, 0x00, 0x02, 0x01, 0x02, 0x03}).glyphBits, bytes({0, 0, 0, 0, 1, 2, 3}));

    std::vector<unsigned char> packed = {8, 0, 0, 0, 0x7F};
    for (int i = 0; i < 128; ++i) packed.push_back(static_cast<unsigned char>(i));
    packed.push_back(0x00);
    packed.push_back(0xEE);
    const BitmapFont literal(packed.data(), packed.size());
    ASSERT_EQ(literal.glyphBits.size(), 129u);
    for (int i = 0; i < 128; ++i) EXPECT_EQ(literal.glyphBits[i], i);
    EXPECT_EQ(literal.glyphBits[128], 0xEE);  // the byte after a 128-byte literal is a count
}

TEST(FontUnpacking, RunCutShortIsCompletedWithLastDataByte) {
    EXPECT_EQ(unpack({0x03, 0x11, 0x22}).glyphBits, bytes({0x11, 0x22, 0x22, 0x22}));
    // Array ends right after a count byte: the run repeats the byte read before it.
    EXPECT_EQ(unpack({0x01, 0x11, 0x22, 0x02}).glyphBits, bytes({0x11, 0x22, 0x22, 0x22, 0x22}));
    EXPECT_EQ(unpack({0x80, 0x33, 0x81}).glyphBits, bytes({0x33, 0x33, 0x33}));
    // Count bytes are not data: the dangling 0x01 completes with 0x05, not with itself.
    EXPECT_EQ(unpack({0x00, 0x05, 0x01}).glyphBits, bytes({0x05, 0x05, 0x05}));
    // Nothing read yet: zeros.
    EXPECT_EQ(unpack({0x81}).glyphBits, bytes({0, 0}));
}

TEST(FontUnpacking, GlyphCountRoundsDownAndKeepsSurplus) {
    const BitmapFont font = unpack({0x89, 0x5A}, 8);  // 10 bytes of 8-byte glyphs
    EXPECT_EQ(font.glyphCount, 1);
    EXPECT_EQ(font.glyphBits.size(), 10u);
    EXPECT_EQ(unpack({}, 8).glyphCount, 0);
    EXPECT_TRUE(unpack({}, 8).glyphBits.empty());
}

TEST(FontUnpacking, InvalidHeadersGiveNoGlyphs) {
    EXPECT_EQ(unpack({0x80, 1}, 0).glyphCount, 0);
    EXPECT_EQ(unpack({0x80, 1}, -16).glyphCount, 0);
    EXPECT_EQ(unpack({0x80, 1}, 0x7FFFFFFF).glyphCount, 0);
    const unsigned char shortHeader[] = {16, 0};
    EXPECT_TRUE(BitmapFont(shortHeader, sizeof shortHeader).glyphBits.empty());
}

// The shipped table.

const int kGlyphs = 9472;
const unsigned char kColumnsLeftHalf = 0xFF;  // row byte 0 holds columns 0-7

const BitmapFont& shippedFont() {
    static const BitmapFont font;
    return font;
}

bool isBlank(const BitmapFont& font, int glyph) {
    for (int i = 0; i < font.bytesPerGlyph; ++i) {
        if (font.glyph(glyph)[i] != 0) return false;
    }
    return true;
}

// Pixel at (column, row from the top) of a 16 x 16 glyph.
bool pixel(const BitmapFont& font, int glyph, int column, int rowFromTop) {
    const unsigned char* row = font.glyph(glyph) + (15 - rowFromTop) * 2;
    return row[column / 8] & (0x80 >> (column % 8));
}

int jisGlyph(int row, int cell) {
    return 96 * row + cell - 2849;
}

TEST(ShippedFont, Dimensions) {
    EXPECT_EQ(packedFontData[0], 16);
    EXPECT_EQ(packedFontData[1], 0);
    EXPECT_EQ(packedFontData[packedFontDataSize - 1], 0);
    const BitmapFont& font = shippedFont();
    EXPECT_EQ(font.glyphSize, 16);
    EXPECT_EQ(font.bytesPerGlyph, 32);
    EXPECT_EQ(font.glyphCount, kGlyphs);
    ASSERT_EQ(font.glyphBits.size(), 303105u);  // with the trailing zero's surplus byte
    EXPECT_EQ(font.glyphBits.back(), 0);
}

TEST(ShippedFont, SingleByteGlyphsAreHalfWidthInTheirRanges) {
    const BitmapFont& font = shippedFont();
    int nonBlank = 0;
    for (int b = 0; b < 256; ++b) {
        const bool expected = (b >= 0x02 && b <= 0x1F) || (b >= 0x21 && b <= 0x7E) || b >= 0xA1;
        EXPECT_EQ(!isBlank(font, b), expected) << "byte " << b;
        nonBlank += isBlank(font, b) ? 0 : 1;
        for (int row = 0; row < 16; ++row) {
            ASSERT_EQ(font.glyph(b)[row * 2] & kColumnsLeftHalf, 0) << "byte " << b;
        }
    }
    EXPECT_EQ(nonBlank, 219);
    EXPECT_FALSE(isBlank(font, 'A'));
}

TEST(ShippedFont, JisCoverage) {
    const BitmapFont& font = shippedFont();
    int nonBlank = 0;
    for (int glyph = 256; glyph < kGlyphs; ++glyph) {
        if (isBlank(font, glyph)) continue;
        ++nonBlank;
        // Cells 0x20-0x7F make up the 96 of a row.
        const int row = (glyph + 2849 - 0x20) / 96;
        const int cell = (glyph + 2849 - 0x20) % 96 + 0x20;
        EXPECT_TRUE((row >= 0x21 && row <= 0x28) || (row >= 0x30 && row <= 0x74)) << glyph;
        EXPECT_TRUE(cell >= 0x21 && cell <= 0x7E) << glyph;
    }
    EXPECT_EQ(nonBlank, 6878);
    EXPECT_TRUE(isBlank(font, jisGlyph(0x21, 0x21)));  // ideographic space
    EXPECT_EQ(jisGlyph(0x21, 0x21), 352);
    EXPECT_FALSE(isBlank(font, jisGlyph(0x21, 0x22)));
    EXPECT_FALSE(isBlank(font, jisGlyph(0x74, 0x26)));  // last kanji
    EXPECT_TRUE(isBlank(font, jisGlyph(0x74, 0x27)));
    EXPECT_TRUE(isBlank(font, jisGlyph(0x7E, 0x7E)));
    EXPECT_TRUE(isBlank(font, kGlyphs - 1));
}

TEST(ShippedFont, KanjiOneIsASingleBar) {
    const BitmapFont& font = shippedFont();
    const int one = jisGlyph(0x30, 0x6C);
    ASSERT_EQ(one, 1867);
    int inkedRows = 0;
    for (int row = 0; row < 16; ++row) {
        int first = -1, last = -1, count = 0;
        for (int column = 0; column < 16; ++column) {
            if (!pixel(font, one, column, row)) continue;
            if (first < 0) first = column;
            last = column;
            ++count;
        }
        if (count == 0) continue;
        ++inkedRows;
        EXPECT_EQ(count, last - first + 1) << "gap in the bar";
        EXPECT_GE(count, 12);
    }
    EXPECT_EQ(inkedRows, 1);
}

TEST(ShippedFont, BitmapsAreBottomRowFirstAndMsbLeftmost) {
    const BitmapFont& font = shippedFont();
    // '_' lies at the bottom of its cell, so in the first bytes of the glyph.
    bool low = false, high = false;
    for (int i = 0; i < 32; ++i) (i < 16 ? low : high) |= font.glyph('_')[i] != 0;
    EXPECT_TRUE(low);
    EXPECT_FALSE(high);
    // 'L' has its upright stroke on the left, 'J' on the right.
    auto strokeColumn = [&](int glyph) {
        int best = 0, bestCount = -1;
        for (int column = 0; column < 16; ++column) {
            int count = 0;
            for (int row = 0; row < 16; ++row) count += pixel(font, glyph, column, row);
            if (count > bestCount) best = column, bestCount = count;
        }
        return best;
    };
    EXPECT_LT(strokeColumn('L'), strokeColumn('J'));
}

TEST(ShippedFont, EachConstructionIsIdentical) {
    const BitmapFont second;
    EXPECT_EQ(second.glyphBits, shippedFont().glyphBits);
    EXPECT_EQ(second.glyphCount, shippedFont().glyphCount);
}

}  // namespace
}  // namespace kvr
