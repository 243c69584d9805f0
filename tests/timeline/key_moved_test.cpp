// Resampling after a key is changed in place must give exactly what a full rebuild gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "tests/timeline/channel_checks.h"

namespace kvr {
namespace {

// Keys every 10 units with handles inside their segments: every pair stays in its own span.
Channel evenKeys(int count) {
    Channel channel(2.0f);
    for (int i = 0; i < count; ++i) {
        const float t = static_cast<float>(10 * i);
        const float v = static_cast<float>((i * 7) % 11);
        channel.addKey({t - 3, v + 1}, {t, v}, {t + 3, v - 2});
    }
    return channel;
}

void shift(BezierKey& key, float dx, float dy) {
    for (Point2* p : {&key.inHandle, &key.point, &key.outHandle}) {
        p->x += dx;
        p->y += dy;
    }
}

// Changes keys[index] in place through change, as the editor's edits do; true when only the
// segments around it were resampled.
template <typename Change>
bool edit(Channel& channel, std::size_t index, Change change) {
    BezierKey key = channel.keys()[index];
    change(key);
    return channel.setKey(index, key);
}

bool shiftKey(Channel& channel, std::size_t index, float dx, float dy) {
    return edit(channel, index, [&](BezierKey& key) { shift(key, dx, dy); });
}

TEST(ChannelKeyMoved, ResamplesOnlyAroundTheKeyWhileKeysStayInOrder) {
    Channel channel = evenKeys(12);
    for (std::size_t index : {0u, 1u, 5u, 10u, 11u}) {
        EXPECT_TRUE(shiftKey(channel, index, 1, -4)) << "key " << index;
        EXPECT_TRUE(matchesFullRebuild(channel)) << "key " << index;
        EXPECT_TRUE(edit(channel, index,
                         [](BezierKey& k) {
                             k.outHandle = {k.outHandle.x + 2, 9};
                         }))
            << "key " << index;
        EXPECT_TRUE(matchesFullRebuild(channel)) << "key " << index;
    }
}

TEST(ChannelKeyMoved, FallsBackPastANeighbourAndResumesOnceBackInOrder) {
    Channel channel = evenKeys(6);
    EXPECT_FALSE(shiftKey(channel, 2, 15, 0));  // now at 35, past the key at 30
    EXPECT_FALSE(channel.keysInOrder());
    EXPECT_TRUE(matchesFullRebuild(channel));

    // Back at 25: in order, but the first move fell back.
    EXPECT_FALSE(shiftKey(channel, 2, -10, 0));
    EXPECT_TRUE(channel.keysInOrder());
    EXPECT_TRUE(shiftKey(channel, 2, -1, 0));
    EXPECT_TRUE(matchesFullRebuild(channel));

    EXPECT_FALSE(shiftKey(channel, 2, 6, 0));  // exactly onto the key at 30
    EXPECT_TRUE(matchesFullRebuild(channel));
}

TEST(ChannelKeyMoved, FallsBackWhenAHandleOvershootsIntoTheNextSegment) {
    Channel channel = evenKeys(6);
    auto outTo = [&](float x) {
        return edit(channel, 2, [x](BezierKey& k) { k.outHandle.x = x; });
    };
    EXPECT_FALSE(outTo(45));  // reaches past the keys at 30 and 40
    EXPECT_TRUE(matchesFullRebuild(channel));
    EXPECT_FALSE(outTo(23));  // the table was interleaved, so this one rebuilds
    EXPECT_TRUE(outTo(24));
    EXPECT_TRUE(matchesFullRebuild(channel));
}

TEST(ChannelKeyMoved, RedoesTheSampleThatTheNextSegmentGivesTwoKeysBack) {
    // The last sample of the pair (0, 1) lands on key 1's time and is taken on the segment
    // (1, 2): key 1's value -0 plus zero times the slope towards key 2 keeps the sign of that
    // slope, so moving key 2 changes a sample of a pair it is not part of.
    Channel channel(2.0f);
    channel.addPoint({0, 3});
    channel.addPoint({10, -0.0f});
    channel.addPoint({20, -5});
    channel.addPoint({30, 1});
    EXPECT_TRUE(edit(channel, 2, [](BezierKey& k) {
        k.point.y = 5;
        k.inHandle = k.outHandle = k.point;
    }));
    EXPECT_TRUE(matchesFullRebuild(channel));
}

TEST(ChannelKeyMoved, HandlesChannelsTooSmallForSegments) {
    Channel empty(2.0f);
    EXPECT_FALSE(empty.setKey(0, {}));  // no such key: nothing changes
    EXPECT_TRUE(empty.keys().empty());
    EXPECT_TRUE(empty.samples().empty());

    Channel one = channelOf({{3, 7}});
    edit(one, 0, [](BezierKey& k) { k.point = {4, 8}; });
    EXPECT_EQ(one.samples(), (std::vector<Point2>{{4, 8}}));
}

// The editor's drags at random: whole keys and single handles, by small and large steps,
// past neighbours, onto their times, with overshooting handles, between insertions and
// removals that restore the order. After every move the table must equal a full rebuild.
TEST(ChannelKeyMoved, RandomDragsMatchAFullRebuild) {
    std::mt19937 random(7031);
    auto order = [&](int count) {
        std::vector<int> indices(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) indices[static_cast<std::size_t>(i)] = i;
        std::shuffle(indices.begin(), indices.end(), random);
        return indices;
    };
    auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    // Quarter units, so that times coincide and samples land on key times now and then.
    auto quarter = [&](int low, int high) { return static_cast<float>(uniform(low, high)) / 4; };
    int incremental = 0;
    int fallBacks = 0;

    for (int round = 0; round < 40; ++round) {
        Channel channel(2.0f);
        const int count = uniform(2, 30);
        // In every third channel some handles reach over their neighbours from the start.
        const int shapes = round % 3 == 0 ? 3 : 2;
        for (int i : order(count)) {
            // About 20 units apart, in random order; the moves bring them together.
            const Point2 p{static_cast<float>(20 * i) + quarter(-20, 20), quarter(-200, 200)};
            switch (uniform(0, shapes)) {
                case 0:
                    channel.addPoint(p);
                    break;
                case 1:  // handles within a few units
                    channel.addKey({p.x - quarter(0, 12), quarter(-200, 200)}, p,
                                   {p.x + quarter(0, 12), quarter(-200, 200)});
                    break;
                case 2:  // values around zero of both signs
                    channel.addKey(p, {p.x, uniform(0, 1) ? -0.0f : 0.0f}, p);
                    break;
                default:  // handles that may reach over neighbours, either way
                    channel.addKey({p.x + quarter(-200, 40), quarter(-200, 200)}, p,
                                   {p.x + quarter(-40, 200), quarter(-200, 200)});
                    break;
            }
        }

        for (int move = 0; move < 300; ++move) {
            const std::size_t index = static_cast<std::size_t>(uniform(0, count - 1));
            BezierKey key = channel.keys()[index];
            const int kind = uniform(0, 9);
            const float dx = uniform(0, 24) ? quarter(-8, 8) : quarter(-160, 160);
            const float dy = quarter(-40, 40);
            if (kind < 7) {
                shift(key, dx, dy);
            } else if (kind == 7) {
                // Handles mostly pulled out on their own side; a large dx reaches over.
                key.inHandle = {key.point.x - quarter(0, 12) + (dx < -2 ? dx : 0), dy};
            } else if (kind == 8) {
                key.outHandle = {key.point.x + quarter(0, 12) + (dx > 2 ? dx : 0), dy};
            } else {
                key.inHandle = key.point;  // a snap
            }
            (channel.setKey(index, key) ? incremental : fallBacks)++;
            ASSERT_TRUE(matchesFullRebuild(channel)) << "round " << round << " move " << move;

            if (uniform(0, 15) == 0) {
                // An insertion re-sorts the keys and so lets the next drags resample locally.
                channel.addPoint({quarter(0, 1600), quarter(-200, 200)});
                channel.removeKey(static_cast<std::size_t>(uniform(0, count)));
            }
        }
    }
    // Both ways must have been exercised for the comparison to mean anything.
    EXPECT_GT(incremental, 5000);
    EXPECT_GT(fallBacks, 2000);
}

}  // namespace
}  // namespace kvr
