// Edits of many keys at once must leave keys, samples and the record exactly as the same edits
// one key at a time would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "tests/timeline/channel_checks.h"

namespace kvr {
namespace {

::testing::AssertionResult sameKeys(const Channel& actual, const Channel& expected) {
    const std::vector<BezierKey>& a = actual.keys();
    const std::vector<BezierKey>& e = expected.keys();
    if (a.size() != e.size()) {
        return ::testing::AssertionFailure() << a.size() << " keys instead of " << e.size();
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!sameBits(a[i], e[i]))
            return ::testing::AssertionFailure() << "key " << i << " differs";
    }
    return ::testing::AssertionSuccess();
}

// Keys about 10 units apart with random handles and values; every `overshoot`-th key's handles
// reach over its neighbours.
Channel randomChannel(std::mt19937& random, int count, int overshoot) {
    auto quarter = [&](int low, int high) {
        return static_cast<float>(std::uniform_int_distribution<int>(low, high)(random)) / 4;
    };
    Channel channel(2.0f);
    for (int i = 0; i < count; ++i) {
        const Point2 p{static_cast<float>(10 * i) + quarter(-8, 8), quarter(-200, 200)};
        const float reach = i % overshoot == 0 ? 40.0f : 3.0f;
        channel.addKey({p.x - quarter(0, 4) * reach / 3, quarter(-200, 200)}, p,
                       {p.x + quarter(0, 4) * reach / 3, quarter(-200, 200)});
    }
    return channel;
}

std::vector<std::size_t> randomIndices(std::mt19937& random, std::size_t count, int oneIn) {
    std::vector<std::size_t> indices;
    for (std::size_t i = 0; i < count; ++i) {
        if (std::uniform_int_distribution<int>(0, oneIn - 1)(random) == 0) indices.push_back(i);
    }
    return indices;
}

TEST(ChannelBatch, MovingManyKeysIsMovingEachAndResamplesAroundThem) {
    std::mt19937 random(2207);
    int incremental = 0;
    int fallBacks = 0;
    for (int round = 0; round < 60; ++round) {
        Channel many = randomChannel(random, 40, round % 4 == 0 ? 5 : 1000);
        Channel single = many;
        const Channel start = many;
        // Runs of neighbours, scattered keys, the first and the last, all of them.
        std::vector<std::size_t> indices = round % 10 == 9
                                               ? randomIndices(random, 40, 1)
                                               : randomIndices(random, 40, 1 + round % 6);
        if (round % 5 == 0) indices.push_back(39);
        indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
        KeyChanges manyChanges;
        KeyChanges singleChanges;
        for (int motion = 0; motion < 6; ++motion) {
            // Small steps mostly keep the order; every so often one carries keys past others.
            const float dx =
                motion == 3 && round % 3 == 0 ? 25.0f : static_cast<float>(motion % 3) - 1;
            const Point2 delta{dx, 0.5f * static_cast<float>(motion) - 1};
            (many.moveKeys(indices, delta, &manyChanges) ? incremental : fallBacks)++;
            for (std::size_t i : indices) single.moveKey(i, delta, &singleChanges);
            ASSERT_TRUE(sameKeys(many, single)) << "round " << round;
            ASSERT_TRUE(matchesFullRebuild(many)) << "round " << round << " motion " << motion;
            // A key anywhere nudged and put back resamples from where the runs are now said to
            // start.
            const auto one = static_cast<std::size_t>(random() % 40);
            many.moveKey(one, {0.25f, 0});
            ASSERT_TRUE(matchesFullRebuild(many)) << "round " << round << " motion " << motion;
            many.moveKey(one, {-0.25f, 0});
            ASSERT_TRUE(sameKeys(many, single));
        }
        // One change per moved key, however many motions.
        EXPECT_EQ(manyChanges.size(), indices.size());
        many.revert(manyChanges);
        EXPECT_TRUE(sameKeys(many, start));
        EXPECT_TRUE(matchesFullRebuild(many));
        many.reapply(manyChanges);
        EXPECT_TRUE(sameKeys(many, single));
        EXPECT_TRUE(matchesFullRebuild(many));
    }
    EXPECT_GT(incremental, 150);
    EXPECT_GT(fallBacks, 20);
}

TEST(ChannelBatch, MovingSkipsPlacesPastTheEnd) {
    Channel channel = channelOf({{0, 0}, {10, 5}, {20, 0}});
    KeyChanges changes;
    EXPECT_TRUE(channel.moveKeys({1, 3, 7}, {1, 1}, &changes));
    EXPECT_EQ(channel.keys()[1].point, (Point2{11, 6}));
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_TRUE(channel.moveKeys({5}, {1, 1}, &changes));
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_TRUE(matchesFullRebuild(channel));
}

TEST(ChannelBatch, RemovingManyKeysIsRemovingEachFromTheLast) {
    std::mt19937 random(911);
    for (int round = 0; round < 20; ++round) {
        Channel many = randomChannel(random, 30, 4);
        const Channel start = many;
        Channel single = many;
        const std::vector<std::size_t> indices = randomIndices(random, 30, 1 + round % 4);
        KeyChanges changes;
        many.removeKeys(indices, &changes);
        for (auto i = indices.rbegin(); i != indices.rend(); ++i) single.removeKey(*i);
        ASSERT_TRUE(sameKeys(many, single));
        EXPECT_TRUE(matchesFullRebuild(many));
        many.revert(changes);
        EXPECT_TRUE(sameKeys(many, start));
        EXPECT_TRUE(matchesFullRebuild(many));
        many.reapply(changes);
        EXPECT_TRUE(sameKeys(many, single));
    }
}

TEST(ChannelBatch, AddingManyKeysIsAddingEachAndTellsWhereTheyWent) {
    std::mt19937 random(4242);
    auto quarter = [&](int low, int high) {
        return static_cast<float>(std::uniform_int_distribution<int>(low, high)(random)) / 4;
    };
    for (int round = 0; round < 30; ++round) {
        Channel many = randomChannel(random, 20, 3);
        // Some channels hold a key dragged past its neighbours: the addition re-sorts first.
        if (round % 3 == 0) moveToTime(many, 4, 95.0f);
        const Channel start = many;
        Channel single = many;
        std::vector<BezierKey> added;
        for (int k = 0; k < 1 + round % 7; ++k) {
            // At times of old keys, of each other, and once a time that is not a number.
            float t = k % 3 == 0 ? static_cast<float>(10 * (k + round % 5)) : quarter(-20, 220);
            if (k % 3 == 2) t = added.front().point.x;
            if (round == 17 && k == 1) t = std::nanf("");
            const Point2 p{t, quarter(-50, 50)};
            added.push_back({{t - 1, p.y}, p, {t + 1, p.y + static_cast<float>(k)}});
        }
        KeyChanges changes;
        const std::vector<std::size_t> places = many.addKeys(added, &changes);
        for (const BezierKey& k : added) single.addKey(k.inHandle, k.point, k.outHandle);
        ASSERT_TRUE(sameKeys(many, single)) << "round " << round;
        EXPECT_TRUE(matchesFullRebuild(many));
        // The places hold exactly the added keys.
        ASSERT_EQ(places.size(), added.size());
        EXPECT_TRUE(std::is_sorted(places.begin(), places.end()));
        std::vector<BezierKey> found;
        for (std::size_t p : places) found.push_back(many.keys()[p]);
        for (const BezierKey& k : added) {
            EXPECT_EQ(std::count_if(found.begin(), found.end(),
                                    [&](const BezierKey& f) { return sameBits(f, k); }),
                      std::count_if(added.begin(), added.end(),
                                    [&](const BezierKey& a) { return sameBits(a, k); }));
        }
        many.revert(changes);
        EXPECT_TRUE(sameKeys(many, start));
        many.reapply(changes);
        EXPECT_TRUE(sameKeys(many, single));
        EXPECT_TRUE(matchesFullRebuild(many));
    }
}

}  // namespace
}  // namespace kvr
