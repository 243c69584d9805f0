// The entry panel drawn over the curves: a box of labelled fields, the active one framed.
#include <GL/gl.h>

#include <algorithm>

#include "app/editor_window.h"
#include "app/entry_panel_layout.h"
#include "app/overlay_metrics.h"
#include "text/font_text.h"
#include "text/outlined_text.h"
#include "text/pixel_projection.h"

namespace kvr {

namespace {

const int kPadding = 4;
const int kLineHeight = 20;
// Room left above the status lines, whose top row counts the selected keys when there are
// several: the panel must not hide it.
const int kStatusGap = 4;

struct Colour {
    GLubyte r, g, b;
};
const Colour kBoxFill{40, 40, 40};
const Colour kBoxEdge{160, 160, 160};
const Colour kFieldFill{0, 0, 0};
const Colour kFieldEdge{110, 110, 110};
const Colour kActiveEdge{255, 210, 0};
const Colour kMarkedFill{120, 20, 20};
const Colour kMarkedEdge{255, 60, 60};
const Colour kSelection{50, 90, 200};

// Window pixels, whole ones: a rectangle covers exactly the pixels inside it.
void fill(const PixelRect& r, Colour c) {
    glColor4ub(c.r, c.g, c.b, 255);
    glRecti(r.x, r.y, r.x + r.width, r.y + r.height);
}

void frame(const PixelRect& r, Colour edge, Colour inside) {
    fill(r, edge);
    fill({r.x + 1, r.y + 1, r.width - 2, r.height - 2}, inside);
}

}  // namespace

EntryPanelLayout layoutEntryPanel(const EntryPanel& panel, int windowHeight) {
    EntryPanelLayout layout;
    const int cell = overlay::kCharWidth;
    std::size_t labelChars = 0;
    for (const EntryPanel::Field& field : panel.fields()) {
        labelChars = std::max(labelChars, field.label.size());
    }
    // The text starts a whole number of cells after the label, one blank cell between.
    const int labelWidth = static_cast<int>(labelChars + 1) * cell;
    const int fieldWidth = EntryPanelLayout::kFieldChars * cell + 4;
    const int rows = static_cast<int>(panel.fields().size()) + 1;

    const FontText message = fontTextOf(panel.message());
    layout.message = message.shiftJis;
    layout.box.x = overlay::kMargin;
    layout.box.width = std::max(kPadding + labelWidth + fieldWidth + kPadding,
                                2 * kPadding + static_cast<int>(message.cells) * cell);
    layout.box.height = 2 * kPadding + rows * kLineHeight;
    layout.box.y = overlay::statusTop(windowHeight) - kStatusGap - layout.box.height;
    layout.labelX = layout.box.x + kPadding;
    layout.textX = layout.labelX + labelWidth;
    for (int i = 0; i + 1 < rows; ++i) {
        const int y = layout.box.y + kPadding + i * kLineHeight + 2;
        layout.rowY.push_back(y);
        layout.fieldFrames.push_back({layout.textX - 2, y - 2, fieldWidth, kLineHeight});
    }
    layout.messageY = layout.box.y + kPadding + (rows - 1) * kLineHeight + 2;
    return layout;
}

void EditorWindow::drawEntryPanel() {
    const EntryPanel* panel = core.entryPanel();
    if (!panel) return;
    const EntryPanelLayout layout = layoutEntryPanel(*panel, core.view().windowHeight());

    const PixelProjection pixels;

    frame(layout.box, kBoxEdge, kBoxFill);
    const int cell = overlay::kCharWidth;
    for (std::size_t i = 0; i < panel->fields().size(); ++i) {
        const EntryPanel::Field& field = panel->fields()[i];
        const bool active = i == panel->activeField();
        const FontText text = fontTextOf(field.text, EntryPanelLayout::kFieldChars);
        const int textWidth = static_cast<int>(text.cells) * cell;
        const PixelRect& box = layout.fieldFrames[i];
        const Colour edge = field.marked ? kMarkedEdge : (active ? kActiveEdge : kFieldEdge);
        frame(box, edge, field.marked ? kMarkedFill : kFieldFill);
        if (active && panel->textSelected()) {
            fill({layout.textX - 1, layout.rowY[i] - 1, textWidth + 2, 18}, kSelection);
        } else if (active) {
            // Where the next character goes.
            fill({layout.textX + textWidth, layout.rowY[i], 2, 16}, kActiveEdge);
        }
        drawOutlinedText(layout.labelX, layout.rowY[i], field.label.c_str(), font);
        drawOutlinedText(layout.textX, layout.rowY[i], text.shiftJis.c_str(), font);
    }
    if (!layout.message.empty()) {
        drawOutlinedText(layout.labelX, layout.messageY, layout.message.c_str(), font);
    }
}

}  // namespace kvr
