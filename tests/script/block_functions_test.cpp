// Tests of the begin and end functions: names, duplicates, nesting and arena marks.
#include <malloc.h>

#include "script/timeline_builder.h"
#include "tests/script/script_test.h"

namespace kvr {
namespace {

using BlockFunctionsTest = ScriptTest;

std::vector<std::string> namesOf3() {
    std::vector<std::string> names;
    for (const auto& entry : TimelineRegistry::instance().timelines3) names.push_back(entry.first);
    return names;
}

TEST_F(BlockFunctionsTest, NamesDuplicatesAndMissingNames) {
    EXPECT_EQ(runCapturingStderr(fixture("names.lua")), "");

    // Numbers take Lua's own string form; a zero byte ends a name; the empty name sorts first.
    EXPECT_EQ(namesOf3(), (std::vector<std::string>{"", "1.5", "12", "cut", "dup"}));
    EXPECT_EQ(registry().firstTimeline3Name(), std::optional<std::string>(""));
    EXPECT_EQ(registry().findTimeline3("")->x.keys().size(), 1u);

    const Channel& dup = registry().findTimeline3("dup")->x;
    ASSERT_EQ(dup.keys().size(), 1u);
    EXPECT_EQ(dup.keys()[0].point, (Point2{0, 1})) << "the first block of a name must stay";

    ASSERT_EQ(registry().timelines1.size(), 2u);
    EXPECT_EQ(registry().timelines1.count("7"), 1u);
    EXPECT_EQ(registry().timelines1.at("dup")->channel.keys().at(0).point, (Point2{5, 6}));
}

TEST_F(BlockFunctionsTest, OneChannelBlockInsideThreeChannelBlock) {
    runTimelineScript(fixture("one_in_three.lua"));

    // The inner end emptied the shared name, so the outer timeline has none.
    EXPECT_EQ(namesOf3(), (std::vector<std::string>{""}));
    Timeline3* outer = registry().findTimeline3("");
    EXPECT_EQ(outer->x.keys().at(0).point, (Point2{0, 1}));
    EXPECT_EQ(outer->y.keys().at(0).point, (Point2{3, 4}));
    ASSERT_EQ(registry().timelines1.count("inner"), 1u);
    EXPECT_EQ(registry().timelines1.at("inner")->channel.keys().at(0).point, (Point2{0, 2}));

    // kept and the outer block's key stay below the inner begin's mark, which the outer end
    // rewinds to as well.
    EXPECT_EQ(ValueArena::instance().size(), 16u);
}

TEST_F(BlockFunctionsTest, EndRewindsTheArenaToTheBeginsMark) {
    runTimelineScript(
        writeScript("local before = vector2.new(7, 8)\n"
                    "timeline3_begin('a')\n"
                    "timeline3_insert_x(vector2.new(0, 1), vector2.new(1, 1), vector2.new(2, 1))\n"
                    "timeline3_insert_y(vector3.add(vector3.new(1, 1, 1), vector3.new(2, 2, 2)))\n"
                    "timeline3_end()\n"
                    "timeline1_begin('b')\n"
                    "timeline1_push(before)\n"
                    "timeline1_end()\n"));

    EXPECT_EQ(ValueArena::instance().size(), 8u);
    EXPECT_EQ(registry().timelines1.at("b")->channel.keys().at(0).point, (Point2{7, 8}));
    // Any math3d value passes as a key: its first two floats are taken.
    EXPECT_EQ(registry().findTimeline3("a")->y.keys().at(0).point, (Point2{3, 3}));
}

TEST_F(BlockFunctionsTest, EndRewindsIntoANewBlockAndKeepsOlderValues) {
    runTimelineScript(fixture("arena_marks.lua"));

    EXPECT_NE(registry().findTimeline3("restored"), nullptr);
    EXPECT_GT(registry().findTimeline3("grown")->x.keys().size(), 1000u);
    EXPECT_EQ(ValueArena::instance().size(), 20u);  // kept and also_kept
    ASSERT_EQ(registry().timelines1.count("kept"), 1u);
    const Channel& kept = registry().timelines1.at("kept")->channel;
    ASSERT_EQ(kept.keys().size(), 2u);
    EXPECT_EQ(kept.keys()[0].point, (Point2{3, 4}));
    EXPECT_EQ(kept.keys()[1].point, (Point2{6, 7}));
}

TEST_F(BlockFunctionsTest, SecondOpenBlockOfAKindEndsTheRun) {
    std::string stderrText;
    EXPECT_EQ(errorOf([&] { stderrText = runCapturingStderr(fixture("nested_three.lua")); }),
              "timeline3_begin()");
    // Neither _ALERT nor the rest of the script ran; the block ended before stays.
    EXPECT_EQ(namesOf3(), (std::vector<std::string>{"a"}));
    EXPECT_TRUE(registry().timelines1.empty());
    // The failed run leaves the builder as the error found it.
    EXPECT_EQ(TimelineBuilder::instance().pendingName, "b");

    EXPECT_EQ(errorOf([&] { runTimelineScript(fixture("nested_one.lua")); }), "timeline1_begin()");
}

// Every load has a state of its own; a state left open by the error path would pile up.
TEST_F(BlockFunctionsTest, StateIsClosedWhenAnErrorLeavesTheRun) {
    const std::string nested = "timeline3_begin('a') timeline3_begin('b')";
    EXPECT_EQ(errorOf([&] { runTimelineScriptText(nested, "=warm-up"); }), "timeline3_begin()");
    const std::size_t before = mallinfo2().uordblks;
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(errorOf([&] { runTimelineScriptText(nested, "=nested"); }), "timeline3_begin()");
    }
    const std::size_t after = mallinfo2().uordblks;
    EXPECT_LT(after, before + 512 * 1024) << "grew by " << after - before << " bytes";
}

}  // namespace
}  // namespace kvr
