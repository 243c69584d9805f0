// EditView: what the user looks through and holds, apart from the file: the window's size, the
// view rectangle, the pointer, the mode, the held buttons, Shift and the help overlays.
#pragma once

#include "editing/view_mapping.h"
#include "timeline/point2.h"

namespace kvr {

enum class EditMode : int { Edit = 0, Insert = 1, Delete = 2 };

// Which help overlay the window draws: the Japanese one that 'h' turns on and off, or the
// English one that F1 shows in its place.
enum class ShownHelp { None, Japanese, English };

class EditView {
public:
    // The window and the view rectangle of a new editor: 800 × 500 pixels, one curve unit each.
    int windowWidth() const { return windowWidth_; }
    int windowHeight() const { return windowHeight_; }
    float left() const { return left_; }
    float right() const { return right_; }
    float bottom() const { return bottom_; }
    float top() const { return top_; }
    // The pointer in curve units, where the last motion left it.
    Point2 cursor() const { return cursor_; }
    EditMode mode() const { return mode_; }
    // The mouse-button mask of the last button event, low eight bits.
    int heldButtons() const { return heldButtons_; }
    // The Japanese help's own switch, which 'h' toggles; while the English help is shown the
    // Japanese one is not drawn, whatever this says.
    bool helpVisible() const { return helpVisible_; }
    bool englishHelpVisible() const { return englishHelpVisible_; }
    ShownHelp shownHelp() const {
        if (englishHelpVisible_) return ShownHelp::English;
        return helpVisible_ ? ShownHelp::Japanese : ShownHelp::None;
    }
    bool shiftDown() const { return shiftDown_; }

    // The view rectangle over the window: the mapping the pointer and the drawing share.
    ViewMapping mapping() const {
        return {left_, right_, bottom_, top_, windowWidth_, windowHeight_};
    }
    // The curve point shown at window pixel (x, y).
    Point2 pointAt(int x, int y) const { return mapping().pointAt(x, y); }
    // A pointer motion of (dx, dy) pixels in curve units at the current zoom; screen y runs
    // downward, values upward.
    Point2 pointerMotion(float dx, float dy) const;

    // The window now has this size: one curve unit per pixel again, y = 0 in the middle.
    void resized(int w, int h);
    // Shows exactly this rectangle, if both axes are usable (finite, in order, of finite
    // extent); returns whether it did.
    bool show(float left, float right, float bottom, float top);
    // Moves each edge by fraction of its distance toward (ax, ay); a negative fraction moves
    // away. No axis is left infinite, empty or of infinite extent.
    void zoomToward(float ax, float ay, float fraction);
    // Moves the view along time (across) or value (up) by curve units, kept usable the same way.
    void scrollTime(float by);
    void scrollValue(float by);
    void moveCursor(Point2 cursor) { cursor_ = cursor; }
    void setMode(EditMode mode) { mode_ = mode; }
    void setHeldButtons(int mask) { heldButtons_ = mask & 0xFF; }
    void toggleHelp() { helpVisible_ = !helpVisible_; }
    void toggleEnglishHelp() { englishHelpVisible_ = !englishHelpVisible_; }
    // No help at all: the English one off, and the Japanese one too, so that hiding the one does
    // not bring up the other.
    void hideHelp() {
        englishHelpVisible_ = false;
        helpVisible_ = false;
    }
    void setShiftDown(bool down) { shiftDown_ = down; }

private:
    int windowWidth_ = 800;
    int windowHeight_ = 500;
    float left_ = 0.0f;
    float right_ = 800.0f;
    float bottom_ = -250.0f;
    float top_ = 250.0f;
    Point2 cursor_{0.0f, 0.0f};
    EditMode mode_ = EditMode::Edit;
    int heldButtons_ = 0;
    bool helpVisible_ = true;
    bool englishHelpVisible_ = false;
    bool shiftDown_ = false;
};

}  // namespace kvr
