// RebuildCheck: whether channels' samples are what a full rebuild makes, cheaply for channels
// that have not changed since they last passed.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "timeline/channel.h"

namespace kvr::fuzz {

class RebuildCheck {
public:
    // Empty when the channel's samples and key-order flag are what a rebuild from scratch gives
    // (and that rebuild is the plain table of the definition); else what differs. A channel
    // whose revision is the one that last passed is only compared with the copy kept of it
    // then, which also catches tables changed behind an unchanged revision.
    std::string difference(const Channel& channel);
    // Forgets every channel, as after the timelines were made afresh.
    void clear() { passed_.clear(); }

private:
    struct Passed {
        std::uint64_t revision = 0;
        std::vector<BezierKey> keys;
        std::vector<Point2> samples;
    };
    std::unordered_map<const Channel*, Passed> passed_;
};

}  // namespace kvr::fuzz
