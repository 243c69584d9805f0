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

TEST_F(LoadReportTest, TheDigestStandsForTheBytesLoadedAsTheyAre) {
    const auto digestOf = [](const std::string& text) {
        TextDigest digest;
        // In two pieces, as a reader may hand them over.
        digest.add(text.data(), text.size() / 2);
        digest.add(text.data() + text.size() / 2, text.size() - text.size() / 2);
        return digest;
    };
    const std::string text = "timeline3_begin('a')\ntimeline3_end()\n";
    const std::string path = writeScript(text);
    LoadReport report = runTimelineScript(path);
    ASSERT_TRUE(report.complete());
    ASSERT_TRUE(report.fileText.has_value());
    EXPECT_EQ(*report.fileText, digestOf(text));
    // One byte changed, or one more at the end, is another digest.
    EXPECT_NE(*report.fileText, digestOf("timeline3_begin('b')\ntimeline3_end()\n"));
    EXPECT_NE(*report.fileText, digestOf(text + "\n"));
    EXPECT_EQ(digestOf(""), TextDigest());

    // A first line that Lua skips is not the file as it stands; the line numbers still count it.
    registry().clear();
    const std::string skipped = writeScript("#!/usr/bin/env lua\ntimeline3_begin('a')\noops()\n");
    testing::internal::CaptureStderr();
    report = runTimelineScript(skipped);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              skipped + ":3: attempt to call global 'oops' (a nil value)\n");
    EXPECT_FALSE(report.fileText.has_value());

    // Nothing read, nothing to stand for: a missing file, or one that cannot be read.
    for (const std::string& unread : {dir_.file("missing.lua"), dir_.path()}) {
        testing::internal::CaptureStderr();
        report = runTimelineScript(unread);
        const std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(report.complete());
        EXPECT_FALSE(report.fileText.has_value());
        const std::string what = unread == dir_.path() ? "cannot read " : "cannot open ";
        EXPECT_EQ(printed.rfind(what + unread + ": ", 0), 0u) << printed;
    }
}

}  // namespace
}  // namespace kvr
