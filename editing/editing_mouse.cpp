// EditingCore: picking, selecting, dragging keys and handles, inserting, deleting, scrolling.
#include "editing/editing_core.h"

namespace kvr {

namespace {

// Pick distances are in curve units, so the reach follows the zoom.
const float kPickRadiusSquared = 64.0f;

float squaredDistance(Point2 a, Point2 b) {
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    return dx * dx + dy * dy;
}

}  // namespace

std::optional<KeyRef> EditingCore::pickKey() const {
    const Point2 cursor = view_.cursor();
    for (Channel* channel : currentChannels()) {
        const std::vector<BezierKey>& keys = channel->keys();
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (squaredDistance(keys[i].point, cursor) < kPickRadiusSquared) {
                return KeyRef{channel, i};
            }
        }
    }
    return std::nullopt;
}

Channel* EditingCore::pickChannel() const {
    const Point2 cursor = view_.cursor();
    for (Channel* channel : currentChannels()) {
        const float d = channel->evaluate(cursor.x) - cursor.y;
        if (d * d < kPickRadiusSquared) return channel;
    }
    return nullptr;
}

int EditingCore::heldAsRead(int held) const {
    if (!leftIsMiddle_ || !(held & buttons::LeftMask)) return held;
    return (held & ~buttons::LeftMask) | buttons::MiddleMask;
}

void EditingCore::buttonPressed(int button, int x, int y, int held, bool ctrl, bool shift,
                                bool alt) {
    if (button == buttons::Left) leftIsMiddle_ = alt;
    view_.setHeldButtons(heldAsRead(held));
    if (button == buttons::Left && leftIsMiddle_) button = buttons::Middle;
    // A button, like a key, withdraws the quit guard's warning.
    quitGuard_ = QuitGuard::None;
    // The buttons do nothing while numbers are typed, nor while a box is drawn; their mask above
    // stays true to the mouse.
    if (panel_ || box_) return;
    if (ctrl && (button == buttons::WheelUp || button == buttons::WheelDown)) {
        // Only a zoom, in every mode: it neither inserts nor deletes. It is about the pixel the
        // wheel turned at, since the view may have moved under a still pointer since its last
        // motion.
        // About the pixel's curve point, which so stays under the pointer.
        const Point2 anchor = view_.pointAt(x, y);
        zoom(anchor.x, anchor.y, button == buttons::WheelUp);
        return;
    }
    if (currentChannels().count == 0) return;
    switch (view_.mode()) {
        case EditMode::Edit: {
            const std::optional<KeyRef> pick = pickKey();
            if (button == buttons::Middle) {
                // On a key of a selection of several, the selection stays for a drag of all.
                if (!pick) {
                    selection_.clear();
                } else if (selection_.size() < 2 ||
                           !selection_.makeActive(pick->channel, pick->index)) {
                    selection_.selectOnly(pick->channel, pick->index);
                }
            } else if (button == buttons::Left && pick) {
                selection_.selectOnly(pick->channel, pick->index);
            } else if (button == buttons::Left && ctrl) {
                box_ = Box{view_.cursor(), shift};
            }
            break;
        }
        case EditMode::Delete:
            deleteAtCursor();
            break;
        case EditMode::Insert:
            insertAtCursor();
            break;
    }
}

void EditingCore::buttonReleased(int button, int held) {
    if (button == buttons::Left && leftIsMiddle_) {
        // The stand-in is let go: a middle release, which snaps no handle. Its bit is gone from
        // the mask whatever the mask says.
        leftIsMiddle_ = false;
        button = buttons::Middle;
        held &= ~buttons::LeftMask;
    }
    view_.setHeldButtons(heldAsRead(held));
    if (panel_) return;
    if (box_) {
        if (button == buttons::Left) finishBox();
        return;
    }
    if (currentChannels().count > 0 && view_.mode() == EditMode::Edit && selectedKey()) {
        if (button == buttons::Left) {
            snapSelected(Handle::In);
        } else if (button == buttons::Right) {
            snapSelected(Handle::Out);
        }
    }
    // A drag ends when the last of the three buttons is let go, snap included.
    if ((view_.heldButtons() & (buttons::LeftMask | buttons::MiddleMask | buttons::RightMask)) ==
        0) {
        document_.finishEdit();
    }
}

void EditingCore::snapSelected(Handle handle) {
    const KeyRef key = *activeKey();
    const BezierKey& k = key.channel->keys()[key.index];
    const Point2 h = handle == Handle::In ? k.inHandle : k.outHandle;
    if (!(squaredDistance(h, k.point) < kPickRadiusSquared)) return;
    key.channel->snapHandle(key.index, handle, &document_.changesOf(*key.channel));
}

void EditingCore::deleteAtCursor() {
    const std::optional<KeyRef> pick = pickKey();
    if (!pick) return;
    document_.editAsOneStep(
        [&] { pick->channel->removeKey(pick->index, &document_.changesOf(*pick->channel)); });
    selection_.releaseKeys();
}

void EditingCore::insertAtCursor() {
    Channel* channel = pickChannel();
    if (!channel) return;
    selection_.releaseKeys();
    const Point2 cursor = view_.cursor();
    const float value = channel->evaluate(cursor.x);
    document_.editAsOneStep([&] {
        channel->addPoint({cursor.x, value}, &document_.changesOf(*channel));
    });
}

void EditingCore::pointerMoved(int x, int y, int dx, int dy, bool ctrl) {
    view_.moveCursor(view_.pointAt(x, y));
    // While numbers are typed into the panel, or a box is drawn, the pointer moves no key.
    if (currentChannels().count == 0 || panel_ || box_) return;

    const float fx = static_cast<float>(dx);
    const float fy = static_cast<float>(dy);
    if (selectedKey()) {
        dragSelected(fx, fy, ctrl);
    } else if (view_.heldButtons() & buttons::MiddleMask) {
        const float s = 1.0f / 300.0f;
        const float scrollX = (view_.right() - view_.left()) * s * fx;
        const float scrollY = (view_.top() - view_.bottom()) * s * fy;
        view_.scrollTime(scrollX);
        // Subtracting is adding the negation, bit for bit.
        view_.scrollValue(-scrollY);
    }
}

// One curve unit per pixel whatever the zoom; with Control, the motion in curve units at the
// current zoom, so that the dragged point stays under the pointer. Screen y runs downward.
void EditingCore::dragSelected(float dx, float dy, bool ctrl) {
    const Point2 delta = ctrl ? view_.pointerMotion(dx, dy) : Point2{dx, -dy};
    const int held = view_.heldButtons();
    if ((held & buttons::MiddleMask) && selection_.size() > 1) {
        dragSelectedKeys(delta);
        return;
    }
    const KeyRef key = *activeKey();
    KeyChanges* changes = nullptr;
    if (held & (buttons::MiddleMask | buttons::LeftMask | buttons::RightMask)) {
        changes = &document_.changesOf(*key.channel);
    }
    if (held & buttons::MiddleMask) {
        key.channel->moveKey(key.index, delta, changes);
    } else if (held & buttons::LeftMask) {
        key.channel->moveHandle(key.index, Handle::In, delta, changes);
    } else if (held & buttons::RightMask) {
        key.channel->moveHandle(key.index, Handle::Out, delta, changes);
    }
}

}  // namespace kvr
