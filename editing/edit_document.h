// EditDocument: what the editor holds of the file: its timelines (through the registry), its
// name, which timeline is shown, and the history of edits.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "editing/edit_history.h"
#include "editing/timeline_ids.h"
#include "timeline/channel.h"
#include "timeline/timeline.h"
#include "timeline/timeline_registry.h"

namespace kvr {

// The channels of the current timeline: x, y and z, or the one channel of a one-channel
// timeline, or none.
struct ChannelSet {
    Channel* channels[3] = {nullptr, nullptr, nullptr};
    int count = 0;

    Channel* const* begin() const { return channels; }
    Channel* const* end() const { return channels + count; }

    static ChannelSet of(Timeline3& t) { return {{&t.x, &t.y, &t.z}, 3}; }
    static ChannelSet of(Timeline1& t) { return {{&t.channel, nullptr, nullptr}, 1}; }
    // The channel's letter, its place here (x, y, z; a one-channel timeline's channel is x), or
    // -1 when it is none of these.
    int letterOf(const Channel* channel) const {
        for (int c = 0; c < count; ++c) {
            if (channels[c] == channel) return c;
        }
        return -1;
    }
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
    // Writes every timeline to path with the same care and then makes it the file, for the
    // title, later saves and reloads. On failure reason says why (standard error has too) and
    // nothing changes.
    bool saveAs(const std::string& path, std::string& reason);
    // Whether the timelines differ from what was last loaded or saved.
    bool hasUnsavedChanges() const;
    // Whether the next save over the file keeps its text beside it first: the last load left
    // part of the file out, or the file was not in the form the editor writes (comments, loops,
    // computed values), which a save would flatten.
    bool backsUpBeforeNextSave() const { return backUp_ != BackUp::None; }
    // Whether the last load took in the whole file, or a save has since written it whole.
    bool loadedCompletely() const { return loadedCompletely_; }

    TimelineKind currentKind() const { return currentKind_; }
    const std::string& currentName() const { return currentName_; }
    // Shows the timeline of this kind and name; one the registry lacks shows nothing.
    void show(TimelineKind kind, std::string name);
    // Whether a timeline of either kind has the name.
    bool nameInUse(const std::string& name) const;
    // Makes an empty three-channel timeline under a name no timeline has and shows it, as one
    // step of the history.
    void createTimeline(const std::string& name);
    // Files the shown timeline under a name no timeline has, as one step.
    void renameShown(const std::string& name);
    // Takes the shown timeline out, as one step, and shows the next in Tab order, or none when
    // it was the only one; false when none is shown.
    bool removeShown();
    // The three-channel timeline shown and edited; null when none is, or a one-channel one is.
    Timeline3* currentTimeline() const;
    ChannelSet currentChannels() const;
    // Every timeline in the order Tab visits them: the three-channel ones by name, then the
    // one-channel ones by name.
    std::vector<TimelineRef> tabOrder() const;
    // Shows the next (or previous) timeline of the Tab order, wrapping around; false when there
    // is none to show.
    bool switchTimeline(int direction);
    // "NAME (i/n) - FILE - tledit", or "FILE - tledit" with no current timeline; a leading '*'
    // while there are unsaved changes, and " - did not load completely" at the end after a load
    // that left part of the file out, until a complete load or a save.
    std::string windowTitle() const;

    // Edits. What the edit under way (a drag from press to release) does to a channel is
    // recorded in changesOf; finishEdit makes it one step of the history, if it changed
    // anything.
    KeyChanges& changesOf(const Channel& channel) { return pending_.changesOf(idOf(channel)); }
    void finishEdit();
    // A command's edit (an insertion, a deletion, a paste) as a step of its own.
    void editAsOneStep(const std::function<void()>& edit);
    // One step back (undo) or forward (redo), its changes taken back or made again; the step,
    // or null when there was none. The timeline it changed is shown, if another was.
    const EditStep* walkHistory(bool back);
    const EditHistory& history() const { return history_; }

private:
    enum class BackUp { None, Incomplete, NotEditorForm };

    // Where the current timeline stands in order, -1 when none is shown.
    long placeInTabOrder(const std::vector<TimelineRef>& order) const;
    // The history's name for a channel of a timeline in the registry.
    ChannelId idOf(const Channel& channel);
    // The channel the history's name stands for; null when its timeline is out of the registry.
    Channel* channelOf(ChannelId channel);
    void showTimelineOf(TimelineId id);
    // Shows the timeline after this one in Tab order, before it leaves; none when it is alone.
    void showNextAfter(TimelineKind kind, const std::string& name);
    // A step taken back (forward false) or made again, and the timeline it changed shown.
    void apply(EditStep& step, bool forward);
    void apply(TimelineChange& change, bool forward);
    // A change of the shown timeline as a whole, filled in but for what its kind adds.
    std::unique_ptr<TimelineChange> changeOfShown(TimelineChange::Kind kind);
    // Makes the change and records it as a step of its own.
    void commit(std::unique_ptr<TimelineChange> change);
    // Keeps the previous text as the backup requires, if it must, then writes the file at path;
    // false with reason on failure.
    bool writeFile(const std::string& path, std::string& reason);

    TimelineRegistry& registry_;
    std::string fileName_;
    std::string currentName_;
    TimelineKind currentKind_ = TimelineKind::None;
    // Set when the last load left out part of the file (a Lua error, a block left open, a block
    // dropped for a name already used) or the file was not in the editor's form: the next save
    // first keeps the file's text beside it.
    BackUp backUp_ = BackUp::None;
    bool loadedCompletely_ = true;
    TimelineIds ids_;
    EditHistory history_;
    // What the edit under way has changed so far.
    EditStep pending_;
};

}  // namespace kvr
