// The sample table as its definition reads, and whether a channel's own table is what a full
// rebuild makes of its keys; free of the test framework, so the fuzz targets check the same way.
#pragma once

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "timeline/channel.h"

namespace kvr {

// Empty when both tables hold the same samples bit for bit, so that a zero of the wrong sign or
// a sample in the wrong place among equal times shows up; else the first difference.
inline std::string sampleDifference(const std::vector<Point2>& actual,
                                    const std::vector<Point2>& expected) {
    std::ostringstream out;
    out.precision(9);  // enough to tell any two floats apart
    if (actual.size() != expected.size()) {
        out << actual.size() << " samples instead of " << expected.size();
        return out.str();
    }
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (std::memcmp(&actual[i], &expected[i], sizeof(Point2)) != 0) {
            out << "sample " << i << " is (" << actual[i].x << ", " << actual[i].y
                << ") instead of (" << expected[i].x << ", " << expected[i].y << ")";
            return out.str();
        }
    }
    return {};
}

// The sample table as its definition reads, with none of the shortcuts: each pair stepped in
// array order through curvePoint, then one stable sort by time (NaN last).
inline std::vector<Point2> plainSamples(const Channel& channel) {
    const std::vector<BezierKey>& keys = channel.keys();
    if (keys.size() == 1) return {keys[0].point};
    std::vector<Point2> out;
    for (std::size_t i = 0; i + 1 < keys.size(); ++i) {
        for (float x = keys[i].point.x; x <= keys[i + 1].point.x;) {
            out.push_back(channel.curvePoint(x));
            const float next = x + channel.step();
            if (!(next > x)) break;
            x = next;
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const Point2& a, const Point2& b) {
        return a.x < b.x || (b.x != b.x && a.x == a.x);
    });
    return out;
}

// Empty when the channel's samples and key-order flag are what a rebuild from scratch gives,
// and that rebuild is the plain table; else what differs.
inline std::string fullRebuildDifference(const Channel& channel) {
    Channel fresh = channel;
    fresh.rebuild();
    if (fresh.keysInOrder() != channel.keysInOrder()) return "key order flag differs";
    const std::string rebuilt = sampleDifference(fresh.samples(), plainSamples(channel));
    if (!rebuilt.empty()) return "rebuild: " + rebuilt;
    return sampleDifference(channel.samples(), fresh.samples());
}

}  // namespace kvr
