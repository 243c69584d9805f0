// ShiftJisReader: Shift-JIS pairs to JIS X 0208 codes and glyph indices, and the byte walk.
#include "text/shift_jis_reader.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace kvr {
namespace {

// The usual JIS X 0208 to Shift-JIS encoding, written independently of the decoder.
std::pair<unsigned char, unsigned char> shiftJisFor(int row, int cell) {
    const int lead = (row + 1) / 2 + (row <= 0x5E ? 0x70 : 0xB0);
    int trail;
    if (row % 2 == 0) {
        trail = cell + 0x7E;
    } else {
        trail = cell + (cell >= 0x60 ? 0x20 : 0x1F);
    }
    return {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
}

TEST(ShiftJisDecoding, DecodesEveryJisCode) {
    for (int row = 0x21; row <= 0x7E; ++row) {
        for (int cell = 0x21; cell <= 0x7E; ++cell) {
            const auto [lead, trail] = shiftJisFor(row, cell);
            const JisCode code = jisCodeFor(lead, trail);
            ASSERT_EQ(code.row, row) << std::hex << int(lead) << " " << int(trail);
            ASSERT_EQ(code.cell, cell) << std::hex << int(lead) << " " << int(trail);
            ASSERT_EQ(glyphIndexFor(lead, trail), 255 + 96 * (row - 0x20) + (cell - 0x20));
        }
    }
}

TEST(ShiftJisDecoding, KnownPairs) {
    const JisCode kan = jisCodeFor(0x8A, 0x67);
    EXPECT_EQ(kan.row, 0x33);
    EXPECT_EQ(kan.cell, 0x48);
    EXPECT_EQ(glyphIndexFor(0x8A, 0x67), 2119);

    // A trail byte from 0x9F selects the even row.
    EXPECT_EQ(jisCodeFor(0x81, 0x9F).row, 0x22);
    EXPECT_EQ(jisCodeFor(0x81, 0x9F).cell, 0x21);
    EXPECT_EQ(jisCodeFor(0x81, 0x9E).row, 0x21);
    EXPECT_EQ(jisCodeFor(0x81, 0x9E).cell, 0x7E);
    // Trail 0x7F is skipped: 0x7E and 0x80 are neighbouring cells.
    EXPECT_EQ(jisCodeFor(0x81, 0x7E).cell, 0x5F);
    EXPECT_EQ(jisCodeFor(0x81, 0x80).cell, 0x60);

    EXPECT_EQ(jisCodeFor(0xE0, 0x40).row, 0x5F);
    EXPECT_EQ(jisCodeFor(0xEF, 0xFC).row, 0x7E);
}

TEST(ShiftJisDecoding, LeadBytesPastTheJisPlane) {
    // 0xF0 with a low trail byte lands on row 0x7F, still inside the 9,472-glyph table.
    EXPECT_EQ(jisCodeFor(0xF0, 0x40).row, 0x7F);
    EXPECT_EQ(glyphIndexFor(0xF0, 0x40), 9376);
    EXPECT_EQ(glyphIndexFor(0xF0, 0x9E), 9469);
    // From trail 0x9F, and for every lead above 0xF0, the index is past the table.
    EXPECT_EQ(glyphIndexFor(0xF0, 0x9F), 9472);
    EXPECT_GE(glyphIndexFor(0xF1, 0x40), 9472);
    EXPECT_GE(glyphIndexFor(0xFF, 0x40), 9472);
}

std::vector<std::pair<int, bool>> walk(const char* text) {
    std::vector<std::pair<int, bool>> characters;
    ShiftJisReader reader(text);
    TextCharacter character;
    while (reader.next(character)) characters.emplace_back(character.glyph, character.halfWidth);
    EXPECT_FALSE(reader.next(character)) << "text did not stay ended";
    return characters;
}

using Walk = std::vector<std::pair<int, bool>>;

TEST(ShiftJisWalk, MixesSingleAndDoubleBytes) {
    EXPECT_EQ(walk(""), Walk{});
    EXPECT_EQ(walk("A \x8A\x67~"), (Walk{{'A', true}, {' ', true}, {2119, false}, {'~', true}}));
}

TEST(ShiftJisWalk, NonPrintableBytesLeadPairs) {
    // A line feed pairs with the next byte (row 0x33, cell 0x22).
    EXPECT_EQ(walk("\nA"), (Walk{{2081, false}}));
    EXPECT_EQ(walk("\x7F"
                   "A"),
              (Walk{{glyphIndexFor(0x7F, 'A'), false}}));
    // Half-width katakana are lead bytes too.
    EXPECT_EQ(walk("\xB1\xB2"), (Walk{{glyphIndexFor(0xB1, 0xB2), false}}));
}

TEST(ShiftJisWalk, LoneLeadByteEndsTheText) {
    EXPECT_EQ(walk("A\x81"), (Walk{{'A', true}}));
    EXPECT_EQ(walk("\x8A"), Walk{});
}

}  // namespace
}  // namespace kvr
