// EditorWindow: the editor's window: SDL and OpenGL set-up, the event loop, and drawing what
// the editing core holds.
#pragma once

#include <SDL/SDL.h>

#include <string>

#include "app/curve_view.h"
#include "editing/editing_core.h"
#include "text/bitmap_font.h"

namespace kvr {

class EditorWindow {
public:
    EditorWindow();
    ~EditorWindow();
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    // First member, so the font is unpacked before the window is set up (it needs no OpenGL).
    BitmapFont font;
    // Everything the editor knows and every rule it follows; this class only translates events
    // for it and shows it.
    EditingCore core;

    void initVideo();
    int run();
    void onResize(int w, int h);

    // Input handlers: each turns an SDL event into a call of the core. The loop passes the
    // button state it read from SDL_GetMouseState, so the handlers can also be driven with
    // events that did not come from the real pointer. onKey returns whether the key asked the
    // editor to quit.
    bool onKey(const SDL_KeyboardEvent& event);
    void onMouseMotion(const SDL_MouseMotionEvent& event);
    void onMouseButton(const SDL_MouseButtonEvent& event, Uint8 buttonState);

    void draw();
    void drawHelp();
    void drawStatus();
    // The entry panel, while one is open, above the status line.
    void drawEntryPanel();

    // Names the file, the timeline and unsaved changes in the window's title bar.
    void showTitle();

private:
    // Draws the curves and keys, keeping between frames what long curves cost to make.
    CurveView curves_;
    bool sdlStarted_ = false;
    std::string shownTitle_;
};

}  // namespace kvr
