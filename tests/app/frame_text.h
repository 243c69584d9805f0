// showsText: whether a frame shows exactly a string's glyphs in white at a window position.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/support/frame.h"
#include "tests/text/text_ink.h"
#include "text/bitmap_font.h"

namespace kvr::test {

// Whether the white pixels of the text's rows, from just left of x to the right edge, are
// exactly the glyphs of `text` drawn at (x, y): nothing missing, nothing else white.
inline ::testing::AssertionResult showsText(const Frame& f, int x, int y, const char* text) {
    static const BitmapFont font;
    static const Rgb kWhite{255, 255, 255};
    const std::vector<Ink> ink = textInk(font, f.width, f.height, x, y, text, false);
    for (int py = std::max(0, y - 2); py < std::min(f.height, y + 18); ++py) {
        for (int px = std::max(0, x - 2); px < f.width; ++px) {
            const bool glyph = ink[static_cast<std::size_t>(py) * f.width + px] == Ink::Glyph;
            if ((f.at(px, py) == kWhite) != glyph) {
                return ::testing::AssertionFailure()
                       << "\"" << text << "\" at (" << x << ", " << y << "): pixel (" << px << ", "
                       << py << ") is " << f.at(px, py);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace kvr::test
