// EditingCore: keyboard commands and the view's zoom.
#include "editing/editing_core.h"

#include <cmath>

#include "editing/view_span.h"

namespace kvr {

namespace {
const float kZoomFraction = 0.1f;
const float kScrollStep = 50.0f;
}  // namespace

void EditingCore::keyUp(int symbol) {
    if (symbol == keys::RightShift || symbol == keys::LeftShift) view_.setShiftDown(false);
}

KeyOutcome EditingCore::keyDown(int symbol, KeyModifiers modifiers, char32_t typed) {
    // Any key withdraws the quit guard's warning; only Escape right after Escape quits. A
    // modifier or lock key alone is not a key to the user: Shift on its way to Shift+Tab, or the
    // Control of Ctrl+S, leaves the warning standing until the key it goes with.
    const QuitGuard guard = quitGuard_;
    if (symbol < keys::FirstModifier || symbol > keys::LastModifier) quitGuard_ = QuitGuard::None;
    if (symbol == keys::RightShift || symbol == keys::LeftShift) {
        // Not a command, with the panel open or not: Shift's state follows the keyboard.
        view_.setShiftDown(true);
        return KeyOutcome::Stay;
    }
    if (panel_) {
        // Every key belongs to the open panel; none reaches a command, Escape included.
        panelKey(symbol, modifiers, typed);
        return KeyOutcome::Stay;
    }
    switch (symbol) {
        case keys::Escape:
            // Unsaved work is not thrown away by one key: the first press warns.
            if (!hasUnsavedChanges() || guard == QuitGuard::Escape) return KeyOutcome::Quit;
            quitGuard_ = QuitGuard::Escape;
            break;
        case keys::N:
            openNewTimelinePanel();
            break;
        case keys::F2:
            openRenamePanel();
            break;
        case keys::Return:
        case keys::KeypadEnter:
            if (view_.mode() == EditMode::Edit && currentChannels().count > 0) openKeyPanel();
            break;
        case keys::Minus:
        case keys::KeypadMinus:
            zoomOut();
            break;
        case keys::Equals:
        case keys::Plus:
        case keys::KeypadPlus:
            zoomIn();
            break;
        case keys::Tab:
            switchTimeline(modifiers.shift ? -1 : 1);
            break;
        case keys::Home:
            frameAll();
            break;
        case keys::F:
            frameSelection();
            break;
        case keys::A:
            selectAll();
            break;
        case keys::C:
            // Only with Control: 'c', 'x' and 'v' alone do nothing.
            if (modifiers.ctrl) copySelection();
            break;
        case keys::X:
            if (modifiers.ctrl) cutSelection();
            break;
        case keys::V:
            if (modifiers.ctrl) paste();
            break;
        case keys::Semicolon:
            // Shift and ';' is '+' on the keyboards this was made for.
            if (view_.shiftDown()) zoomIn();
            break;
        case keys::D:
            view_.setMode(EditMode::Delete);
            break;
        case keys::E:
            view_.setMode(EditMode::Edit);
            break;
        case keys::H:
            // With the English help up, 'h' means "hide the help", not "switch to Japanese".
            if (view_.englishHelpVisible()) {
                view_.hideHelp();
            } else {
                view_.toggleHelp();
            }
            break;
        case keys::F1:
            view_.toggleEnglishHelp();
            break;
        case keys::I:
            view_.setMode(EditMode::Insert);
            break;
        case keys::R:
            reload();
            break;
        case keys::S:
            if (modifiers.ctrl && modifiers.shift) {
                openSaveAsPanel();
            } else {
                save();
            }
            break;
        case keys::Z:
            // Ctrl+Z takes back, Ctrl+Shift+Z makes again; 'z' alone does nothing.
            if (modifiers.ctrl) {
                if (modifiers.shift) {
                    redo();
                } else {
                    undo();
                }
            }
            break;
        case keys::Y:
            if (modifiers.ctrl) redo();
            break;
        case keys::Delete:
            // With Control the whole timeline; alone, the selected keys.
            if (modifiers.ctrl) {
                removeShownTimeline();
            } else {
                deleteSelectedKeys();
            }
            break;
        case keys::Up:
            view_.scrollValue(kScrollStep);
            break;
        case keys::Down:
            view_.scrollValue(-kScrollStep);
            break;
        case keys::Right:
            view_.scrollTime(kScrollStep);
            break;
        case keys::Left:
            view_.scrollTime(-kScrollStep);
            break;
        default:
            break;
    }
    return KeyOutcome::Stay;
}

// The anchor is half the visible extent measured from zero, not the view's midpoint: zooming
// keeps the left and bottom edges' relation to zero the way users of this editor know it.
void EditingCore::zoomIn() {
    zoom((view_.right() - view_.left()) * 0.5f, (view_.top() - view_.bottom()) * 0.5f, true);
}

void EditingCore::zoomOut() {
    zoom((view_.right() - view_.left()) * 0.5f, (view_.top() - view_.bottom()) * 0.5f, false);
}

void EditingCore::zoom(float anchorTime, float anchorValue, bool in) {
    view_.zoomToward(anchorTime, anchorValue, in ? kZoomFraction : -kZoomFraction);
}

namespace {

// The span of some numbers, widened by a margin of 5 % on each side; a single value becomes 20
// units centred on it.
struct Span {
    float low = INFINITY;
    float high = -INFINITY;

    void add(float v) {
        // An infinite or undefined coordinate cannot be framed; the others still are.
        if (!std::isfinite(v)) return;
        low = std::fmin(low, v);
        high = std::fmax(high, v);
    }
    bool empty() const { return low > high; }
    void frame(float& from, float& to) const {
        const double extent = static_cast<double>(high) - low;
        const double middle = (static_cast<double>(low) + high) / 2;
        from = toFloat(extent == 0 ? middle - 10 : low - extent * 0.05);
        to = toFloat(extent == 0 ? middle + 10 : high + extent * 0.05);
        // Far from zero the margin can vanish in rounding; the view must still have a width.
        if (!(from < to)) {
            from = std::nextafter(from, -INFINITY);
            to = std::nextafter(to, INFINITY);
        }
        // Points spread over more than the float range, or at its very end, get the widest
        // view about their middle that can still be zoomed and scrolled.
        keepSpanUsable(from, to, middle, extent == 0 ? 10 : extent * 0.55);
    }
    // Margins past the float range stop at its end rather than making the view infinite.
    static float toFloat(double v) {
        const double limit = 3.4028234663852886e38;
        return static_cast<float>(v < -limit ? -limit : v > limit ? limit : v);
    }
};

// The time and value spans of some keys' points and handles, shown with their margins.
struct Framing {
    Span time;
    Span value;

    void add(const BezierKey& key) {
        for (const Point2& p : {key.inHandle, key.point, key.outHandle}) {
            time.add(p.x);
            value.add(p.y);
        }
    }
    void show(EditView& view) const {
        if (time.empty()) {
            // Nothing to frame: the view of a fresh window of this size.
            view.resized(view.windowWidth(), view.windowHeight());
            return;
        }
        float left, right, bottom, top;
        time.frame(left, right);
        value.frame(bottom, top);
        view.show(left, right, bottom, top);
    }
};

}  // namespace

void EditingCore::frameAll() {
    Framing framing;
    for (const Channel* channel : currentChannels()) {
        for (const BezierKey& key : channel->keys()) framing.add(key);
    }
    framing.show(view_);
}

void EditingCore::frameSelection() {
    if (selection_.empty()) {
        frameAll();
        return;
    }
    Framing framing;
    for (const KeySelection::ChannelKeys& selected : selection_.channels()) {
        const std::vector<BezierKey>& keys = selected.channel->keys();
        for (std::size_t i : selected.indices) {
            if (i < keys.size()) framing.add(keys[i]);
        }
    }
    framing.show(view_);
}

}  // namespace kvr
