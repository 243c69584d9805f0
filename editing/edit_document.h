// EditDocument: what the editor holds of the file: its timelines (through the registry), its
// name, which timeline is shown, and the history of edits.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "editing/edit_history.h"
#include "timeline/channel.h"
#include "timeline/timeline.h"
#include "timeline/timeline_registry.h"

namespace kvr {

// Which map of the registry the current name is looked up in; None when nothing is shown.
enum class TimelineKind { None, Three, One };

// The channels of the current timeline: x, y and z, or the one channel of a one-channel
// timeline, or none.
struct ChannelSet {
    Channel* channels[3] = {nullptr, nullptr, nullptr};
    int count = 0;

    Channel* const* begin() const { return channels; }
    Channel* const* end() const { return channels + count; }
};

class EditDocument {
public:
    explicit EditDocument(TimelineRegistry& registry);
    EditDocument(const EditDocument&) = delete;
    EditDocument& operator=(const EditDocument&) = delete;

    // A new editor's file and timeline: the first free tl3_NNN.lua name in the working
    // directory, and the default timeline "no_name" as the current one.
    void startNew();
    const std::string& fileName() const { return fileName_; }
    // The file that reload runs and save writes; nothing is read or written here.
    void setFileName(std::string name) { fileName_ = std::move(name); }
    // Runs the file afresh: the registry is emptied, the history too; the first three-channel
    // timeline by name is shown, or none.
    void reload();
    // Writes every timeline to the file; false (having said why on standard error) on failure.
    bool save();
    // Whether the keys differ from what was last loaded or saved.
    bool hasUnsavedChanges() const;
    // Whether the last load left part of the file out, so that the next save keeps the file's
    // text beside it first.
    bool backsUpBeforeNextSave() const { return backUpBeforeNextSave_; }

    TimelineKind currentKind() const { return currentKind_; }
    const std::string& currentName() const { return currentName_; }
    // Shows the timeline of this kind and name; one the registry lacks shows nothing.
    void show(TimelineKind kind, std::string name);
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
    // Shows the next (or previous) timeline of the Tab order, wrapping around; false when there
    // is none to show.
    bool switchTimeline(int direction);
    // "NAME (i/n) - FILE - tledit", or "FILE - tledit" with no current timeline; a leading '*'
    // while there are unsaved changes.
    std::string windowTitle() const;

    // Edits. What the edit under way (a drag from press to release) does to a channel is
    // recorded in changesOf; finishEdit makes it one step of the history, if it changed
    // anything.
    KeyChanges& changesOf(Channel& channel) { return pending_.changesOf(channel); }
    void finishEdit();
    // A command's edit (an insertion, a deletion, a paste) as a step of its own.
    void editAsOneStep(const std::function<void()>& edit);
    // One step back (undo) or forward (redo), its changes taken back or made again; the step,
    // or null when there was none. The timeline it changed is shown, if another was.
    const EditStep* walkHistory(bool back);
    const EditHistory& history() const { return history_; }

private:
    // Where the current timeline stands in order, -1 when none is shown.
    long placeInTabOrder(const std::vector<TimelineRef>& order) const;
    void showOwnerOf(const Channel* channel);

    TimelineRegistry& registry_;
    std::string fileName_;
    std::string currentName_;
    TimelineKind currentKind_ = TimelineKind::None;
    // Set when the last load left out part of the file (a Lua error, a block left open, a block
    // dropped for a name already used): the next save first keeps the file's text beside it.
    bool backUpBeforeNextSave_ = false;
    EditHistory history_;
    // What the edit under way has changed so far.
    EditStep pending_;
};

}  // namespace kvr
