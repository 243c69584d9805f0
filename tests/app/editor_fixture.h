// A real editor in the test process, in a scratch working directory, driven by SDL event records.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/editor_window.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_session.h"
#include "timeline/error.h"
#include "timeline/timeline_registry.h"

namespace kvr::test {

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        TimelineRegistry::instance().clear();
        editor = makeEditor();
    }

    // A connection the X server refused is tried again, as the support code does elsewhere.
    static std::unique_ptr<EditorWindow> makeEditor() {
        RefusalBudget refusals;
        for (;;) {
            try {
                return std::make_unique<EditorWindow>();
            } catch (const Error& e) {
                if (!sdlRefusedByXServer(e.what()) || !refusals.again()) throw;
                TimelineRegistry::instance().clear();
            }
        }
    }

    void TearDown() override {
        editor.reset();
        TimelineRegistry::instance().clear();
    }

    Timeline3& current() { return *editor->core.currentTimeline(); }

    // Pointer moved by (dx, dy) pixels from where it was.
    void moveBy(int dx, int dy) { motion(lastX_ + dx, lastY_ + dy, dx, dy); }

    void press(int button) {
        if (button <= 3) buttons_ |= SDL_BUTTON(button);
        editor->onMouseButton(buttonEvent(SDL_MOUSEBUTTONDOWN, button), buttons_);
    }
    void release(int button) {
        if (button <= 3) buttons_ &= ~SDL_BUTTON(button);
        editor->onMouseButton(buttonEvent(SDL_MOUSEBUTTONUP, button), buttons_);
    }

    TempDir dir;
    WorkingDirectory inDir{dir.path()};
    std::unique_ptr<EditorWindow> editor;

private:
    static SDL_MouseButtonEvent buttonEvent(Uint8 type, int button) {
        SDL_MouseButtonEvent e{};
        e.type = type;
        e.button = static_cast<Uint8>(button);
        e.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        return e;
    }
    void motion(int x, int y, int dx, int dy) {
        SDL_MouseMotionEvent e{};
        e.type = SDL_MOUSEMOTION;
        e.x = static_cast<Uint16>(x);
        e.y = static_cast<Uint16>(y);
        e.xrel = static_cast<Sint16>(dx);
        e.yrel = static_cast<Sint16>(dy);
        lastX_ = x;
        lastY_ = y;
        editor->onMouseMotion(e);
    }

    Uint8 buttons_ = 0;
    int lastX_ = 0;
    int lastY_ = 0;
};

}  // namespace kvr::test
