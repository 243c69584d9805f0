// TimelineIds: the ids of the timelines in the registry, both ways.
#include "editing/timeline_ids.h"

namespace kvr {

TimelineId TimelineIds::idOf(TimelineKind kind, const std::string& name) {
    const auto found = byName_.find({kind, name});
    if (found != byName_.end()) return found->second;
    const TimelineId id = next_++;
    bind(id, kind, name);
    return id;
}

const TimelineRef* TimelineIds::find(TimelineId id) const {
    const auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : &found->second;
}

void TimelineIds::bind(TimelineId id, TimelineKind kind, std::string name) {
    unbind(id);
    // Whatever id the name had before belonged to a timeline that is gone from under it.
    const auto previous = byName_.find({kind, name});
    if (previous != byName_.end()) byId_.erase(previous->second);
    byName_[{kind, name}] = id;
    byId_[id] = TimelineRef{kind, std::move(name)};
}

void TimelineIds::rename(TimelineId id, std::string name) {
    const auto found = byId_.find(id);
    if (found == byId_.end()) return;
    const TimelineKind kind = found->second.kind;
    bind(id, kind, std::move(name));
}

void TimelineIds::unbind(TimelineId id) {
    const auto found = byId_.find(id);
    if (found == byId_.end()) return;
    byName_.erase({found->second.kind, found->second.name});
    byId_.erase(found);
}

void TimelineIds::clear() {
    byId_.clear();
    byName_.clear();
}

}  // namespace kvr
