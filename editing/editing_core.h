// EditingCore: the editor's state and its keyboard, mouse, view, load and save rules, without a
// window.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "editing/edit_document.h"
#include "editing/edit_history.h"
#include "editing/edit_view.h"
#include "editing/entry_panel.h"
#include "editing/input.h"
#include "editing/key_selection.h"
#include "timeline/channel.h"
#include "timeline/timeline.h"
#include "timeline/timeline_registry.h"

namespace kvr {

// A rectangle of the curve plane, its edges in curve units.
struct CurveRect {
    float left = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    float top = 0.0f;
};

class EditingCore {
public:
    explicit EditingCore(TimelineRegistry& registry = TimelineRegistry::instance());
    EditingCore(const EditingCore&) = delete;
    EditingCore& operator=(const EditingCore&) = delete;

    // What is shown and held (window, view rectangle, pointer, mode, buttons, help), the file
    // (timelines, name, history) and the selected keys, to be read; they change only through
    // the operations below.
    const EditView& view() const { return view_; }
    const EditDocument& document() const { return document_; }
    const KeySelection& selection() const { return selection_; }

    // A new editor's file and timeline: the first free tl3_NNN.lua name in the working
    // directory, and the default timeline "no_name" as the current one.
    void startNew();
    // The file that reload runs and save writes.
    void setFileName(std::string name) { document_.setFileName(std::move(name)); }
    // Shows the timeline of this kind and name, with nothing selected, as Tab shows one.
    void showTimeline(TimelineKind kind, std::string name);
    // Shows exactly this view rectangle, when both of its axes are usable; returns whether it
    // did.
    bool setView(float left, float right, float bottom, float top) {
        return view_.show(left, right, bottom, top);
    }

    // Input. Key symbols and buttons are those of input.h; held is the mouse-button mask at the
    // event. typed is the character the press types with the keyboard's layout, 0 for none:
    // commands act on the symbol, an open entry panel takes the character.
    KeyOutcome keyDown(int symbol, KeyModifiers modifiers = {}, char32_t typed = 0);
    void keyUp(int symbol);
    // Positions are window pixels from the top-left corner. With ctrl (a Control key held) a drag
    // moves by the pointer's motion in curve units, so the dragged point follows the pointer.
    void pointerMoved(int x, int y, int dx, int dy, bool ctrl = false);
    // (x, y) is where the event happened; ctrl, shift and alt tell whether a Control, Shift or
    // Alt key is held: a wheel step with Control only zooms, about (x, y). Every other press acts
    // where the last motion left the cursor; in Edit mode a left press with Control on no key
    // starts a box selection, which the left release ends (with Shift too, adding to the
    // selection). A left press with Alt is a middle press, for touchpads without a middle
    // button: until that button is let go, whatever becomes of Alt, the core takes it for the
    // middle one in its presses, drags and release, and its bit in held for the middle bit.
    void buttonPressed(int button, int x, int y, int held, bool ctrl = false, bool shift = false,
                       bool alt = false);
    void buttonReleased(int button, int held);
    // The window now has this size: one curve unit per pixel again, y = 0 in the middle.
    void resized(int w, int h) { view_.resized(w, h); }

    // No command leaves an axis of the view infinite, empty or of infinite extent (see
    // editing/view_span.h for what it becomes where the plain rule would).
    void zoomIn();
    void zoomOut();
    // Fits every key point and handle of the current timeline into the view, with a margin.
    void frameAll();
    // The same for the selected keys; with none selected, frameAll.
    void frameSelection();
    // Selects every key of the current timeline; when every one is selected already, none.
    void selectAll();
    // Keeps the selected keys for paste: their three points, channel by channel (x, y, z; the
    // channel of a one-channel timeline counts as x), times relative to the earliest selected
    // key. With nothing selected nothing is kept, and what was copied before stays.
    void copySelection();
    // Copies the selected keys and deletes them, as one step.
    void cutSelection();
    // Adds the copied keys to the current timeline, the earliest at the cursor's time, values
    // as copied, each into the channel of its letter, as one step; they become the selection.
    void paste();
    // Makes the next (or previous) timeline of the Tab order current, wrapping around.
    void switchTimeline(int direction);
    // Runs the file afresh: the registry is emptied, the history too.
    void reload();
    // Writes every timeline to the file; false (having said why on standard error) on failure.
    bool save() { return document_.save(); }
    // Opens the one-line panel in which a name is typed: empty, for a new three-channel
    // timeline ('n'); with the shown timeline's name, to rename it (F2); with the file's name,
    // to save under another (Control+Shift+S). Return applies it, Escape closes it.
    void openNewTimelinePanel();
    void openRenamePanel();
    void openSaveAsPanel();
    // Removes the shown timeline as one step and shows the next in Tab order (Control+Delete).
    void removeShownTimeline();
    // The window's close button was pressed: whether to quit now. With unsaved changes the first
    // request only warns, and quits only when it comes again right after; any key or button
    // between withdraws the warning. Escape is guarded the same way through keyDown.
    bool closeRequested();
    // The guard's warning for the status line while it stands; empty otherwise.
    std::string quitWarning() const;
    // One step back or forward in the history; false when there was none.
    bool undo();
    bool redo();

    // Shorthands for what the window and the tests read most.
    const std::string& fileName() const { return document_.fileName(); }
    bool hasUnsavedChanges() const { return document_.hasUnsavedChanges(); }
    bool backsUpBeforeNextSave() const { return document_.backsUpBeforeNextSave(); }
    bool loadedCompletely() const { return document_.loadedCompletely(); }
    const EditHistory& history() const { return document_.history(); }
    std::string windowTitle() const { return document_.windowTitle(); }
    Timeline3* currentTimeline() const { return document_.currentTimeline(); }
    ChannelSet currentChannels() const { return document_.currentChannels(); }
    // The curve point shown at window pixel (x, y).
    Point2 viewPointAt(int x, int y) const { return view_.pointAt(x, y); }
    // The active key; null when none is selected.
    const BezierKey* selectedKey() const;
    // The box of a box selection while its button is held: from where it was pressed to the
    // cursor.
    std::optional<CurveRect> selectionBox() const;
    // Selects the key alone, as a left press on it does; clearSelection forgets every key and
    // the active key's channel, as a middle press on empty space does.
    void select(Channel* channel, std::size_t index) { selection_.selectOnly(channel, index); }
    void clearSelection() { selection_.clear(); }
    // The entry panel while one is open; null otherwise. The key-number panel's fields are the
    // key's time and value, then its in-handle's, then its out-handle's; the others have one.
    const EntryPanel* entryPanel() const { return panel_ ? &*panel_ : nullptr; }

private:
    std::optional<KeyRef> pickKey() const;
    Channel* pickChannel() const;
    std::optional<KeyRef> activeKey() const;

    // The Delete key: every selected key, as one step.
    void deleteSelectedKeys();
    void finishBox();
    void insertAtCursor();
    void deleteAtCursor();
    void dragSelected(float dx, float dy, bool ctrl);
    void dragSelectedKeys(Point2 delta);
    void snapSelected(Handle handle);
    // The held-button mask as the rules read it: with the left button standing in for the middle
    // one, its bit is the middle bit.
    int heldAsRead(int held) const;
    // The key-number panel: opened by Return on a selected key in Edit mode, it takes every key
    // press until Return applies it or Escape closes it.
    void openKeyPanel();
    void panelKey(int symbol, KeyModifiers modifiers, char32_t typed);
    // Steps the view's zoom about a curve point, which stays where it is in the window.
    void zoom(float anchorTime, float anchorValue, bool in);
    // The typed numbers as one step; false, with the wrong fields marked, when one is no number.
    bool applyKeyPanel();
    // What each panel is for; Return applies it by that.
    enum class PanelPurpose { KeyNumbers, NewTimeline, Rename, SaveAs };
    // Opens the panel for a purpose, ending a drag and dropping a box under way.
    void openPanel(PanelPurpose purpose, std::vector<EntryPanel::Field> fields,
                   EntryPanel::CharacterRule accepts);
    // Return in the panel: whether it is done with and closes.
    bool applyPanel();
    bool applyNamePanel();
    bool applySaveAsPanel();
    // Undo (back) or redo: the step's changes taken back or made again.
    bool walkHistory(bool back);

    EditDocument document_;
    EditView view_;
    KeySelection selection_;
    std::optional<EntryPanel> panel_;
    PanelPurpose panelPurpose_ = PanelPurpose::KeyNumbers;
    // The command that, given again, quits despite unsaved changes.
    enum class QuitGuard { None, Escape, Close };
    QuitGuard quitGuard_ = QuitGuard::None;
    // A box selection under way: the corner where it was pressed, and whether it adds.
    struct Box {
        Point2 anchor;
        bool adding = false;
    };
    std::optional<Box> box_;
    // Whether the left button, pressed with Alt, is standing in for the middle one; its press
    // decides, its release ends it.
    bool leftIsMiddle_ = false;
    // The copied keys by channel letter, x, y, z; kept while the editor runs, through Tab and
    // reloads.
    std::array<std::vector<BezierKey>, 3> copied_;
};

}  // namespace kvr
