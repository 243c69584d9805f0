// Mouse editing: picking, selecting, dragging keys and handles, inserting, deleting, scrolling.
#include "app/timeline_editor.h"

#include <functional>

namespace kvr {

namespace {

// Pick distances are in curve units, so the reach follows the zoom.
const float kPickRadiusSquared = 64.0f;

float squaredDistance(Point2 a, Point2 b) {
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    return dx * dx + dy * dy;
}

bool snapHandle(Point2& handle, Point2 point) {
    if (!(squaredDistance(handle, point) < kPickRadiusSquared)) return false;
    handle = point;
    return true;
}

// After the selected key was changed in place. Only that key changed, so the other channels'
// tables are already what a rebuild would make, and in its own channel only the segments
// around it can differ.
void keyChanged(Timeline3& timeline, Channel* channel, const BezierKey* key) {
    const std::less<const BezierKey*> before;
    if (channel && !before(key, channel->keys.data()) &&
        before(key, channel->keys.data() + channel->keys.size())) {
        channel->keyMoved(static_cast<std::size_t>(key - channel->keys.data()));
    } else {
        timeline.rebuildAll();
    }
}

}  // namespace

TimelineEditor::Pick TimelineEditor::pickKey() const {
    Timeline3* timeline = currentTimeline();
    if (!timeline) return {};
    const Point2 cursor{cursorX, cursorY};
    for (Channel* channel : {&timeline->x, &timeline->y, &timeline->z}) {
        for (BezierKey& key : channel->keys) {
            if (squaredDistance(key.point, cursor) < kPickRadiusSquared) return {channel, &key};
        }
    }
    return {};
}

Channel* TimelineEditor::pickChannel() const {
    Timeline3* timeline = currentTimeline();
    if (!timeline) return nullptr;
    for (Channel* channel : {&timeline->x, &timeline->y, &timeline->z}) {
        const float d = channel->evaluate(cursorX) - cursorY;
        if (d * d < kPickRadiusSquared) return channel;
    }
    return nullptr;
}

void TimelineEditor::onMouseButton(const SDL_MouseButtonEvent& event, Uint8 buttonState) {
    heldButtons = buttonState & 0xFF;
    Timeline3* timeline = currentTimeline();
    if (!timeline) return;
    const bool pressed = event.type == SDL_MOUSEBUTTONDOWN;

    switch (mode) {
        case EditMode::Edit:
            if (pressed) {
                const Pick pick = pickKey();
                if (event.button == SDL_BUTTON_MIDDLE) {
                    selectedChannel = pick.channel;
                    selectedKey = pick.key;
                } else if (event.button == SDL_BUTTON_LEFT && pick.key) {
                    selectedChannel = pick.channel;
                    selectedKey = pick.key;
                }
            } else if (selectedKey && selectedChannel) {
                bool snapped = false;
                if (event.button == SDL_BUTTON_LEFT) {
                    snapped = snapHandle(selectedKey->inHandle, selectedKey->point);
                } else if (event.button == SDL_BUTTON_RIGHT) {
                    snapped = snapHandle(selectedKey->outHandle, selectedKey->point);
                }
                // A snapped handle changes the curve: the samples must follow at once.
                if (snapped) keyChanged(*timeline, selectedChannel, selectedKey);
            }
            break;
        case EditMode::Delete:
            if (pressed) {
                const Pick pick = pickKey();
                if (pick.key) {
                    pick.channel->removeKey(
                        static_cast<std::size_t>(pick.key - pick.channel->keys.data()));
                    selectedKey = nullptr;
                }
            }
            break;
        case EditMode::Insert:
            if (pressed) {
                if (Channel* channel = pickChannel()) {
                    selectedKey = nullptr;
                    const float value = channel->evaluate(cursorX);
                    channel->addPoint({cursorX, value});
                }
            }
            break;
    }
}

void TimelineEditor::onMouseMotion(const SDL_MouseMotionEvent& event) {
    cursorX = viewLeft + (static_cast<float>(event.x) / static_cast<float>(windowWidth)) *
                             (viewRight - viewLeft);
    cursorY = viewTop - (static_cast<float>(event.y) / static_cast<float>(windowHeight)) *
                            (viewTop - viewBottom);
    Timeline3* timeline = currentTimeline();
    if (!timeline) return;

    const float dx = static_cast<float>(event.xrel);
    const float dy = static_cast<float>(event.yrel);
    if (selectedKey) {
        // One curve unit per pixel whatever the zoom; screen y runs downward.
        bool moved = true;
        if (heldButtons & SDL_BUTTON_MMASK) {
            for (Point2* p :
                 {&selectedKey->point, &selectedKey->inHandle, &selectedKey->outHandle}) {
                p->x += dx;
                p->y -= dy;
            }
        } else if (heldButtons & SDL_BUTTON_LMASK) {
            selectedKey->inHandle.x += dx;
            selectedKey->inHandle.y -= dy;
        } else if (heldButtons & SDL_BUTTON_RMASK) {
            selectedKey->outHandle.x += dx;
            selectedKey->outHandle.y -= dy;
        } else {
            moved = false;
        }
        // The tables always match the keys, so a motion that moved nothing leaves them right.
        if (moved) keyChanged(*timeline, selectedChannel, selectedKey);
    } else if (heldButtons & SDL_BUTTON_MMASK) {
        const float s = 1.0f / 300.0f;
        const float scrollX = (viewRight - viewLeft) * s * dx;
        const float scrollY = (viewTop - viewBottom) * s * dy;
        viewLeft += scrollX;
        viewRight += scrollX;
        viewBottom -= scrollY;
        viewTop -= scrollY;
    }
}

}  // namespace kvr
