// EditingCore: the editor's state and its keyboard, mouse, view, load and save rules, without a
// window.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editing/edit_history.h"
#include "editing/entry_panel.h"
#include "editing/input.h"
#include "editing/view_mapping.h"
#include "timeline/channel.h"
#include "timeline/timeline.h"
#include "timeline/timeline_registry.h"

namespace kvr {

enum class EditMode : int { Edit = 0, Insert = 1, Delete = 2 };

// Which map of the registry currentName is looked up in; None when nothing is shown.
enum class TimelineKind { None, Three, One };

// The channels of the current timeline: x, y and z, or the one channel of a one-channel
// timeline, or none.
struct ChannelSet {
    Channel* channels[3] = {nullptr, nullptr, nullptr};
    int count = 0;

    Channel* const* begin() const { return channels; }
    Channel* const* end() const { return channels + count; }
};

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
    TimelineKind currentKind = TimelineKind::None;
    std::string fileName;

    // A new editor's file and timeline: the first free tl3_NNN.lua name in the working
    // directory, and the default timeline "no_name" as the current one.
    void startNew();

    // Input. Key symbols and buttons are those of input.h; held is the mouse-button mask at the
    // event. typed is the character the press types with the keyboard's layout, 0 for none:
    // commands act on the symbol, an open entry panel takes the character.
    KeyOutcome keyDown(int symbol, KeyModifiers modifiers = {}, char32_t typed = 0);
    void keyUp(int symbol);
    // Positions are window pixels from the top-left corner. With ctrl (a Control key held) a drag
    // moves by the pointer's motion in curve units, so the dragged point follows the pointer.
    void pointerMoved(int x, int y, int dx, int dy, bool ctrl = false);
    // (x, y) is where the event happened; ctrl tells whether a Control key is held: a wheel step
    // with it only zooms, about (x, y). Every other press acts where the last motion left the
    // cursor.
    void buttonPressed(int button, int x, int y, int held, bool ctrl = false);
    void buttonReleased(int button, int held);
    // The window now has this size: one curve unit per pixel again, y = 0 in the middle.
    void resized(int w, int h);

    // No command leaves an axis of the view infinite, empty or of infinite extent (see
    // editing/view_span.h for what it becomes where the plain rule would).
    void zoomIn();
    void zoomOut();
    // The same steps about the curve point under window pixel (x, y), which stays under it.
    void zoomInAbout(int x, int y);
    void zoomOutAbout(int x, int y);
    // Fits every key point and handle of the current timeline into the view, with a margin.
    void frameAll();
    // Makes the next (or previous) timeline of the Tab order current, wrapping around.
    void switchTimeline(int direction);
    // Runs fileName afresh: the registry is emptied, the history too.
    void reload();
    // Writes every timeline to fileName; false (having said why on standard error) on failure.
    bool save();
    // One step back or forward in the history; false when there was none.
    bool undo();
    bool redo();
    // Whether the keys differ from what was last loaded or saved.
    bool hasUnsavedChanges() const;
    // Whether the last load left part of the file out, so that the next save keeps the file's
    // text beside it first.
    bool backsUpBeforeNextSave() const { return backUpBeforeNextSave_; }

    // The three-channel timeline shown and edited; null when none is, or a one-channel one is.
    Timeline3* currentTimeline() const;
    ChannelSet currentChannels() const;
    // Every timeline in the order Tab visits them: the three-channel ones by name, then the
    // one-channel ones by name.
    struct TimelineRef {
        TimelineKind kind;
        std::string name;
    };
    std::vector<TimelineRef> tabOrder() const;
    // The view over the window: the mapping the pointer and the drawing share.
    ViewMapping view() const {
        return {viewLeft, viewRight, viewBottom, viewTop, windowWidth, windowHeight};
    }
    // The curve point shown at window pixel (x, y).
    Point2 viewPointAt(int x, int y) const { return view().pointAt(x, y); }
    // "NAME (i/n) - FILE - tledit", or "FILE - tledit" with no current timeline; a leading '*'
    // while there are unsaved changes.
    std::string windowTitle() const;
    const BezierKey* selectedKey() const;
    const EditHistory& history() const { return history_; }
    void select(Channel* channel, std::size_t index);
    void clearSelectedKey() { selectedIndex_.reset(); }
    // The panel in which the selected key's numbers are typed, while it is open; null otherwise.
    // Its fields are the key's time and value, then its in-handle's, then its out-handle's.
    const EntryPanel* entryPanel() const { return panel_ ? &*panel_ : nullptr; }

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
    void dragSelected(float dx, float dy, bool ctrl);
    void snapSelected(Handle handle);
    // The key-number panel: opened by Return on a selected key in Edit mode, it takes every key
    // press until Return applies it or Escape closes it.
    void openKeyPanel();
    void panelKey(int symbol, KeyModifiers modifiers, char32_t typed);
    // The typed numbers as one step; false, with the wrong fields marked, when one is no number.
    bool applyKeyPanel();
    // Ends the edit under way, if it changed anything, as one step of the history.
    void finishEdit();
    // A command's edit of one channel (an insertion, a deletion) as a step of its own.
    void editAsOneStep(Channel& channel, const std::function<void(KeyChanges*)>& edit);
    // Undo (back) or redo: the step's changes taken back or made again.
    bool walkHistory(bool back);
    // Moves each edge of the view by fraction of its distance toward (ax, ay); a negative
    // fraction moves away.
    void zoomToward(float ax, float ay, float fraction);
    // Where the current timeline stands in order, -1 when none is shown.
    long placeInTabOrder(const std::vector<TimelineRef>& order) const;
    // Shows the timeline that holds channel, if another is shown, after undo or redo changed it.
    void showOwnerOf(const Channel* channel);

    TimelineRegistry& registry_;
    // Set when the last load left out part of the file (a Lua error, a block left open, a block
    // dropped for a name already used): the next save first keeps the file's text beside it.
    bool backUpBeforeNextSave_ = false;
    std::optional<std::size_t> selectedIndex_;
    EditHistory history_;
    // What the edit under way (a drag from press to release) has changed so far.
    EditStep pending_;
    std::optional<EntryPanel> panel_;
};

}  // namespace kvr
