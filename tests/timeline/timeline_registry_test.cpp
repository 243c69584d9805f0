// Tests of the timeline registry, Timeline3 and the editor's default timeline.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "timeline/timeline_registry.h"

namespace kvr {
namespace {

std::vector<std::string> names3(const TimelineRegistry& registry) {
    std::vector<std::string> names;
    for (const auto& entry : registry.timelines3) names.push_back(entry.first);
    return names;
}

TEST(TimelineRegistry, OrdersNamesByUnsignedBytes) {
    TimelineRegistry registry;
    EXPECT_EQ(registry.firstTimeline3Name(), std::nullopt);
    // 0x82 opens a Shift-JIS name; as a signed char it would sort before everything.
    for (const char* name : {"b", "\x82\xa0", "a", "B", ""}) {
        EXPECT_TRUE(registry.addTimeline3(name, std::make_shared<Timeline3>(2.0f)));
    }
    EXPECT_EQ(names3(registry), (std::vector<std::string>{"", "B", "a", "b", "\x82\xa0"}));
    EXPECT_EQ(registry.firstTimeline3Name(), std::string());
}

TEST(TimelineRegistry, KeepsTheFirstTimelineUnderAName) {
    TimelineRegistry registry;
    auto first = std::make_shared<Timeline3>(2.0f);
    auto second = std::make_shared<Timeline3>(2.0f);
    const std::weak_ptr<Timeline3> secondSeen = second;

    EXPECT_TRUE(registry.addTimeline3("walk", first));
    EXPECT_FALSE(registry.addTimeline3("walk", std::move(second)));
    EXPECT_TRUE(secondSeen.expired());
    EXPECT_EQ(registry.timelines3.size(), 1u);
    EXPECT_EQ(registry.findTimeline3("walk"), first.get());

    // The one-channel map is separate: the same name is free there.
    EXPECT_TRUE(registry.addTimeline1("walk", std::make_shared<Timeline1>(2.0f)));
    EXPECT_FALSE(registry.addTimeline1("walk", std::make_shared<Timeline1>(2.0f)));
    EXPECT_EQ(registry.timelines1.size(), 1u);
    EXPECT_EQ(registry.timelines3.size(), 1u);

    EXPECT_FALSE(registry.addTimeline3("empty", nullptr));
    EXPECT_EQ(registry.findTimeline3("empty"), nullptr);
}

TEST(TimelineRegistry, ClearReleasesEverythingAndLookupsAddNothing) {
    TimelineRegistry registry;
    auto timeline3 = std::make_shared<Timeline3>(2.0f);
    auto timeline1 = std::make_shared<Timeline1>(2.0f);
    const std::weak_ptr<Timeline3> seen3 = timeline3;
    const std::weak_ptr<Timeline1> seen1 = timeline1;
    registry.addTimeline3("a", std::move(timeline3));
    registry.addTimeline1("a", std::move(timeline1));

    EXPECT_EQ(registry.findTimeline3("missing"), nullptr);
    EXPECT_EQ(registry.timelines3.size(), 1u);

    registry.clear();
    EXPECT_TRUE(seen3.expired());
    EXPECT_TRUE(seen1.expired());
    EXPECT_EQ(registry.findTimeline3("a"), nullptr);
    EXPECT_EQ(registry.firstTimeline3Name(), std::nullopt);
    EXPECT_TRUE(registry.timelines1.empty());
}

TEST(TimelineRegistry, ShareLendsTheSameTimelinesBeyondAClear) {
    TimelineRegistry registry;
    registry.addTimeline3("a", makeDefaultTimeline());
    registry.addTimeline1("a", std::make_shared<Timeline1>(2.0f));
    const std::weak_ptr<Timeline3> seen = registry.timelines3.at("a").share();

    const TimelineRegistry shared = registry.share();
    EXPECT_EQ(shared.findTimeline3("a"), registry.findTimeline3("a"));
    EXPECT_EQ(shared.findTimeline1("a"), registry.findTimeline1("a"));
    registry.clear();
    EXPECT_FALSE(seen.expired());
    ASSERT_NE(shared.findTimeline3("a"), nullptr);
    EXPECT_EQ(shared.findTimeline3("a")->valueAt(50.0f), (std::array<float, 3>{10, 0, -10}));
    EXPECT_EQ(shared.timelines1.size(), 1u);
}

TEST(TimelineRegistry, TakeAndRenameKeepTheSameObjectAndRefuseWhatIsTaken) {
    TimelineRegistry registry;
    registry.addTimeline3("a", makeDefaultTimeline());
    registry.addTimeline3("b", std::make_shared<Timeline3>(2.0f));
    registry.addTimeline1("c", std::make_shared<Timeline1>(2.0f));
    Timeline3* a = registry.findTimeline3("a");

    // Renamed in place: the object and the order follow the new name.
    EXPECT_TRUE(registry.renameTimeline3("a", "z"));
    EXPECT_EQ(registry.findTimeline3("z"), a);
    EXPECT_EQ(registry.findTimeline3("a"), nullptr);
    EXPECT_EQ(names3(registry), (std::vector<std::string>{"b", "z"}));
    // A name taken in the same map, or a missing one, changes nothing; the other map's names
    // do not count.
    EXPECT_FALSE(registry.renameTimeline3("z", "b"));
    EXPECT_FALSE(registry.renameTimeline3("missing", "q"));
    EXPECT_TRUE(registry.renameTimeline3("b", "c"));
    EXPECT_EQ(names3(registry), (std::vector<std::string>{"c", "z"}));
    EXPECT_TRUE(registry.renameTimeline1("c", "d"));
    EXPECT_NE(registry.findTimeline1("d"), nullptr);

    // Taken out whole, and given back as the same object.
    std::shared_ptr<Timeline3> taken = registry.takeTimeline3("z");
    ASSERT_EQ(taken.get(), a);
    EXPECT_EQ(taken->valueAt(50.0f), (std::array<float, 3>{10, 0, -10}));
    EXPECT_EQ(names3(registry), (std::vector<std::string>{"c"}));
    EXPECT_EQ(registry.takeTimeline3("z"), nullptr);
    EXPECT_NE(registry.takeTimeline1("d"), nullptr);
    EXPECT_TRUE(registry.timelines1.empty());
    EXPECT_TRUE(registry.addTimeline3("z", std::move(taken)));
    EXPECT_EQ(registry.findTimeline3("z"), a);
}

TEST(TimelineRegistry, InstanceIsOneSharedRegistry) {
    TimelineRegistry& registry = TimelineRegistry::instance();
    EXPECT_EQ(&registry, &TimelineRegistry::instance());
    registry.addTimeline3("shared", makeDefaultTimeline());
    EXPECT_NE(TimelineRegistry::instance().findTimeline3("shared"), nullptr);
    registry.clear();
}

TEST(DefaultTimeline, HoldsThreeFlatLinesSampledEveryTwoUnits) {
    const std::shared_ptr<Timeline3> timeline = makeDefaultTimeline();
    const std::array<float, 3> expected{10.0f, 0.0f, -10.0f};
    for (float t : {50.0f, -20.0f, 500.0f}) EXPECT_EQ(timeline->valueAt(t), expected) << t;

    const Channel* channels[] = {&timeline->x, &timeline->y, &timeline->z};
    for (int c = 0; c < 3; ++c) {
        const Channel& channel = *channels[c];
        ASSERT_EQ(channel.samples().size(), 51u);
        for (std::size_t i = 0; i < channel.samples().size(); ++i) {
            EXPECT_EQ(channel.samples()[i], (Point2{2.0f * i, expected[c]}));
        }
        for (const BezierKey& k : channel.keys()) {
            EXPECT_EQ(k.inHandle, k.point);
            EXPECT_EQ(k.outHandle, k.point);
        }
    }
}

TEST(Timeline3, EditedChannelsAnswerWithTheirNewValuesBeforeAndAfterRebuildAll) {
    const std::shared_ptr<Timeline3> timeline = makeDefaultTimeline();
    for (Channel* channel : {&timeline->x, &timeline->y, &timeline->z}) {
        BezierKey key = channel->keys()[1];
        key.point.y = 30.0f;
        channel->setKey(1, key);
    }
    EXPECT_EQ(timeline->valueAt(100.0f), (std::array<float, 3>{30.0f, 30.0f, 30.0f}));
    timeline->rebuildAll();
    EXPECT_EQ(timeline->valueAt(100.0f), (std::array<float, 3>{30.0f, 30.0f, 30.0f}));
}

}  // namespace
}  // namespace kvr
