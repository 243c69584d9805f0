// EditingCore: the editor's state and its keyboard, mouse, view, load and save rules, without a
// window.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "editing/edit_history.h"
#include "editing/input.h"
#include "timeline/channel.h"
#include "timeline/timeline.h"
#include "timeline/timeline_registry.h"

namespace kvr {

enum class EditMode : int { Edit = 0, Insert = 1, Delete = 2 };

class EditingCore {
public:
    explicit EditingCore(TimelineRegistry& registry = TimelineRegistry::instance());
    EditingCore(const EditingCore&) = delete;
    EditingCore& operator=(const EditingCore&) = delete;

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
    // The channel of the selected key, kept after the key is deleted or a key is inserted.
    Channel* selectedChannel = nullptr;
    std::string currentName;
    std::string fileName;
    // Set when the last load left out part of the file (a Lua error, a block left open, a block
    // dropped for a name already used): the next save first keeps the file's text beside it.
    bool keepPreviousText = false;

    // A new editor's file and timeline: the first free tl3_NNN.lua name in the working
    // directory, and the default timeline "no_name" as the current one.
    void startNew();

    // Input. Key symbols and buttons are those of input.h; held is the mouse-button mask at the
    // event.
    void keyDown(int symbol, KeyModifiers modifiers = {});
    void keyUp(int symbol);
    void pointerMoved(int x, int y, int dx, int dy);
    void buttonPressed(int button, int held);
    void buttonReleased(int button, int held);
    // The window now has this size: one curve unit per pixel again, y = 0 in the middle.
    void resized(int w, int h);

    void zoomIn();
    void zoomOut();
    // Runs fileName afresh: the registry is emptied, the history too.
    void reload();
    // Writes every timeline to fileName; false (having said why on standard error) on failure.
    bool save();
    // One step back or forward in the history; false when there was none.
    bool undo();
    bool redo();
    // Whether the keys differ from what was last loaded or saved.
    bool hasUnsavedChanges() const;

    Timeline3* currentTimeline() const;
    const BezierKey* selectedKey() const;
    std::optional<std::size_t> selectedIndex() const { return selectedIndex_; }
    const EditHistory& history() const { return history_; }
    void select(Channel* channel, std::size_t index);
    void clearSelectedKey() { selectedIndex_.reset(); }

private:
    struct Pick {
        Channel* channel = nullptr;
        std::size_t index = 0;
    };
    std::optional<Pick> pickKey() const;
    Channel* pickChannel() const;

    void deleteSelectedKey();
    void insertAtCursor();
    void deleteAtCursor();
    void dragSelected(float dx, float dy);
    void snapSelected(Handle handle);
    // Ends the edit under way, if it changed anything, as one step of the history.
    void finishEdit();

    TimelineRegistry& registry_;
    std::optional<std::size_t> selectedIndex_;
    EditHistory history_;
    // What the edit under way (a drag from press to release) has changed so far.
    EditStep pending_;
};

}  // namespace kvr
