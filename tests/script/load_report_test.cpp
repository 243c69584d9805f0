// What a load reports as left out: Lua errors, blocks left open, blocks dropped as duplicates.
#include "tests/script/script_test.h"

namespace kvr {
namespace {

using LoadReportTest = ScriptTest;

TEST_F(LoadReportTest, EachWayOfLeavingSomethingOutMakesTheLoadIncomplete) {
    const std::string block = "timeline3_begin('a') timeline3_end()\n";
    struct Case {
        const char* name;
        std::string text;
        std::string problem;  // the end of the one problem expected; empty for a complete load
    };
    const Case cases[] = {
        {"complete", block + "timeline1_begin('a') timeline1_end()\n", ""},
        {"run error", block + "oops()\n", ":2: attempt to call global 'oops' (a nil value)"},
        {"syntax error", block + "timeline3_begin('b') = 1\n", ":2: unexpected symbol near '='"},
        {"duplicate", block + "x = 1\n" + block,
         ":3: timeline3 \"a\" is already defined; this block was dropped"},
        {"left open", block + "timeline1_begin('open')\n",
         ": timeline1 \"open\" is still open at the end of the file; it was not loaded"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        registry().clear();
        const std::string path = writeScript(c.text);
        testing::internal::CaptureStderr();
        const LoadReport report = runTimelineScript(path);
        const std::string printed = testing::internal::GetCapturedStderr();
        if (c.problem.empty()) {
            EXPECT_TRUE(report.complete());
            EXPECT_EQ(printed, "");
            continue;
        }
        ASSERT_EQ(report.problems.size(), 1u);
        const std::string& problem = report.problems[0];
        EXPECT_EQ(problem, path + c.problem);
        // Only Lua's own errors are printed, as before; the others are for the caller to tell.
        const bool luaError = !report.luaErrors.empty();
        EXPECT_EQ(printed, luaError ? problem + "\n" : "");
    }
}

TEST_F(LoadReportTest, ALoadIntoItsOwnRegistryLeavesTheSharedOneAndCollectsErrors) {
    registry().addTimeline3("kept", makeDefaultTimeline());
    const std::string path = writeScript(
        "timeline3_begin('mine') timeline3_insert_x(vector2.new(1, 2)) timeline3_end()\n"
        "function _ALERT(m) timeline1_begin('alerted') timeline1_end() end\n"
        "broken()\n");
    TimelineRegistry own;
    testing::internal::CaptureStderr();
    const LoadReport report = loadTimelineFile(path, own, ErrorDelivery::AlertOnly);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(report.luaErrors.size(), 1u);
    EXPECT_NE(report.luaErrors[0].find(":3: attempt to call global 'broken'"), std::string::npos);
    EXPECT_FALSE(report.complete());
    EXPECT_EQ(own.timelines3.count("mine"), 1u);
    EXPECT_EQ(own.timelines1.count("alerted"), 1u);  // the script's _ALERT still ran
    EXPECT_EQ(registry().timelines3.size(), 1u);
    EXPECT_EQ(registry().timelines3.count("kept"), 1u);
}

}  // namespace
}  // namespace kvr
