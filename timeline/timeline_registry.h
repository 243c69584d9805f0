// TimelineRegistry: every timeline of the process, by byte-wise name order.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "timeline/shared_timeline.h"
#include "timeline/timeline.h"

namespace kvr {

// Constness reaches the timelines: a const registry gives only const timelines and channels, by
// lookup and by iteration alike, and it cannot be copied into one that could change them (a
// registry moves; share() is how one that may change its timelines lends them out).
class TimelineRegistry {
public:
    // std::string compares its bytes as unsigned chars, which is the order files are written in.
    std::map<std::string, SharedTimeline<Timeline3>> timelines3;
    std::map<std::string, SharedTimeline<Timeline1>> timelines1;

    // The first timeline under a name stays; a later one is dropped.
    bool addTimeline3(const std::string& name, std::shared_ptr<Timeline3> timeline);
    bool addTimeline1(const std::string& name, std::shared_ptr<Timeline1> timeline);

    Timeline3* findTimeline3(const std::string& name);
    const Timeline3* findTimeline3(const std::string& name) const;
    Timeline1* findTimeline1(const std::string& name);
    const Timeline1* findTimeline1(const std::string& name) const;
    std::optional<std::string> firstTimeline3Name() const;
    // Takes the timeline out of the registry and hands it over, the same object with its keys as
    // they are; null, changing nothing, when the name is missing.
    std::shared_ptr<Timeline3> takeTimeline3(const std::string& name);
    std::shared_ptr<Timeline1> takeTimeline1(const std::string& name);
    // Files the timeline under another name of the same map, the object itself unmoved, so that
    // references into its channels stay good. False, changing nothing, when the old name is
    // missing or the new one taken.
    bool renameTimeline3(const std::string& from, const std::string& to);
    bool renameTimeline1(const std::string& from, const std::string& to);
    void clear();
    // A registry holding these same timelines, for a caller that keeps them across a clear.
    TimelineRegistry share();

    // The one registry that the editor and the script functions share.
    static TimelineRegistry& instance();
};

// Builds the editor's starting timeline: straight lines at 10, 0 and -10 from time 0 to 100.
std::shared_ptr<Timeline3> makeDefaultTimeline();

}  // namespace kvr
