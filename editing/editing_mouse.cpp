// EditingCore: picking, selecting, dragging keys and handles, inserting, deleting, scrolling.
#include "editing/editing_core.h"
#include "editing/view_span.h"

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

std::optional<EditingCore::Pick> EditingCore::pickKey() const {
    const Point2 cursor{cursorX, cursorY};
    for (Channel* channel : currentChannels()) {
        const std::vector<BezierKey>& keys = channel->keys();
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (squaredDistance(keys[i].point, cursor) < kPickRadiusSquared) {
                return Pick{channel, i};
            }
        }
    }
    return std::nullopt;
}

Channel* EditingCore::pickChannel() const {
    for (Channel* channel : currentChannels()) {
        const float d = channel->evaluate(cursorX) - cursorY;
        if (d * d < kPickRadiusSquared) return channel;
    }
    return nullptr;
}

void EditingCore::buttonPressed(int button, int x, int y, int held, bool ctrl) {
    heldButtons = held & 0xFF;
    // The buttons do nothing while numbers are typed; their mask above stays true to the mouse.
    if (panel_) return;
    if (ctrl && (button == buttons::WheelUp || button == buttons::WheelDown)) {
        // Only a zoom, in every mode: it neither inserts nor deletes. It is about the pixel the
        // wheel turned at, since the view may have moved under a still pointer since its last
        // motion.
        if (button == buttons::WheelUp) {
            zoomInAbout(x, y);
        } else {
            zoomOutAbout(x, y);
        }
        return;
    }
    if (currentChannels().count == 0) return;
    switch (mode) {
        case EditMode::Edit: {
            const std::optional<Pick> pick = pickKey();
            if (button == buttons::Middle) {
                if (pick) {
                    select(pick->channel, pick->index);
                } else {
                    selectedChannel = nullptr;
                    clearSelectedKey();
                }
            } else if (button == buttons::Left && pick) {
                select(pick->channel, pick->index);
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
    heldButtons = held & 0xFF;
    if (panel_) return;
    if (currentChannels().count > 0 && mode == EditMode::Edit && selectedKey()) {
        if (button == buttons::Left) {
            snapSelected(Handle::In);
        } else if (button == buttons::Right) {
            snapSelected(Handle::Out);
        }
    }
    // A drag ends when the last of the three buttons is let go, snap included.
    if ((heldButtons & (buttons::LeftMask | buttons::MiddleMask | buttons::RightMask)) == 0) {
        finishEdit();
    }
}

void EditingCore::snapSelected(Handle handle) {
    const BezierKey& key = *selectedKey();
    const Point2 h = handle == Handle::In ? key.inHandle : key.outHandle;
    if (!(squaredDistance(h, key.point) < kPickRadiusSquared)) return;
    selectedChannel->snapHandle(*selectedIndex_, handle, &pending_.changesOf(*selectedChannel));
}

void EditingCore::deleteAtCursor() {
    const std::optional<Pick> pick = pickKey();
    if (!pick) return;
    editAsOneStep(*pick->channel,
                  [&](KeyChanges* changes) { pick->channel->removeKey(pick->index, changes); });
    clearSelectedKey();
}

void EditingCore::insertAtCursor() {
    Channel* channel = pickChannel();
    if (!channel) return;
    clearSelectedKey();
    const float value = channel->evaluate(cursorX);
    editAsOneStep(*channel, [&](KeyChanges* changes) {
        channel->addPoint({cursorX, value}, changes);
    });
}

void EditingCore::pointerMoved(int x, int y, int dx, int dy, bool ctrl) {
    const Point2 cursor = viewPointAt(x, y);
    cursorX = cursor.x;
    cursorY = cursor.y;
    // While numbers are typed into the panel the pointer moves no key.
    if (currentChannels().count == 0 || panel_) return;

    const float fx = static_cast<float>(dx);
    const float fy = static_cast<float>(dy);
    if (selectedKey()) {
        dragSelected(fx, fy, ctrl);
    } else if (heldButtons & buttons::MiddleMask) {
        const float s = 1.0f / 300.0f;
        const float scrollX = (viewRight - viewLeft) * s * fx;
        const float scrollY = (viewTop - viewBottom) * s * fy;
        shiftSpan(viewLeft, viewRight, scrollX);
        // Subtracting is adding the negation, bit for bit.
        shiftSpan(viewBottom, viewTop, -scrollY);
    }
}

// One curve unit per pixel whatever the zoom; with Control, the motion in curve units at the
// current zoom, so that the dragged point stays under the pointer. Screen y runs downward.
void EditingCore::dragSelected(float dx, float dy, bool ctrl) {
    Point2 delta{dx, -dy};
    if (ctrl) {
        delta.x = dx * (viewRight - viewLeft) / static_cast<float>(windowWidth);
        delta.y = -dy * (viewTop - viewBottom) / static_cast<float>(windowHeight);
    }
    const std::size_t index = *selectedIndex_;
    KeyChanges* changes = nullptr;
    if (heldButtons & (buttons::MiddleMask | buttons::LeftMask | buttons::RightMask)) {
        changes = &pending_.changesOf(*selectedChannel);
    }
    if (heldButtons & buttons::MiddleMask) {
        selectedChannel->moveKey(index, delta, changes);
    } else if (heldButtons & buttons::LeftMask) {
        selectedChannel->moveHandle(index, Handle::In, delta, changes);
    } else if (heldButtons & buttons::RightMask) {
        selectedChannel->moveHandle(index, Handle::Out, delta, changes);
    }
}

}  // namespace kvr
