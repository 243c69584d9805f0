// Keyboard commands: zoom, scroll, modes, help, delete, reload and save.
#include "app/timeline_editor.h"

namespace kvr {

namespace {
const float kZoomFraction = 0.1f;
const float kScrollStep = 50.0f;
}  // namespace

void TimelineEditor::onKey(const SDL_KeyboardEvent& event) {
    const SDLKey key = event.keysym.sym;
    if (event.type == SDL_KEYUP) {
        if (key == SDLK_RSHIFT || key == SDLK_LSHIFT) shiftDown = false;
        return;
    }
    if (event.type != SDL_KEYDOWN) return;
    switch (key) {
        case SDLK_MINUS:
            zoomOut();
            break;
        case SDLK_SEMICOLON:
            // Shift and ';' is '+' on the keyboards this was made for.
            if (shiftDown) zoomIn();
            break;
        case SDLK_d:
            mode = EditMode::Delete;
            break;
        case SDLK_e:
            mode = EditMode::Edit;
            break;
        case SDLK_h:
            helpVisible = !helpVisible;
            break;
        case SDLK_i:
            mode = EditMode::Insert;
            break;
        case SDLK_r:
            reload();
            break;
        case SDLK_s:
            save();
            break;
        case SDLK_DELETE:
            if (selectedChannel && selectedKey) {
                std::vector<BezierKey>& keys = selectedChannel->keys;
                const std::size_t index = static_cast<std::size_t>(selectedKey - keys.data());
                if (index < keys.size()) selectedChannel->removeKey(index);
                selectedKey = nullptr;
            }
            break;
        case SDLK_UP:
            viewBottom += kScrollStep;
            viewTop += kScrollStep;
            break;
        case SDLK_DOWN:
            viewBottom -= kScrollStep;
            viewTop -= kScrollStep;
            break;
        case SDLK_RIGHT:
            viewLeft += kScrollStep;
            viewRight += kScrollStep;
            break;
        case SDLK_LEFT:
            viewLeft -= kScrollStep;
            viewRight -= kScrollStep;
            break;
        case SDLK_RSHIFT:
        case SDLK_LSHIFT:
            shiftDown = true;
            break;
        default:
            break;
    }
}

// The anchor is half the visible extent measured from zero, not the view's midpoint: zooming
// keeps the left and bottom edges' relation to zero the way users of this editor know it.
void TimelineEditor::zoomIn() {
    const float ax = (viewRight - viewLeft) * 0.5f;
    const float ay = (viewTop - viewBottom) * 0.5f;
    viewLeft += (ax - viewLeft) * kZoomFraction;
    viewRight += (ax - viewRight) * kZoomFraction;
    viewBottom += (ay - viewBottom) * kZoomFraction;
    viewTop += (ay - viewTop) * kZoomFraction;
}

void TimelineEditor::zoomOut() {
    const float ax = (viewRight - viewLeft) * 0.5f;
    const float ay = (viewTop - viewBottom) * 0.5f;
    viewLeft -= (ax - viewLeft) * kZoomFraction;
    viewRight -= (ax - viewRight) * kZoomFraction;
    viewBottom -= (ay - viewBottom) * kZoomFraction;
    viewTop -= (ay - viewTop) * kZoomFraction;
}

}  // namespace kvr
