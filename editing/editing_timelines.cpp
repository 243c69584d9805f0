// EditingCore: which timeline is shown, switching between them, and the window's title.
#include "editing/editing_core.h"

namespace kvr {

Timeline3* EditingCore::currentTimeline() const {
    if (currentKind != TimelineKind::Three) return nullptr;
    return registry_.findTimeline3(currentName);
}

ChannelSet EditingCore::currentChannels() const {
    ChannelSet set;
    if (Timeline3* t = currentTimeline()) {
        set.channels[0] = &t->x;
        set.channels[1] = &t->y;
        set.channels[2] = &t->z;
        set.count = 3;
    } else if (currentKind == TimelineKind::One) {
        if (Timeline1* t = registry_.findTimeline1(currentName)) {
            set.channels[0] = &t->channel;
            set.count = 1;
        }
    }
    return set;
}

std::vector<EditingCore::TimelineRef> EditingCore::tabOrder() const {
    std::vector<TimelineRef> order;
    order.reserve(registry_.timelines3.size() + registry_.timelines1.size());
    for (const auto& entry : registry_.timelines3)
        order.push_back({TimelineKind::Three, entry.first});
    for (const auto& entry : registry_.timelines1)
        order.push_back({TimelineKind::One, entry.first});
    return order;
}

long EditingCore::placeInTabOrder(const std::vector<TimelineRef>& order) const {
    if (currentChannels().count == 0) return -1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (order[i].kind == currentKind && order[i].name == currentName) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

void EditingCore::switchTimeline(int direction) {
    const std::vector<TimelineRef> order = tabOrder();
    if (order.empty()) return;
    finishEdit();
    const auto count = static_cast<long>(order.size());
    const long place = placeInTabOrder(order);
    // From no timeline, forward goes to the first and backward to the last.
    const long next =
        place < 0 ? (direction > 0 ? 0 : count - 1) : ((place + direction) % count + count) % count;
    currentKind = order[static_cast<std::size_t>(next)].kind;
    currentName = order[static_cast<std::size_t>(next)].name;
    clearSelectedKey();
    selectedChannel = nullptr;
}

void EditingCore::showOwnerOf(const Channel* channel) {
    for (Channel* shown : currentChannels()) {
        if (shown == channel) return;
    }
    for (const auto& entry : registry_.timelines3) {
        const Timeline3& t = *entry.second;
        if (channel == &t.x || channel == &t.y || channel == &t.z) {
            currentKind = TimelineKind::Three;
            currentName = entry.first;
            selectedChannel = nullptr;
            return;
        }
    }
    for (const auto& entry : registry_.timelines1) {
        if (channel == &entry.second->channel) {
            currentKind = TimelineKind::One;
            currentName = entry.first;
            selectedChannel = nullptr;
            return;
        }
    }
}

std::string EditingCore::windowTitle() const {
    std::string title = hasUnsavedChanges() ? "*" : "";
    const std::vector<TimelineRef> order = tabOrder();
    const long place = placeInTabOrder(order);
    if (place >= 0) {
        title += currentName + " (" + std::to_string(place + 1) + "/" +
                 std::to_string(order.size()) + ") - ";
    }
    return title + fileName + " - tledit";
}

}  // namespace kvr
