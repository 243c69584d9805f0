// fontTextOf: typed and loaded UTF-8 as the Shift-JIS that the built-in font draws.
#include "text/font_text.h"

#include <gtest/gtest.h>

#include "text/shift_jis_reader.h"

namespace kvr {
namespace {

JisCode onlyJisCode(const FontText& text) {
    EXPECT_EQ(text.shiftJis.size(), 2u);
    EXPECT_EQ(text.cells, 2u);
    if (text.shiftJis.size() != 2) return {};
    return jisCodeFor(static_cast<unsigned char>(text.shiftJis[0]),
                      static_cast<unsigned char>(text.shiftJis[1]));
}

TEST(FontText, CharactersWithAJisCodeAreDrawnAsThemAndOthersAsQuestionMarks) {
    EXPECT_EQ(fontTextOf("arm_01 ~\\").shiftJis, "arm_01 ~\\");  // ASCII kept, backslash too
    EXPECT_EQ(fontTextOf("arm_01").cells, 6u);

    const JisCode a = onlyJisCode(fontTextOf("\xE3\x81\x82"));  // hiragana a
    EXPECT_EQ(a.row, 0x24);
    EXPECT_EQ(a.cell, 0x22);
    const JisCode kanji = onlyJisCode(fontTextOf("\xE8\x85\x95"));  // the kanji for arm
    EXPECT_EQ(kanji.row, 0x4F);
    EXPECT_EQ(kanji.cell, 0x53);
    const JisCode omega = onlyJisCode(fontTextOf("\xCE\xA9"));  // Greek capital omega
    EXPECT_EQ(omega.row, 0x26);
    EXPECT_EQ(omega.cell, 0x38);

    // Without a JIS X 0208 code: e acute, a yen sign (single-byte 0x5C in Shift-JIS, a backslash
    // in the font), half-width katakana, an emoji; then bytes that are not UTF-8: a cut
    // character, a lone continuation byte, an overlong slash, a surrogate; and control bytes.
    EXPECT_EQ(fontTextOf("\xC3\xA9|\xC2\xA5|\xEF\xBD\xB1|\xF0\x9F\x98\x80").shiftJis, "?|?|?|?");
    EXPECT_EQ(fontTextOf("\xE3\x81|\x80|\xC0\xAF|\xED\xA0\x80").shiftJis, "??|?|??|???");
    EXPECT_EQ(fontTextOf("a\tb\x7F").shiftJis, "a?b?");
}

TEST(FontText, ANarrowFieldKeepsTheLastWholeCharacters) {
    const std::string name = "ab\xE3\x81\x82";  // a, b, hiragana a
    EXPECT_EQ(fontTextOf(name, 4).shiftJis, "ab\x82\xA0");
    EXPECT_EQ(fontTextOf(name, 3).shiftJis, "b\x82\xA0");
    EXPECT_EQ(fontTextOf(name, 3).cells, 3u);
    // A JIS character is never cut in half: with one cell left it is left out.
    EXPECT_EQ(fontTextOf(name, 1).shiftJis, "");
    EXPECT_EQ(fontTextOf(name, 1).cells, 0u);
}

}  // namespace
}  // namespace kvr
