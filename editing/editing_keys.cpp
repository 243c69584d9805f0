// EditingCore: keyboard commands and the view's zoom.
#include "editing/editing_core.h"

namespace kvr {

namespace {
const float kZoomFraction = 0.1f;
const float kScrollStep = 50.0f;
}  // namespace

void EditingCore::keyUp(int symbol) {
    if (symbol == keys::RightShift || symbol == keys::LeftShift) shiftDown = false;
}

void EditingCore::keyDown(int symbol, KeyModifiers modifiers) {
    switch (symbol) {
        case keys::Minus:
            zoomOut();
            break;
        case keys::Semicolon:
            // Shift and ';' is '+' on the keyboards this was made for.
            if (shiftDown) zoomIn();
            break;
        case keys::D:
            mode = EditMode::Delete;
            break;
        case keys::E:
            mode = EditMode::Edit;
            break;
        case keys::H:
            helpVisible = !helpVisible;
            break;
        case keys::I:
            mode = EditMode::Insert;
            break;
        case keys::R:
            reload();
            break;
        case keys::S:
            save();
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
            deleteSelectedKey();
            break;
        case keys::Up:
            viewBottom += kScrollStep;
            viewTop += kScrollStep;
            break;
        case keys::Down:
            viewBottom -= kScrollStep;
            viewTop -= kScrollStep;
            break;
        case keys::Right:
            viewLeft += kScrollStep;
            viewRight += kScrollStep;
            break;
        case keys::Left:
            viewLeft -= kScrollStep;
            viewRight -= kScrollStep;
            break;
        case keys::RightShift:
        case keys::LeftShift:
            shiftDown = true;
            break;
        default:
            break;
    }
}

void EditingCore::deleteSelectedKey() {
    if (!selectedChannel || !selectedKey()) return;
    finishEdit();
    selectedChannel->removeKey(*selectedIndex_, &pending_.changesOf(*selectedChannel));
    finishEdit();
    clearSelectedKey();
}

// The anchor is half the visible extent measured from zero, not the view's midpoint: zooming
// keeps the left and bottom edges' relation to zero the way users of this editor know it.
void EditingCore::zoomIn() {
    const float ax = (viewRight - viewLeft) * 0.5f;
    const float ay = (viewTop - viewBottom) * 0.5f;
    viewLeft += (ax - viewLeft) * kZoomFraction;
    viewRight += (ax - viewRight) * kZoomFraction;
    viewBottom += (ay - viewBottom) * kZoomFraction;
    viewTop += (ay - viewTop) * kZoomFraction;
}

void EditingCore::zoomOut() {
    const float ax = (viewRight - viewLeft) * 0.5f;
    const float ay = (viewTop - viewBottom) * 0.5f;
    viewLeft -= (ax - viewLeft) * kZoomFraction;
    viewRight -= (ax - viewRight) * kZoomFraction;
    viewBottom -= (ay - viewBottom) * kZoomFraction;
    viewTop -= (ay - viewTop) * kZoomFraction;
}

}  // namespace kvr
