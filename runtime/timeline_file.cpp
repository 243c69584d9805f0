// Loading a timeline file into a TimelineFile of its own.
#include "tledit/timeline_file.h"

#include "script/load_report.h"
#include "script/timeline_script.h"

namespace kvr {

namespace {

template <typename Map>
std::vector<std::string> namesOf(const Map& timelines) {
    std::vector<std::string> names;
    names.reserve(timelines.size());
    for (const auto& entry : timelines) names.push_back(entry.first);
    return names;
}

}  // namespace

TimelineFile TimelineFile::load(const std::string& fileName) {
    TimelineFile file;
    file.fileName_ = fileName;
    auto registry = std::make_shared<TimelineRegistry>();
    // The loader lets one load run at a time.
    LoadReport report = loadTimelineFile(fileName, *registry, ErrorDelivery::AlertOnly);
    file.registry_ = std::move(registry);
    file.errors_ = std::move(report.luaErrors);
    file.problems_ = std::move(report.problems);
    return file;
}

std::vector<std::string> TimelineFile::timeline3Names() const {
    return namesOf(registry_->timelines3);
}

std::vector<std::string> TimelineFile::timeline1Names() const {
    return namesOf(registry_->timelines1);
}

const Timeline3* TimelineFile::timeline3(const std::string& name) const {
    return registry_->findTimeline3(name);
}

const Channel* TimelineFile::timeline1(const std::string& name) const {
    const Timeline1* timeline = registry_->findTimeline1(name);
    return timeline ? &timeline->channel : nullptr;
}

std::size_t TimelineFile::timelineCount() const {
    return registry_->timelines3.size() + registry_->timelines1.size();
}

std::size_t TimelineFile::keyCount() const {
    std::size_t keys = 0;
    for (const auto& entry : registry_->timelines3) {
        const Timeline3& t = *entry.second;
        keys += t.x.keys().size() + t.y.keys().size() + t.z.keys().size();
    }
    for (const auto& entry : registry_->timelines1) keys += entry.second->channel.keys().size();
    return keys;
}

}  // namespace kvr
