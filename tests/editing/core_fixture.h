// An editing core in a scratch working directory, fed the plain inputs a window would send.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "editing/editing_core.h"
#include "tests/support/temp_dir.h"
#include "timeline/timeline_registry.h"

namespace kvr::test {

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        TimelineRegistry::instance().clear();
        core.startNew();
    }

    void TearDown() override { TimelineRegistry::instance().clear(); }

    Timeline3& current() { return *core.currentTimeline(); }

    void keyDown(int symbol, KeyModifiers modifiers = {}) { core.keyDown(symbol, modifiers); }
    void keyUp(int symbol) { core.keyUp(symbol); }
    void ctrl(int symbol, bool shift = false) {
        KeyModifiers modifiers;
        modifiers.ctrl = true;
        modifiers.shift = shift;
        core.keyDown(symbol, modifiers);
    }

    // Pointer at a window pixel, without dragging anything.
    void pointAt(int x, int y) { motion(x, y, 0, 0); }
    // Pointer at the pixel nearest to a curve point at the current view.
    void pointAtCurve(Point2 p) {
        const EditView& v = core.view();
        pointAt(
            static_cast<int>(std::lround((p.x - v.left()) * static_cast<float>(v.windowWidth()) /
                                         (v.right() - v.left()))),
            static_cast<int>(std::lround((v.top() - p.y) * static_cast<float>(v.windowHeight()) /
                                         (v.top() - v.bottom()))));
    }
    // Pointer moved by (dx, dy) pixels from where it was, with Control held or not.
    void moveBy(int dx, int dy, bool ctrl = false) {
        motion(lastX_ + dx, lastY_ + dy, dx, dy, ctrl);
    }

    void press(int button, bool ctrl = false, bool shift = false, bool alt = false) {
        if (button <= 3) buttons_ |= 1 << (button - 1);
        core.buttonPressed(button, lastX_, lastY_, buttons_, ctrl, shift, alt);
    }
    // The left button pressed with Alt held, as a touchpad's middle button.
    void pressAltLeft() { press(buttons::Left, false, false, true); }
    void release(int button) {
        if (button <= 3) buttons_ &= ~(1 << (button - 1));
        core.buttonReleased(button, buttons_);
    }
    void click(int button) {
        press(button);
        release(button);
    }

    TempDir dir;
    WorkingDirectory inDir{dir.path()};
    EditingCore core;

private:
    void motion(int x, int y, int dx, int dy, bool ctrl = false) {
        lastX_ = x;
        lastY_ = y;
        core.pointerMoved(x, y, dx, dy, ctrl);
    }

    int buttons_ = 0;
    int lastX_ = 0;
    int lastY_ = 0;
};

}  // namespace kvr::test
