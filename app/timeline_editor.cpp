// TimelineEditor: start-up, the event loop, resizes, shutdown and loading.
#include "app/timeline_editor.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

#include <sys/stat.h>

#include "script/timeline_script.h"
#include "timeline/error.h"
#include "timeline/timeline_registry.h"

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

// A name is taken when anything stands there: a file this user cannot read, or a link whose
// target is missing, would otherwise be chosen and then overwritten by the first save.
std::string firstFreeFileName() {
    for (unsigned long n = 0;; ++n) {
        char name[64];
        std::snprintf(name, sizeof name, "tl3_%03lu.lua", n);
        struct stat entry;
        if (lstat(name, &entry) != 0) return name;
    }
}

}  // namespace

TimelineEditor::TimelineEditor() {
    initVideo();
    fileName = firstFreeFileName();
    currentName = "no_name";
    TimelineRegistry::instance().addTimeline3(currentName, makeDefaultTimeline());
}

TimelineEditor::~TimelineEditor() {
    if (sdlStarted_) SDL_Quit();
}

void TimelineEditor::initVideo() {
    windowWidth = 800;
    windowHeight = 500;
    viewLeft = 0.0f;
    viewRight = 800.0f;
    viewBottom = -250.0f;
    viewTop = 250.0f;
    heldButtons = 0;
    mode = EditMode::Edit;
    helpVisible = true;
    shiftDown = false;
    selectedKey = nullptr;
    selectedChannel = nullptr;

    // Only the X11 driver offers OpenGL here; without it SDL would fall back to a text-mode
    // driver that starts but can never open the window. A user's own choice still wins.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    if (SDL_Init(SDL_INIT_VIDEO) < 0) throw Error(SDL_GetError());
    sdlStarted_ = true;

    int depth = SDL_GetVideoInfo()->vfmt->BitsPerPixel;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (!SDL_SetVideoMode(windowWidth, windowHeight, depth, kVideoFlags)) {
        // The destructor does not run for an editor that failed to start: shut SDL down here.
        const Error error(SDL_GetError());
        SDL_Quit();
        sdlStarted_ = false;
        throw error;
    }
}

int TimelineEditor::run() {
    applyGlState(windowWidth, windowHeight);
    draw();
    SDL_Event event;
    for (;;) {
        if (SDL_WaitEvent(&event) == 0) break;
        switch (event.type) {
            case SDL_KEYDOWN:
                onKey(event.key);
                if (event.key.keysym.sym == SDLK_ESCAPE) return 0;
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
                return 0;
            case SDL_VIDEORESIZE:
                onResize(event.resize.w, event.resize.h);
                break;
            case SDL_VIDEOEXPOSE:
                // Redraw what another window uncovered.
                break;
            default:
                continue;
        }
        draw();
    }
    return 0;
}

void TimelineEditor::onResize(int w, int h) {
    // A failed mode change keeps the window, the size and the view that still work.
    if (!SDL_SetVideoMode(w, h, 0, kVideoFlags)) return;
    windowWidth = w;
    windowHeight = h;
    viewLeft = 0.0f;
    viewRight = static_cast<float>(w);
    viewBottom = static_cast<float>(-(h / 2));
    viewTop = static_cast<float>(h / 2);
    applyGlState(w, h);
}

Timeline3* TimelineEditor::currentTimeline() const {
    if (currentName.empty()) return nullptr;
    return TimelineRegistry::instance().findTimeline3(currentName);
}

void TimelineEditor::reload() {
    TimelineRegistry& registry = TimelineRegistry::instance();
    registry.clear();
    selectedKey = nullptr;
    selectedChannel = nullptr;
    keepPreviousText = false;
    if (!fileName.empty()) keepPreviousText = !runTimelineScript(fileName).complete();
    std::optional<std::string> first = registry.firstTimeline3Name();
    currentName = first ? *first : std::string();
}

}  // namespace kvr
