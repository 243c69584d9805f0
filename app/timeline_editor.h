// TimelineEditor: the one editor object, from window set-up to the event loop and its handlers.
#pragma once

#include <SDL/SDL.h>

#include <string>

#include "text/bitmap_font.h"
#include "timeline/channel.h"
#include "timeline/timeline.h"

namespace kvr {

enum class EditMode : int { Edit = 0, Insert = 1, Delete = 2 };

class TimelineEditor {
public:
    TimelineEditor();
    ~TimelineEditor();
    TimelineEditor(const TimelineEditor&) = delete;
    TimelineEditor& operator=(const TimelineEditor&) = delete;

    // First member, so the font is unpacked before the window is set up (it needs no OpenGL).
    BitmapFont font;
    int windowWidth = 800;
    int windowHeight = 500;
    float viewLeft = 0.0f;
    float viewRight = 800.0f;
    float viewBottom = -250.0f;
    float viewTop = 250.0f;
    EditMode mode = EditMode::Edit;
    int heldButtons = 0;
    bool helpVisible = true;
    bool shiftDown = false;
    float cursorX = 0.0f;
    float cursorY = 0.0f;
    BezierKey* selectedKey = nullptr;
    Channel* selectedChannel = nullptr;
    std::string currentName;
    std::string fileName;
    // Set when the last load left out part of the file (a Lua error, a block left open, a block
    // dropped for a name already used): the next save first keeps the file's text beside it.
    bool keepPreviousText = false;

    void initVideo();
    int run();
    void onResize(int w, int h);

    // Input handlers. The loop passes the button state it read from SDL_GetMouseState, so the
    // handlers can also be driven with events that did not come from the real pointer.
    void onKey(const SDL_KeyboardEvent& event);
    void onMouseMotion(const SDL_MouseMotionEvent& event);
    void onMouseButton(const SDL_MouseButtonEvent& event, Uint8 buttonState);
    void zoomIn();
    void zoomOut();

    void draw();
    void drawHelp();
    void drawStatus();

    void save();
    void reload();

    // The timeline shown and edited, or null when there is none.
    Timeline3* currentTimeline() const;

private:
    struct Pick {
        Channel* channel = nullptr;
        BezierKey* key = nullptr;
    };
    Pick pickKey() const;
    Channel* pickChannel() const;
    void clearSelectedKey() { selectedKey = nullptr; }

    bool sdlStarted_ = false;
};

}  // namespace kvr
