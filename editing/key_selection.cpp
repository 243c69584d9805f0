// KeySelection: the selected keys, kept sorted per channel so that membership is a search.
#include "editing/key_selection.h"

#include <algorithm>
#include <iterator>

namespace kvr {

std::optional<KeyRef> KeySelection::active() const {
    if (!activeChannel_ || !activeIndex_) return std::nullopt;
    return KeyRef{activeChannel_, *activeIndex_};
}

const std::vector<std::size_t>* KeySelection::indicesOf(const Channel* channel) const {
    for (const ChannelKeys& keys : channels_) {
        if (keys.channel == channel) return &keys.indices;
    }
    return nullptr;
}

bool KeySelection::contains(const Channel* channel, std::size_t index) const {
    const std::vector<std::size_t>* indices = indicesOf(channel);
    return indices && std::binary_search(indices->begin(), indices->end(), index);
}

void KeySelection::selectOnly(Channel* channel, std::size_t index) {
    channels_.clear();
    channels_.push_back({channel, {index}});
    count_ = 1;
    activeChannel_ = channel;
    activeIndex_ = index;
}

void KeySelection::add(Channel* channel, const std::vector<std::size_t>& ascending) {
    if (ascending.empty()) return;
    auto keys = std::find_if(channels_.begin(), channels_.end(),
                             [&](const ChannelKeys& k) { return k.channel == channel; });
    if (keys == channels_.end()) {
        channels_.push_back({channel, {}});
        keys = std::prev(channels_.end());
    }
    std::vector<std::size_t> merged;
    merged.reserve(keys->indices.size() + ascending.size());
    std::set_union(keys->indices.begin(), keys->indices.end(), ascending.begin(), ascending.end(),
                   std::back_inserter(merged));
    count_ += merged.size() - keys->indices.size();
    keys->indices = std::move(merged);
}

bool KeySelection::makeActive(Channel* channel, std::size_t index) {
    if (!contains(channel, index)) return false;
    activeChannel_ = channel;
    activeIndex_ = index;
    return true;
}

void KeySelection::releaseKeys() {
    channels_.clear();
    count_ = 0;
    activeIndex_.reset();
}

void KeySelection::clear() {
    releaseKeys();
    activeChannel_ = nullptr;
}

}  // namespace kvr
