// Shared helpers for the channel tests: readable printing and building of keys and curves.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <ostream>
#include <vector>

#include "timeline/channel.h"

namespace kvr {

inline void PrintTo(const Point2& p, std::ostream* out) {
    *out << "(" << p.x << ", " << p.y << ")";
}

inline bool operator==(const BezierKey& a, const BezierKey& b) {
    return a.inHandle == b.inHandle && a.point == b.point && a.outHandle == b.outHandle;
}

inline void PrintTo(const BezierKey& k, std::ostream* out) {
    *out << "{";
    PrintTo(k.inHandle, out);
    *out << " ";
    PrintTo(k.point, out);
    *out << " ";
    PrintTo(k.outHandle, out);
    *out << "}";
}

// A channel with step 2 whose keys were added with addPoint, in the given order.
inline Channel channelOf(std::initializer_list<Point2> points) {
    Channel channel(2.0f);
    for (const Point2& p : points) channel.addPoint(p);
    return channel;
}

// Bit for bit, so that a zero of the wrong sign or a sample in the wrong place among equal
// times shows up.
inline ::testing::AssertionResult sameSamples(const std::vector<Point2>& actual,
                                              const std::vector<Point2>& expected) {
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << actual.size() << " samples instead of " << expected.size();
    }
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (std::memcmp(&actual[i], &expected[i], sizeof(Point2)) != 0) {
            return ::testing::AssertionFailure()
                   << "sample " << i << " is " << ::testing::PrintToString(actual[i])
                   << " instead of " << ::testing::PrintToString(expected[i]);
        }
    }
    return ::testing::AssertionSuccess();
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

inline ::testing::AssertionResult matchesFullRebuild(const Channel& channel) {
    Channel fresh = channel;
    fresh.rebuild();
    if (fresh.keysInOrder() != channel.keysInOrder()) {
        return ::testing::AssertionFailure() << "key order flag differs";
    }
    const ::testing::AssertionResult rebuilt = sameSamples(fresh.samples(), plainSamples(channel));
    if (!rebuilt) return ::testing::AssertionFailure() << "rebuild: " << rebuilt.message();
    return sameSamples(channel.samples(), fresh.samples());
}

// Moves keys[index] to another time in place, as a drag does: no re-sort.
inline void moveToTime(Channel& channel, std::size_t index, float time) {
    BezierKey key = channel.keys()[index];
    key.point.x = time;
    channel.setKey(index, key);
}

}  // namespace kvr
