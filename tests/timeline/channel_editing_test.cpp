// Tests of adding, removing and reordering a channel's keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "tests/timeline/channel_checks.h"

namespace kvr {
namespace {

std::vector<float> keyTimes(const Channel& channel) {
    std::vector<float> times;
    for (const BezierKey& k : channel.keys()) times.push_back(k.point.x);
    return times;
}

// Keys at 0 and 100 whose handles all reach 80 units into the span between them.
Channel wideHandles() {
    Channel channel(2.0f);
    channel.addKey({-80, 1}, {0, 0}, {80, 2});
    channel.addKey({20, 3}, {100, 0}, {180, 4});
    return channel;
}

TEST(ChannelAddPoint, LimitsOnlyTheFacingHandlesInTime) {
    Channel between = wideHandles();
    between.addPoint({50, 9});
    EXPECT_EQ(between.keys()[0], (BezierKey{{-80, 1}, {0, 0}, {50, 2}}));
    EXPECT_EQ(between.keys()[1], (BezierKey{{50, 9}, {50, 9}, {50, 9}}));
    EXPECT_EQ(between.keys()[2], (BezierKey{{50, 3}, {100, 0}, {180, 4}}));

    Channel before = wideHandles();
    before.addPoint({-10, 9});
    EXPECT_EQ(before.keys()[1], (BezierKey{{-10, 1}, {0, 0}, {80, 2}}));
    EXPECT_EQ(before.keys()[2], wideHandles().keys()[1]);

    Channel after = wideHandles();
    after.addPoint({110, 9});
    EXPECT_EQ(after.keys()[0], wideHandles().keys()[0]);
    EXPECT_EQ(after.keys()[1], (BezierKey{{20, 3}, {100, 0}, {110, 4}}));
}

TEST(ChannelAddPoint, LeavesHandlesThatDoNotReachTheNewKey) {
    Channel channel(2.0f);
    channel.addKey({0, 0}, {0, 0}, {30, 5});
    channel.addKey({70, 5}, {100, 0}, {100, 0});
    const std::vector<BezierKey> old = channel.keys();
    channel.addPoint({50, 1});
    EXPECT_EQ(channel.keys()[0], old[0]);
    EXPECT_EQ(channel.keys()[2], old[1]);
}

TEST(ChannelAddKey, ChangesNoOtherKey) {
    Channel channel = wideHandles();
    channel.addKey({-500, 0}, {50, 1}, {500, 0});
    EXPECT_EQ(channel.keys()[0], wideHandles().keys()[0]);
    EXPECT_EQ(channel.keys()[1], (BezierKey{{-500, 0}, {50, 1}, {500, 0}}));
    EXPECT_EQ(channel.keys()[2], wideHandles().keys()[1]);
}

TEST(ChannelRemoveKey, ShiftsLaterKeysDownWithoutSorting) {
    Channel channel = channelOf({{0, 0}, {10, 1}, {20, 2}, {30, 3}});
    moveToTime(channel, 3, 15.0f);  // dragged before its neighbour, not yet re-sorted
    channel.removeKey(1);
    EXPECT_EQ(keyTimes(channel), (std::vector<float>{0, 20, 15}));
    EXPECT_EQ(channel.samples().size(), 11u);  // 0..20; the backwards pair adds nothing

    channel.removeKey(7);  // no such key
    EXPECT_EQ(channel.keys().size(), 3u);
}

TEST(ChannelOrder, KeyMovedPastItsNeighbourIsSortedByTheNextInsertion) {
    Channel channel = channelOf({{0, 0}, {10, 10}, {20, 0}});
    moveToTime(channel, 1, 30.0f);
    channel.rebuild();
    // 0 -> 30 gives 16 samples; 30 -> 20 runs backwards and gives none.
    EXPECT_EQ(channel.samples().size(), 16u);
    EXPECT_EQ(channel.samples().back().x, 30.0f);
    EXPECT_FALSE(std::isnan(channel.evaluate(25.0f)));

    channel.addKey({40, 0}, {40, 0}, {40, 0});
    EXPECT_EQ(keyTimes(channel), (std::vector<float>{0, 20, 30, 40}));
}

TEST(ChannelOrder, KeysAtEqualTimesKeepTheOrderTheyWereAddedIn) {
    Channel channel = channelOf({{0, 0}, {20, 0}});
    channel.addPoint({10, 1});
    channel.addPoint({10, 2});
    channel.addKey({10, 3}, {10, 3}, {10, 3});
    EXPECT_EQ(keyTimes(channel), (std::vector<float>{0, 10, 10, 10, 20}));
    EXPECT_EQ(channel.keys()[1].point.y, 1.0f);
    EXPECT_EQ(channel.keys()[3].point.y, 3.0f);
    // The curve leaves the run of keys at 10 from the last of them.
    for (const Point2& s : channel.samples()) {
        if (s.x == 10.0f) {
            EXPECT_EQ(s.y, 3.0f);
        }
    }

    // The same holds when the insertion has to re-sort keys the editor moved.
    moveToTime(channel, 0, 15.0f);
    channel.rebuild();
    channel.addPoint({10, 4});
    EXPECT_EQ(keyTimes(channel), (std::vector<float>{10, 10, 10, 10, 15, 20}));
    EXPECT_EQ(channel.keys()[3].point.y, 4.0f);
}

TEST(ChannelInsert, OneRebuildAtTheEndMatchesRebuildingAfterEachKey) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> time(0, 60);  // few distinct times, so many ties
    std::uniform_real_distribution<float> offset(-30.0f, 30.0f);
    std::uniform_int_distribution<int> choice(0, 9);

    Channel eager(2.0f);
    Channel batched(2.0f);
    for (int i = 0; i < 1500; ++i) {
        const Point2 p{static_cast<float>(time(random)), offset(random)};
        if (choice(random) < 5) {
            eager.addPoint(p);
            batched.insertPoint(p);
        } else {
            const Point2 in{p.x + offset(random), offset(random)};
            const Point2 out{p.x + offset(random), offset(random)};
            eager.addKey(in, p, out);
            batched.insertKey(in, p, out);
        }
        const std::vector<float> times = keyTimes(batched);
        ASSERT_TRUE(std::is_sorted(times.begin(), times.end())) << "after key " << i;
        if (choice(random) == 0) {
            // The editor drags a key, possibly past others, and rebuilds.
            const std::size_t k = random() % eager.keys().size();
            const float moved = static_cast<float>(time(random));
            moveToTime(eager, k, moved);
            moveToTime(batched, k, moved);
            eager.rebuild();
            batched.rebuild();
        }
        ASSERT_EQ(eager.keys(), batched.keys()) << "after key " << i;
    }
    batched.rebuild();
    EXPECT_EQ(eager.samples(), batched.samples());
}

TEST(ChannelInsert, LoadsLongChannelsInTimeOrderQuickly) {
    // Quadratic insertion would take minutes here. The moved key makes the first insertion
    // re-sort; the ones after it must not.
    Channel channel = channelOf({{0, 0}, {1, 0}});
    moveToTime(channel, 0, 2.0f);
    channel.rebuild();
    for (int i = 0; i < 200000; ++i) channel.insertPoint({static_cast<float>(i / 2), 0});
    channel.rebuild();
    EXPECT_EQ(channel.keys().size(), 200002u);
    EXPECT_EQ(channel.keys().back().point.x, 99999.0f);
}

}  // namespace
}  // namespace kvr
