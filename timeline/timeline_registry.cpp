// TimelineRegistry: the named timelines of the process, and the editor's default timeline.
#include "timeline/timeline_registry.h"

#include <utility>

namespace kvr {

namespace {

// The one lookup behind the const and non-const ones; the map's constness decides the result's.
template <typename Map>
auto find(Map& timelines, const std::string& name) -> decltype(timelines.begin()->second.get()) {
    const auto found = timelines.find(name);
    return found == timelines.end() ? nullptr : found->second.get();
}

template <typename Map>
auto take(Map& timelines, const std::string& name) -> decltype(timelines.begin()->second.share()) {
    const auto found = timelines.find(name);
    if (found == timelines.end()) return nullptr;
    auto timeline = found->second.share();
    timelines.erase(found);
    return timeline;
}

template <typename Map>
bool rename(Map& timelines, const std::string& from, const std::string& to) {
    if (timelines.count(to) != 0) return false;
    auto node = timelines.extract(from);
    if (node.empty()) return false;
    node.key() = to;
    timelines.insert(std::move(node));
    return true;
}

}  // namespace

bool TimelineRegistry::addTimeline3(const std::string& name, std::shared_ptr<Timeline3> timeline) {
    // A null entry would hold the name while findTimeline3 reports it missing.
    if (!timeline) return false;
    // try_emplace leaves a refused timeline in the parameter, which releases it on return.
    return timelines3.try_emplace(name, std::move(timeline)).second;
}

bool TimelineRegistry::addTimeline1(const std::string& name, std::shared_ptr<Timeline1> timeline) {
    if (!timeline) return false;
    return timelines1.try_emplace(name, std::move(timeline)).second;
}

Timeline3* TimelineRegistry::findTimeline3(const std::string& name) {
    return find(timelines3, name);
}

const Timeline3* TimelineRegistry::findTimeline3(const std::string& name) const {
    return find(timelines3, name);
}

Timeline1* TimelineRegistry::findTimeline1(const std::string& name) {
    return find(timelines1, name);
}

const Timeline1* TimelineRegistry::findTimeline1(const std::string& name) const {
    return find(timelines1, name);
}

std::optional<std::string> TimelineRegistry::firstTimeline3Name() const {
    if (timelines3.empty()) return std::nullopt;
    return timelines3.begin()->first;
}

std::shared_ptr<Timeline3> TimelineRegistry::takeTimeline3(const std::string& name) {
    return take(timelines3, name);
}

std::shared_ptr<Timeline1> TimelineRegistry::takeTimeline1(const std::string& name) {
    return take(timelines1, name);
}

bool TimelineRegistry::renameTimeline3(const std::string& from, const std::string& to) {
    return rename(timelines3, from, to);
}

bool TimelineRegistry::renameTimeline1(const std::string& from, const std::string& to) {
    return rename(timelines1, from, to);
}

void TimelineRegistry::clear() {
    timelines1.clear();
    timelines3.clear();
}

TimelineRegistry TimelineRegistry::share() {
    TimelineRegistry shared;
    for (auto& [name, timeline] : timelines3) shared.timelines3.emplace(name, timeline.share());
    for (auto& [name, timeline] : timelines1) shared.timelines1.emplace(name, timeline.share());
    return shared;
}

TimelineRegistry& TimelineRegistry::instance() {
    static TimelineRegistry registry;
    return registry;
}

std::shared_ptr<Timeline3> makeDefaultTimeline() {
    auto timeline = std::make_shared<Timeline3>(kSampleStep);
    timeline->x.addPoint({0.0f, 10.0f});
    timeline->x.addPoint({100.0f, 10.0f});
    timeline->y.addPoint({0.0f, 0.0f});
    timeline->y.addPoint({100.0f, 0.0f});
    timeline->z.addPoint({0.0f, -10.0f});
    timeline->z.addPoint({100.0f, -10.0f});
    return timeline;
}

}  // namespace kvr
