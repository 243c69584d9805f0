// The measures the editor's text overlays share, in window pixels from the top-left corner.
#pragma once

namespace kvr::overlay {

// Text starts this far from the window's left edge, and the help this far from its top.
constexpr int kMargin = 5;
// A half-width character of the built-in font.
constexpr int kCharWidth = 8;
// The status lines at the bottom edge, one row apart: the count of selected keys (when there
// are several), the coordinates, the mode.
constexpr int kStatusLineHeight = 20;
constexpr int kStatusRows = 3;

// The top of the status lines in a window this tall; overlays above them end there.
constexpr int statusTop(int windowHeight) {
    return windowHeight - kStatusRows * kStatusLineHeight;
}

}  // namespace kvr::overlay
