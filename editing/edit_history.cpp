// EditHistory: the steps that undo and redo walk, and where the last load or save stands in them.
#include "editing/edit_history.h"

#include <algorithm>
#include <utility>

namespace kvr {

KeyChanges& EditStep::changesOf(Channel& channel) {
    // What is done to one channel does not depend on what is done to another, so each
    // channel's changes stay together: a drag of keys of three channels then merges each
    // channel's motions instead of adding three parts per motion.
    for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
        if (part->channel == &channel) return part->changes;
    }
    parts.push_back({&channel, {}});
    return parts.back().changes;
}

void EditStep::dropNoOps() {
    for (ChannelChanges& part : parts) {
        KeyChanges& changes = part.changes;
        changes.erase(std::remove_if(changes.begin(), changes.end(),
                                     [](const KeyChange& c) {
                                         return c.kind == KeyChange::Kind::Set &&
                                                sameBits(c.before, c.after);
                                     }),
                      changes.end());
    }
    parts.erase(std::remove_if(parts.begin(), parts.end(),
                               [](const ChannelChanges& p) { return p.changes.empty(); }),
                parts.end());
}

void EditStep::revert() const {
    for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
        part->channel->revert(part->changes);
    }
}

void EditStep::reapply() const {
    for (const ChannelChanges& part : parts) part.channel->reapply(part.changes);
}

void EditHistory::push(EditStep step) {
    const std::size_t last = first_ + steps_.size();
    steps_.resize(current_ - first_);
    // The saved state was among the steps just dropped: no walk leads back to it.
    if (saved_ != kNowhere && saved_ > current_ && saved_ <= last) saved_ = kNowhere;
    steps_.push_back(std::move(step));
    ++current_;
    if (steps_.size() > kLimit) {
        steps_.pop_front();
        ++first_;
        if (saved_ != kNowhere && saved_ < first_) saved_ = kNowhere;
    }
}

const EditStep* EditHistory::stepBack() {
    if (current_ == first_) return nullptr;
    --current_;
    return &steps_[current_ - first_];
}

const EditStep* EditHistory::stepForward() {
    if (current_ == first_ + steps_.size()) return nullptr;
    ++current_;
    return &steps_[current_ - first_ - 1];
}

void EditHistory::clear() {
    steps_.clear();
    first_ = current_ = saved_ = 0;
}

}  // namespace kvr
