// TimelineFile, the facade for games: files side by side, errors collected, library errors thrown.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tledit/timeline_file.h"

namespace kvr {
namespace {

// A three-channel timeline whose x channel holds one key at (0, value).
std::string block3(const std::string& name, int value) {
    return "timeline3_begin('" + name + "') timeline3_insert_x(vector2.new(0, " +
           std::to_string(value) + ")) timeline3_end()\n";
}

TEST(TimelineFile, FilesSideBySideKeepTheirOwnTimelinesAndErrors) {
    const test::TempDir dir;
    const std::string first = dir.file("first.lua");
    const std::string second = dir.file("second.lua");
    test::writeFile(first, block3("walk", 1) + block3("a", 3) + block3("B", 4) +
                               "timeline1_begin('fade') timeline1_push(vector2.new(0, 0))\n"
                               "timeline1_push(vector2.new(10, 7)) timeline1_end()\n");
    test::writeFile(second, block3("walk", 2) + "nothing()\n");

    testing::internal::CaptureStderr();
    const TimelineFile a = TimelineFile::load(first);
    const TimelineFile b = TimelineFile::load(second);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    EXPECT_TRUE(a.complete());
    EXPECT_TRUE(a.errors().empty());
    EXPECT_EQ(a.timeline3Names(), (std::vector<std::string>{"B", "a", "walk"}));
    EXPECT_EQ(a.timeline1Names(), std::vector<std::string>{"fade"});
    // The error ends the script, not the load: what came before it stays.
    EXPECT_FALSE(b.complete());
    EXPECT_EQ(b.errors(), std::vector<std::string>{
                              second + ":2: attempt to call global 'nothing' (a nil value)"});
    EXPECT_EQ(b.timeline3Names(), std::vector<std::string>{"walk"});

    // Same name, each file's own timeline: loading the second did not touch the first.
    ASSERT_NE(a.timeline3("walk"), nullptr);
    EXPECT_EQ(a.timeline3("walk")->x.valueAt(0.0f), 1.0f);
    EXPECT_EQ(b.timeline3("walk")->x.valueAt(0.0f), 2.0f);
    // The kinds are looked up apart.
    EXPECT_EQ(a.timeline3("fade"), nullptr);
    EXPECT_EQ(a.timeline1("walk"), nullptr);
    ASSERT_NE(a.timeline1("fade"), nullptr);
    EXPECT_FLOAT_EQ(a.timeline1("fade")->valueAt(5.0f), 3.5f);

    // Copies share the timelines, and a file moved from keeps them.
    TimelineFile copy = a;
    const TimelineFile moved = std::move(copy);
    EXPECT_EQ(moved.timeline3("walk"), a.timeline3("walk"));
    EXPECT_EQ(copy.timeline3("walk"), a.timeline3("walk"));
    EXPECT_EQ(copy.timeline1Names(), std::vector<std::string>{"fade"});
}

TEST(TimelineFile, ALibraryErrorIsThrownWithItsFileAndLine) {
    const test::TempDir dir;
    const std::string bad = dir.file("bad.lua");
    test::writeFile(
        bad, "timeline3_begin('a')\ntimeline3_insert_x(vector2.new(0, 0), vector2.new(1, 1))\n");
    try {
        TimelineFile::load(bad);
        FAIL() << "no kvr::Error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "lua::math3d error at timeline3_insert_x file:@" + bad + " line:2\n");
    }
}

}  // namespace
}  // namespace kvr
