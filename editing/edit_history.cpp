// EditHistory: the steps that undo and redo walk, and where the last load or save stands in them.
#include "editing/edit_history.h"

#include <algorithm>
#include <utility>

namespace kvr {

namespace {

std::size_t memorySizeOf(const Channel& channel) {
    return channel.keys().capacity() * sizeof(BezierKey) +
           channel.samples().capacity() * sizeof(Point2);
}

// The bytes a timeline's keys and samples take.
std::size_t memorySizeOf(const Timeline3& timeline) {
    return sizeof timeline + memorySizeOf(timeline.x) + memorySizeOf(timeline.y) +
           memorySizeOf(timeline.z);
}

std::size_t memorySizeOf(const Timeline1& timeline) {
    return sizeof timeline + memorySizeOf(timeline.channel);
}

}  // namespace

KeyChanges& EditStep::changesOf(ChannelId channel) {
    // What is done to one channel does not depend on what is done to another, so each
    // channel's changes stay together: a drag of keys of three channels then merges each
    // channel's motions instead of adding three parts per motion.
    for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
        if (part->channel == channel) return part->changes;
    }
    parts.push_back({channel, {}});
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

std::size_t EditStep::memorySize() const {
    std::size_t bytes = sizeof *this + parts.capacity() * sizeof(ChannelChanges);
    for (const ChannelChanges& part : parts) {
        bytes += part.changes.capacity() * sizeof(KeyChange);
        for (const KeyChange& change : part.changes) {
            bytes += change.order.capacity() * sizeof(std::size_t);
        }
    }
    if (timeline) {
        bytes += sizeof *timeline + timeline->name.capacity() + timeline->newName.capacity();
        if (timeline->three) bytes += memorySizeOf(*timeline->three);
        if (timeline->one) bytes += memorySizeOf(*timeline->one);
    }
    return bytes;
}

void EditHistory::push(EditStep step) {
    const std::size_t last = first_ + steps_.size();
    while (first_ + steps_.size() > current_) {
        bytes_ -= steps_.back().bytes;
        steps_.pop_back();
    }
    // The saved state was among the steps just dropped: no walk leads back to it.
    if (saved_ != kNowhere && saved_ > current_ && saved_ <= last) saved_ = kNowhere;
    const std::size_t bytes = step.memorySize();
    steps_.push_back({std::move(step), bytes});
    bytes_ += bytes;
    ++current_;
    if (steps_.size() > kLimit) dropFront();
}

void EditHistory::dropFront() {
    bytes_ -= steps_.front().bytes;
    steps_.pop_front();
    ++first_;
    if (saved_ != kNowhere && saved_ < first_) saved_ = kNowhere;
}

EditStep* EditHistory::walk(bool back, const std::function<void(EditStep&)>& apply) {
    if (back ? current_ == first_ : current_ == first_ + steps_.size()) return nullptr;
    Entry& entry = steps_[(back ? current_ - 1 : current_) - first_];
    current_ = back ? current_ - 1 : current_ + 1;
    apply(entry.step);
    bytes_ -= entry.bytes;
    entry.bytes = entry.step.memorySize();
    bytes_ += entry.bytes;
    return &entry.step;
}

void EditHistory::clear() {
    steps_.clear();
    first_ = current_ = saved_ = 0;
    bytes_ = 0;
}

}  // namespace kvr
