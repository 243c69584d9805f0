// EditingCore: many keys at once: the box selection, select all, deleting, copying, cutting and
// pasting the selected keys, and the drag that moves them together.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "editing/editing_core.h"

namespace kvr {

namespace {

BezierKey shiftedInTime(BezierKey key, float by) {
    key.inHandle.x += by;
    key.point.x += by;
    key.outHandle.x += by;
    return key;
}

}  // namespace

std::optional<CurveRect> EditingCore::selectionBox() const {
    if (!box_) return std::nullopt;
    const Point2 a = box_->anchor;
    const Point2 b = view_.cursor();
    return CurveRect{std::fmin(a.x, b.x), std::fmax(a.x, b.x), std::fmin(a.y, b.y),
                     std::fmax(a.y, b.y)};
}

void EditingCore::finishBox() {
    const CurveRect box = *selectionBox();
    const bool adding = box_->adding;
    box_.reset();
    if (!adding) selection_.clear();
    std::optional<KeyRef> last;
    for (Channel* channel : currentChannels()) {
        const std::vector<BezierKey>& keys = channel->keys();
        std::vector<std::size_t> inside;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const Point2 p = keys[i].point;
            if (p.x >= box.left && p.x <= box.right && p.y >= box.bottom && p.y <= box.top) {
                inside.push_back(i);
            }
        }
        if (inside.empty()) continue;
        selection_.add(channel, inside);
        last = KeyRef{channel, inside.back()};
    }
    // The last key caught, in channel and stored order, is the active one; a box that catches
    // nothing leaves the selection it added to as it was.
    if (last) selection_.makeActive(last->channel, last->index);
}

void EditingCore::selectAll() {
    const ChannelSet channels = currentChannels();
    std::size_t total = 0;
    for (const Channel* channel : channels) total += channel->keys().size();
    if (selection_.size() == total) {
        selection_.clear();
        return;
    }
    selection_.clear();
    std::optional<KeyRef> last;
    for (Channel* channel : channels) {
        const std::size_t count = channel->keys().size();
        if (count == 0) continue;
        std::vector<std::size_t> every(count);
        std::iota(every.begin(), every.end(), std::size_t{0});
        selection_.add(channel, every);
        last = KeyRef{channel, count - 1};
    }
    if (last) selection_.makeActive(last->channel, last->index);
}

void EditingCore::deleteSelectedKeys() {
    if (!activeKey()) return;
    document_.editAsOneStep([&] {
        for (const KeySelection::ChannelKeys& selected : selection_.channels()) {
            selected.channel->removeKeys(selected.indices, &document_.changesOf(*selected.channel));
        }
    });
    selection_.releaseKeys();
}

void EditingCore::copySelection() {
    if (selection_.empty()) return;
    const ChannelSet channels = currentChannels();
    // The earliest selected time, times that are no number aside: they cannot be an origin.
    float earliest = INFINITY;
    for (const KeySelection::ChannelKeys& selected : selection_.channels()) {
        const std::vector<BezierKey>& keys = selected.channel->keys();
        for (std::size_t i : selected.indices) {
            if (i < keys.size()) earliest = std::fmin(earliest, keys[i].point.x);
        }
    }
    if (!std::isfinite(earliest)) earliest = 0.0f;
    std::array<std::vector<BezierKey>, 3> copied;
    for (const KeySelection::ChannelKeys& selected : selection_.channels()) {
        const int letter = channels.letterOf(selected.channel);
        if (letter < 0) continue;
        const std::vector<BezierKey>& keys = selected.channel->keys();
        for (std::size_t i : selected.indices) {
            if (i < keys.size()) {
                copied[static_cast<std::size_t>(letter)].push_back(
                    shiftedInTime(keys[i], -earliest));
            }
        }
    }
    copied_ = std::move(copied);
}

void EditingCore::cutSelection() {
    copySelection();
    deleteSelectedKeys();
}

void EditingCore::paste() {
    const ChannelSet channels = currentChannels();
    bool any = false;
    for (int c = 0; c < channels.count; ++c)
        any = any || !copied_[static_cast<std::size_t>(c)].empty();
    if (!any) return;
    const float at = view_.cursor().x;
    std::vector<std::vector<std::size_t>> places(static_cast<std::size_t>(channels.count));
    document_.editAsOneStep([&] {
        for (int c = 0; c < channels.count; ++c) {
            const std::vector<BezierKey>& copied = copied_[static_cast<std::size_t>(c)];
            if (copied.empty()) continue;
            std::vector<BezierKey> keys;
            keys.reserve(copied.size());
            for (const BezierKey& key : copied) keys.push_back(shiftedInTime(key, at));
            Channel& channel = *channels.channels[c];
            places[static_cast<std::size_t>(c)] =
                channel.addKeys(keys, &document_.changesOf(channel));
        }
    });
    selection_.clear();
    std::optional<KeyRef> last;
    for (int c = 0; c < channels.count; ++c) {
        const std::vector<std::size_t>& added = places[static_cast<std::size_t>(c)];
        if (added.empty()) continue;
        selection_.add(channels.channels[c], added);
        last = KeyRef{channels.channels[c], added.back()};
    }
    if (last) selection_.makeActive(last->channel, last->index);
}

void EditingCore::dragSelectedKeys(Point2 delta) {
    for (const KeySelection::ChannelKeys& selected : selection_.channels()) {
        selected.channel->moveKeys(selected.indices, delta,
                                   &document_.changesOf(*selected.channel));
    }
}

}  // namespace kvr
