// TimelineRegistry: every timeline of the process, by byte-wise name order.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "timeline/timeline.h"

namespace kvr {

class TimelineRegistry {
public:
    // std::string compares its bytes as unsigned chars, which is the order files are written in.
    std::map<std::string, std::shared_ptr<Timeline3>> timelines3;
    std::map<std::string, std::shared_ptr<Timeline1>> timelines1;

    // The first timeline under a name stays; a later one is dropped.
    bool addTimeline3(const std::string& name, std::shared_ptr<Timeline3> timeline);
    bool addTimeline1(const std::string& name, std::shared_ptr<Timeline1> timeline);

    Timeline3* findTimeline3(const std::string& name) const;
    Timeline1* findTimeline1(const std::string& name) const;
    std::optional<std::string> firstTimeline3Name() const;
    void clear();

    // The one registry that the editor and the script functions share.
    static TimelineRegistry& instance();
};

// Builds the editor's starting timeline: straight lines at 10, 0 and -10 from time 0 to 100.
std::shared_ptr<Timeline3> makeDefaultTimeline();

}  // namespace kvr
