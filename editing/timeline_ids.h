// TimelineIds: a number for each timeline that stays with it through renames, removals and their
// undoing, so that the history's steps refer to timelines by it rather than by where they live.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>

namespace kvr {

// Which map of the registry a name is looked up in; None when nothing is shown.
enum class TimelineKind { None, Three, One };

using TimelineId = std::uint64_t;

// A timeline as the registry files it: the map it is in and its name there.
struct TimelineRef {
    TimelineKind kind = TimelineKind::None;
    std::string name;

    bool operator==(const TimelineRef& other) const {
        return kind == other.kind && name == other.name;
    }
};

// A channel as the history knows it: its timeline's id and its letter, x, y and z as 0, 1 and 2
// (the one channel of a one-channel timeline is 0).
struct ChannelId {
    TimelineId timeline = 0;
    int letter = 0;

    bool operator==(const ChannelId& other) const {
        return timeline == other.timeline && letter == other.letter;
    }
};

class TimelineIds {
public:
    // The id of the timeline filed under this kind and name; one is given the first time it is
    // asked for, so timelines that reached the registry any way at all have one.
    TimelineId idOf(TimelineKind kind, const std::string& name);
    // An id no timeline has had, for one about to be made.
    TimelineId newId() { return next_++; }
    // Where the timeline stands in the registry now; null while it is out of it.
    const TimelineRef* find(TimelineId id) const;

    // The timeline is (back) in the registry under this kind and name.
    void bind(TimelineId id, TimelineKind kind, std::string name);
    // It is filed under another name of the same map.
    void rename(TimelineId id, std::string name);
    // It has left the registry; the id stays its own, for when it comes back.
    void unbind(TimelineId id);
    // Every timeline has left. Ids are never given twice, not even after this.
    void clear();

private:
    std::unordered_map<TimelineId, TimelineRef> byId_;
    std::map<std::pair<TimelineKind, std::string>, TimelineId> byName_;
    TimelineId next_ = 1;
};

}  // namespace kvr
