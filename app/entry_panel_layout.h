// EntryPanelLayout: where the entry panel stands in the window, above the status line.
#pragma once

#include <string>
#include <vector>

#include "editing/entry_panel.h"

namespace kvr {

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct EntryPanelLayout {
    // Characters of a field shown at once; a longer text shows its end, where it is typed.
    static constexpr int kFieldChars = 16;

    PixelRect box;
    // One row per field: the label at labelX, the text at textX, both with their tops at the
    // row's y; the field's frame around the text.
    int labelX = 0;
    int textX = 0;
    std::vector<int> rowY;
    std::vector<PixelRect> fieldFrames;
    int messageY = 0;
    // The message as the built-in font draws it.
    std::string message;
};

// The panel's rows from the top, the message below them, the whole box just above the status
// line of a window this tall.
EntryPanelLayout layoutEntryPanel(const EntryPanel& panel, int windowHeight);

}  // namespace kvr
