// Shared helpers for the channel tests: readable printing and building of keys and curves.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "tests/timeline/full_rebuild.h"
#include "timeline/channel.h"

namespace kvr {

// The same keys, bit for bit, in the same order.
inline bool sameKeys(const std::vector<BezierKey>& a, const std::vector<BezierKey>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), sameBits);
}

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

inline ::testing::AssertionResult sameSamples(const std::vector<Point2>& actual,
                                              const std::vector<Point2>& expected) {
    const std::string difference = sampleDifference(actual, expected);
    if (difference.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << difference;
}

inline ::testing::AssertionResult matchesFullRebuild(const Channel& channel) {
    const std::string difference = fullRebuildDifference(channel);
    if (difference.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << difference;
}

// Moves keys[index] to another time in place, as a drag does: no re-sort.
inline void moveToTime(Channel& channel, std::size_t index, float time) {
    BezierKey key = channel.keys()[index];
    key.point.x = time;
    channel.setKey(index, key);
}

}  // namespace kvr
