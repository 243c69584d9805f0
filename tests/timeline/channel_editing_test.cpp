// Tests of adding, removing and reordering a channel's keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <utility>
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

// The keys a stable sort by time (NaN last) makes of keys with key appended.
std::vector<BezierKey> plainSorted(std::vector<BezierKey> keys, const BezierKey& key) {
    keys.push_back(key);
    std::stable_sort(keys.begin(), keys.end(), [](const BezierKey& a, const BezierKey& b) {
        const float s = a.point.x;
        const float t = b.point.x;
        return s < t || (t != t && s == s);
    });
    return keys;
}

// Where a re-sort starts and how many places it covers.
using Span = std::pair<std::size_t, std::size_t>;

// Inserts key into a channel whose keys were moved out of order and checks that the keys are
// those of one plain stable sort, that the insertion, taken back and made again, gives both
// states bit for bit with the samples of a full rebuild, and that the re-sort recorded exactly
// the places from the first to the last it changed. Returns that span, {0, 0} when nothing
// was re-sorted.
Span checkInsertion(Channel& channel, const BezierKey& key) {
    const std::vector<BezierKey> before = channel.keys();
    const std::vector<BezierKey> expected = plainSorted(before, key);
    KeyChanges changes;
    channel.addKey(key.inHandle, key.point, key.outHandle, &changes);
    EXPECT_TRUE(sameKeys(channel.keys(), expected));
    EXPECT_TRUE(matchesFullRebuild(channel));
    Span span{0, 0};
    for (const KeyChange& change : changes) {
        if (change.kind != KeyChange::Kind::Reorder) continue;
        span = {change.index, change.order.size()};
        // Not one place more: the first and the last place of the span both changed.
        EXPECT_GE(change.order.size(), 2u);
        EXPECT_NE(change.order.front(), 0u);
        EXPECT_NE(change.order.back(), change.order.size() - 1);
    }
    channel.revert(changes);
    EXPECT_TRUE(sameKeys(channel.keys(), before));
    EXPECT_TRUE(matchesFullRebuild(channel));
    channel.reapply(changes);
    EXPECT_TRUE(sameKeys(channel.keys(), expected));
    EXPECT_TRUE(matchesFullRebuild(channel));
    return span;
}

TEST(ChannelOrder, InsertionRecordsOnlyTheSpanItsReSortChanged) {
    // Ten keys at 0, 10, ..., 90, each with its handles 3 units to either side.
    const auto tens = [] {
        Channel channel(2.0f);
        for (int i = 0; i < 10; ++i) {
            const float t = 10.0f * static_cast<float>(i);
            channel.addKey({t - 3, 1}, {t, static_cast<float>(i)}, {t + 3, -1});
        }
        return channel;
    };
    const BezierKey added{{72, 5}, {75, 5}, {78, 5}};
    const float noTime = std::numeric_limits<float>::quiet_NaN();
    const auto draggedTo = [&](std::size_t index, float time) {
        Channel channel = tens();
        moveToTime(channel, index, time);
        return checkInsertion(channel, added);
    };
    EXPECT_EQ(draggedTo(3, 45.0f), (Span{3, 2}));   // past one neighbour
    EXPECT_EQ(draggedTo(5, 35.0f), (Span{4, 2}));   // back past one
    EXPECT_EQ(draggedTo(2, 75.0f), (Span{2, 6}));   // past five, onto the new key's time
    EXPECT_EQ(draggedTo(6, -5.0f), (Span{0, 7}));   // to the front
    EXPECT_EQ(draggedTo(3, 200.0f), (Span{3, 7}));  // to the end
    EXPECT_EQ(draggedTo(2, noTime), (Span{2, 8}));  // NaN goes after every key
    EXPECT_EQ(draggedTo(4, 44.0f), (Span{0, 0}));   // within its place: nothing to sort

    // Two keys dragged apart: everything between them is one span.
    Channel two = tens();
    moveToTime(two, 1, 25.0f);
    moveToTime(two, 8, 65.0f);
    EXPECT_EQ(checkInsertion(two, added), (Span{1, 8}));

    // Keys at equal times keep their order: a key dragged onto their time from before stays in
    // front of them, one dragged from after stays behind them.
    const auto withTwenties = [] {
        Channel channel = channelOf({{0, 0}, {10, 1}, {20, 2}, {30, 6}, {40, 7}});
        channel.addPoint({20, 3});
        channel.addPoint({20, 4});
        return channel;  // times 0, 10, 20, 20, 20, 30, 40
    };
    Channel fromBefore = withTwenties();
    moveToTime(fromBefore, 0, 20.0f);
    EXPECT_EQ(checkInsertion(fromBefore, added), (Span{0, 2}));
    EXPECT_EQ(fromBefore.keys()[1].point, (Point2{20, 0}));
    Channel fromAfter = withTwenties();
    moveToTime(fromAfter, 6, 20.0f);
    EXPECT_EQ(checkInsertion(fromAfter, added), (Span{5, 2}));
    EXPECT_EQ(fromAfter.keys()[5].point, (Point2{20, 7}));
    // Inserted at their time, after the sort, the new key goes behind them all.
    Channel atTheirTime = withTwenties();
    moveToTime(atTheirTime, 6, 20.0f);
    EXPECT_EQ(checkInsertion(atTheirTime, {{20, 9}, {20, 9}, {20, 9}}), (Span{5, 2}));
    EXPECT_EQ(atTheirTime.keys()[6].point, (Point2{20, 9}));
}

TEST(ChannelOrder, RandomDragsThenAnInsertionSortAsOnePlainStableSort) {
    std::mt19937 random(7713);
    std::uniform_int_distribution<int> time(0, 40);  // few distinct times, so many ties
    for (int trial = 0; trial < 300; ++trial) {
        Channel channel(2.0f);
        const int count = 1 + static_cast<int>(random() % 30);
        for (int i = 0; i < count; ++i) {
            const float t = static_cast<float>(time(random));
            channel.addKey({t - 1, 0}, {t, static_cast<float>(i)}, {t + 1, 0});
        }
        const int drags = static_cast<int>(random() % 4);
        for (int d = 0; d < drags; ++d) {
            moveToTime(channel, random() % channel.keys().size(), static_cast<float>(time(random)));
        }
        const float t = static_cast<float>(time(random));
        checkInsertion(channel, {{t, -1}, {t, -1}, {t, -1}});
        ASSERT_FALSE(::testing::Test::HasFailure()) << "trial " << trial;
    }
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
