// EditHistory: the steps that undo and redo walk, and where the last load or save stands in them.
#pragma once

#include <cstddef>
#include <deque>
#include <vector>

#include "timeline/channel.h"
#include "timeline/key_change.h"

namespace kvr {

// What one step did to one channel.
struct ChannelChanges {
    Channel* channel = nullptr;
    KeyChanges changes;
};

// One undoable step: the changes of one gesture or command, channel by channel, in order.
struct EditStep {
    std::vector<ChannelChanges> parts;

    bool empty() const { return parts.empty(); }
    // Where a channel's next change goes: after its earlier ones in this step.
    KeyChanges& changesOf(Channel& channel);
    // Drops in-place changes that ended where they began (a key dragged back to its place).
    void dropNoOps();
    void revert() const;
    void reapply() const;
};

class EditHistory {
public:
    // The oldest steps go beyond this many.
    static constexpr std::size_t kLimit = 1000;

    // Adds a step after the current one; the steps that could have been redone are dropped.
    void push(EditStep step);
    // The step to take back or to make again, moving the current place; null when none.
    const EditStep* stepBack();
    const EditStep* stepForward();
    void clear();

    std::size_t undoCount() const { return current_ - first_; }
    std::size_t redoCount() const { return first_ + steps_.size() - current_; }

    // The current place is what the file holds.
    void markSaved() { saved_ = current_; }
    bool atSaved() const { return saved_ == current_; }

private:
    std::deque<EditStep> steps_;
    // Places count every step ever pushed, so a place survives the oldest steps being dropped;
    // first_ is the place before steps_.front().
    std::size_t first_ = 0;
    std::size_t current_ = 0;
    // The place of the saved state; kNowhere once no walk through the history can reach it.
    static constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);
    std::size_t saved_ = 0;
};

}  // namespace kvr
