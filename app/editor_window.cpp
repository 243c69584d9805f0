// EditorWindow: start-up, the event loop, resizes, shutdown, and events handed to the core.
#include "app/editor_window.h"

#include <GL/gl.h>

#include <cstdlib>

#include "timeline/error.h"

namespace kvr {

namespace {

const Uint32 kVideoFlags = SDL_OPENGL | SDL_RESIZABLE;

// The GL state that the whole program relies on, applied once the window (and so the context)
// exists and again after a resize, should SDL have made a new context.
void applyGlState(int width, int height) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // glyph rows are byte-aligned
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glViewport(0, 0, width, height);
}

}  // namespace

EditorWindow::EditorWindow() {
    initVideo();
    core.startNew();
}

EditorWindow::~EditorWindow() {
    if (sdlStarted_) SDL_Quit();
}

void EditorWindow::initVideo() {
    core.resized(800, 500);

    // Only the X11 driver offers OpenGL here; without it SDL would fall back to a text-mode
    // driver that starts but can never open the window. A user's own choice still wins.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    if (SDL_Init(SDL_INIT_VIDEO) < 0) throw Error(SDL_GetError());
    sdlStarted_ = true;
    // Key presses carry the character they type with the keyboard's layout, which is what the
    // entry panel takes; commands still go by the key symbol.
    SDL_EnableUNICODE(1);

    int depth = SDL_GetVideoInfo()->vfmt->BitsPerPixel;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (!SDL_SetVideoMode(core.view().windowWidth(), core.view().windowHeight(), depth,
                          kVideoFlags)) {
        // The destructor does not run for an editor that failed to start: shut SDL down here.
        const Error error(SDL_GetError());
        SDL_Quit();
        sdlStarted_ = false;
        throw error;
    }
}

int EditorWindow::run() {
    applyGlState(core.view().windowWidth(), core.view().windowHeight());
    showTitle();
    draw();
    SDL_Event event;
    for (;;) {
        if (SDL_WaitEvent(&event) == 0) break;
        switch (event.type) {
            case SDL_KEYDOWN:
                if (onKey(event.key)) return 0;
                break;
            case SDL_KEYUP:
                onKey(event.key);
                break;
            case SDL_MOUSEMOTION:
                onMouseMotion(event.motion);
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                onMouseButton(event.button, SDL_GetMouseState(nullptr, nullptr));
                break;
            case SDL_QUIT:
                // With unsaved changes the first close only warns, and is drawn.
                if (core.closeRequested()) return 0;
                break;
            case SDL_VIDEORESIZE:
                onResize(event.resize.w, event.resize.h);
                break;
            case SDL_VIDEOEXPOSE:
                // Redraw what another window uncovered.
                break;
            default:
                continue;
        }
        showTitle();
        draw();
    }
    return 0;
}

void EditorWindow::draw() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    curves_.draw(core);
    drawHelp();
    drawStatus();
    drawEntryPanel();
    SDL_GL_SwapBuffers();
}

void EditorWindow::showTitle() {
    const std::string title = core.windowTitle();
    if (title == shownTitle_) return;
    SDL_WM_SetCaption(title.c_str(), nullptr);
    shownTitle_ = title;
}

void EditorWindow::onResize(int w, int h) {
    // A failed mode change keeps the window, the size and the view that still work.
    if (!SDL_SetVideoMode(w, h, 0, kVideoFlags)) return;
    core.resized(w, h);
    applyGlState(w, h);
}

bool EditorWindow::onKey(const SDL_KeyboardEvent& event) {
    const int symbol = event.keysym.sym;
    if (event.type == SDL_KEYUP) {
        core.keyUp(symbol);
    } else if (event.type == SDL_KEYDOWN) {
        KeyModifiers modifiers;
        modifiers.shift = (event.keysym.mod & KMOD_SHIFT) != 0;
        modifiers.ctrl = (event.keysym.mod & KMOD_CTRL) != 0;
        return core.keyDown(symbol, modifiers, event.keysym.unicode) == KeyOutcome::Quit;
    }
    return false;
}

void EditorWindow::onMouseMotion(const SDL_MouseMotionEvent& event) {
    // Motion events carry no modifiers: Control is read as it stands now, as for the wheel.
    core.pointerMoved(event.x, event.y, event.xrel, event.yrel,
                      (SDL_GetModState() & KMOD_CTRL) != 0);
}

void EditorWindow::onMouseButton(const SDL_MouseButtonEvent& event, Uint8 buttonState) {
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        // Button events carry no modifiers: Control, Shift and Alt are read as they stand now.
        const SDLMod modifiers = SDL_GetModState();
        core.buttonPressed(event.button, event.x, event.y, buttonState,
                           (modifiers & KMOD_CTRL) != 0, (modifiers & KMOD_SHIFT) != 0,
                           (modifiers & KMOD_ALT) != 0);
    } else {
        core.buttonReleased(event.button, buttonState);
    }
}

}  // namespace kvr
