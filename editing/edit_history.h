// EditHistory: the steps that undo and redo walk, and where the last load or save stands in them.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editing/timeline_ids.h"
#include "timeline/key_change.h"
#include "timeline/timeline.h"

namespace kvr {

// What one step did to one channel. The channel is named by its timeline's id and its letter,
// never by its address: the timeline may have been removed and brought back since.
struct ChannelChanges {
    ChannelId channel;
    KeyChanges changes;
};

// A timeline made, removed or renamed.
struct TimelineChange {
    enum class Kind : std::uint8_t { Create, Remove, Rename };
    Kind kind = Kind::Create;
    TimelineId id = 0;
    TimelineKind timelineKind = TimelineKind::Three;
    // Its name; for a rename the name before, with the name after in newName.
    std::string name;
    std::string newName;
    // The timeline itself while it is out of the registry (removed, or its making taken back),
    // kept whole so that it comes back as it left, keys bit for bit and in their stored order;
    // null while the registry holds it.
    std::shared_ptr<Timeline3> three;
    std::shared_ptr<Timeline1> one;
    // What was shown when it was made, to be shown again when that is taken back.
    std::optional<TimelineId> shownBefore;
};

// One undoable step: the changes of one gesture or command, channel by channel, in order, or a
// change of a timeline as a whole.
struct EditStep {
    std::vector<ChannelChanges> parts;
    // Held apart: most steps move keys, and a timeline change would make every one of them larger.
    std::unique_ptr<TimelineChange> timeline;

    bool empty() const { return parts.empty() && !timeline; }
    // Where a channel's next change goes: after its earlier ones in this step.
    KeyChanges& changesOf(ChannelId channel);
    // Drops in-place changes that ended where they began (a key dragged back to its place).
    void dropNoOps();
    // The bytes the step holds, a timeline out of the registry included.
    std::size_t memorySize() const;
};

class EditHistory {
public:
    // The oldest steps go beyond this many.
    static constexpr std::size_t kLimit = 1000;

    // Adds a step after the current one; the steps that could have been redone are dropped.
    void push(EditStep step);
    // Moves the current place one step back (to take that step back) or forward (to make it
    // again) and hands the step to apply, which may move a timeline into it or out of it; its
    // size is counted afresh after. Null, and nothing done, when there is no such step.
    EditStep* walk(bool back, const std::function<void(EditStep&)>& apply);
    void clear();

    std::size_t undoCount() const { return current_ - first_; }
    std::size_t redoCount() const { return first_ + steps_.size() - current_; }
    // The bytes all steps hold, as they report them.
    std::size_t memoryUse() const { return bytes_; }

    // The current place is what the file holds.
    void markSaved() { saved_ = current_; }
    bool atSaved() const { return saved_ == current_; }

private:
    struct Entry {
        EditStep step;
        std::size_t bytes = 0;
    };
    void dropFront();

    std::deque<Entry> steps_;
    // Places count every step ever pushed, so a place survives the oldest steps being dropped;
    // first_ is the place before steps_.front().
    std::size_t first_ = 0;
    std::size_t current_ = 0;
    // The place of the saved state; kNowhere once no walk through the history can reach it.
    static constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);
    std::size_t saved_ = 0;
    std::size_t bytes_ = 0;
};

}  // namespace kvr
