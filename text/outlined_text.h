// drawOutlinedText: white text with a one-pixel black outline, readable over any curve colour.
#pragma once

#include "text/bitmap_font.h"

namespace kvr {

// Draws `text` (zero-terminated Shift-JIS) with its first cell's top-left corner at window pixel
// (x, y). Leaves the current colour white.
void drawOutlinedText(int x, int y, const char* text, const BitmapFont& font);

}  // namespace kvr
