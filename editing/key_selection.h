// KeySelection: the selected keys of the shown timeline, channel by channel, with one of them
// active: the key the status line shows, drawn with its handles and moved by the handle drags.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "timeline/channel.h"

namespace kvr {

// A key of a channel, by its place in the channel's stored order.
struct KeyRef {
    Channel* channel = nullptr;
    std::size_t index = 0;
};

class KeySelection {
public:
    // The selected places of one channel, ascending.
    struct ChannelKeys {
        Channel* channel = nullptr;
        std::vector<std::size_t> indices;
    };

    bool empty() const { return count_ == 0; }
    std::size_t size() const { return count_; }
    // The active key; none when nothing is selected.
    std::optional<KeyRef> active() const;
    // The channel of the active key. Insertions and deletions let go of the keys but keep it;
    // only clear forgets it.
    Channel* activeChannel() const { return activeChannel_; }
    // Every channel with a selected key, in the order their keys were first selected.
    const std::vector<ChannelKeys>& channels() const { return channels_; }
    // The selected places of a channel, ascending; null when none of its keys is selected.
    const std::vector<std::size_t>* indicesOf(const Channel* channel) const;
    bool contains(const Channel* channel, std::size_t index) const;

    // The key alone is selected, and active.
    void selectOnly(Channel* channel, std::size_t index);
    // Adds keys of a channel, given in ascending order; those already selected stay selected.
    // The active key stays as it was.
    void add(Channel* channel, const std::vector<std::size_t>& ascending);
    // Makes a selected key the active one; false, changing nothing, for a key not selected.
    bool makeActive(Channel* channel, std::size_t index);
    // No key is selected any more; the active key's channel is kept.
    void releaseKeys();
    // Nothing is selected, and no channel kept.
    void clear();

private:
    std::vector<ChannelKeys> channels_;
    std::size_t count_ = 0;
    Channel* activeChannel_ = nullptr;
    std::optional<std::size_t> activeIndex_;
};

}  // namespace kvr
