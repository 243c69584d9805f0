// Tests of running timeline files: the state a script gets, error reports, _ALERT, reloads.
#include <lua.hpp>

#include <set>

#include "tests/script/script_test.h"

namespace kvr {
namespace {

using ScriptLoadingTest = ScriptTest;

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(ScriptLoadingTest, RunErrorGoesToTheScriptsAlert) {
    EXPECT_EQ(runCapturingStderr(fixture("alert.lua")), "");

    auto& t3 = registry().timelines3;
    ASSERT_EQ(t3.size(), 2u);
    ASSERT_EQ(t3.count("first"), 1u);
    std::string message;
    for (const auto& entry : t3) {
        if (entry.first != "first") message = entry.first;
    }
    EXPECT_TRUE(endsWith(message, ":9: attempt to index local 'missing' (a nil value)")) << message;
    EXPECT_EQ(t3.count("not reached"), 0u);
}

TEST_F(ScriptLoadingTest, ErrorInsideAlertIsPrintedAndLoadingGoesOn) {
    std::string printed = runCapturingStderr(fixture("alert_fails.lua"));
    EXPECT_TRUE(endsWith(printed, ":4: attempt to index local 'broken' (a nil value)\n"))
        << printed;
    EXPECT_EQ(printed.find("undefined_function"), std::string::npos) << printed;
    EXPECT_EQ(registry().timelines3.size(), 1u);
    EXPECT_EQ(registry().timelines3.count("kept"), 1u);
}

TEST_F(ScriptLoadingTest, RunErrorWithoutAlertIsPrintedAndEarlierBlocksStay) {
    std::string printed = runCapturingStderr(fixture("two_blocks_then_error.lua"));
    EXPECT_TRUE(endsWith(printed, ":8: attempt to call global 'oops' (a nil value)\n")) << printed;
    EXPECT_EQ(registry().timelines3.size(), 1u);
    EXPECT_EQ(registry().findTimeline3("one")->x.keys().size(), 1u);
    EXPECT_EQ(registry().timelines1.count("two"), 1u);
}

TEST_F(ScriptLoadingTest, SyntaxErrorRunsNothing) {
    std::string path = writeScript(
        "function _ALERT(m) timeline3_begin('alerted') timeline3_end() end\n"
        "timeline3_begin('a') timeline3_end()\n"
        "timeline3_begin('b') = 1\n"
        "timeline3_end()\n");
    std::string printed = runCapturingStderr(path);
    EXPECT_NE(printed.find(":3:"), std::string::npos) << printed;
    EXPECT_TRUE(endsWith(printed, "\n"));
    EXPECT_TRUE(registry().timelines3.empty());
}

TEST_F(ScriptLoadingTest, MissingFileIsReportedOnStandardError) {
    std::string path = dir_.file("missing.lua");
    std::string printed = runCapturingStderr(path);
    EXPECT_EQ(printed.rfind("cannot open " + path, 0), 0u) << printed;
    EXPECT_TRUE(endsWith(printed, "\n"));
    EXPECT_TRUE(registry().timelines3.empty());
    EXPECT_TRUE(registry().timelines1.empty());
}

TEST_F(ScriptLoadingTest, HostErrorsBypassAlertEvenFromInsideIt) {
    std::string path = writeScript(
        "function _ALERT(m) timeline3_begin('alerted') timeline3_end() timeline3_end() end\n"
        "broken()\n");
    std::string printed;
    EXPECT_EQ(errorOf([&] { printed = runCapturingStderr(path); }),
              math3dError("timeline3_end", "@" + path, 1));
    EXPECT_EQ(printed, "");

    // The carried error is gone with the run that raised it.
    runTimelineScript(writeScript("timeline3_begin('fine') timeline3_end()", "fine.lua"));
    EXPECT_EQ(registry().timelines3.count("fine"), 1u);
}

TEST_F(ScriptLoadingTest, ScriptsHaveNoStandardLibrary) {
    runTimelineScript(fixture("no_stdlib.lua"));
    EXPECT_EQ(registry().timelines3.count("clean"), 1u);
}

TEST_F(ScriptLoadingTest, RegistrationMakesExactlyTheLibraryAndTimelineGlobals) {
    lua_State* L = luaL_newstate();
    registerTimelineFunctions(L);
    std::set<std::string> tables, functions;
    lua_pushnil(L);
    while (lua_next(L, LUA_GLOBALSINDEX)) {
        std::string name = lua_tostring(L, -2);
        if (lua_istable(L, -1)) tables.insert(name);
        if (lua_iscfunction(L, -1)) functions.insert(name);
        lua_pop(L, 1);
    }
    lua_close(L);

    EXPECT_EQ(tables, (std::set<std::string>{"math3d", "vector2", "vector3", "vector4", "matrix22",
                                             "matrix33", "matrix44"}));
    EXPECT_EQ(functions,
              (std::set<std::string>{"timeline3_begin", "timeline3_insert_x", "timeline3_insert_y",
                                     "timeline3_insert_z", "timeline3_end", "timeline1_begin",
                                     "timeline1_push", "timeline1_end"}));
}

TEST_F(ScriptLoadingTest, EveryLoadStartsWithNoBlockOpen) {
    // Stops inside both kinds of block.
    EXPECT_NE(runCapturingStderr(writeScript("timeline3_begin('stale')\n"
                                             "timeline1_begin('stale')\n"
                                             "broken()\n",
                                             "first.lua")),
              "");

    // Keys before any begin do not reach the stale timeline: there is none.
    std::string second = writeScript("timeline3_insert_x(vector2.new(0, 1))\n", "second.lua");
    EXPECT_EQ(errorOf([&] { runTimelineScript(second); }),
              math3dError("timeline3_insert_x", "@" + second, 1));

    runTimelineScript(
        writeScript("timeline3_begin('b') timeline3_end()\n"
                    "timeline1_begin('c') timeline1_end()\n",
                    "third.lua"));
    EXPECT_EQ(registry().timelines3.size(), 1u);
    EXPECT_EQ(registry().timelines3.count("b"), 1u);
    EXPECT_EQ(registry().timelines1.size(), 1u);
    EXPECT_EQ(registry().timelines1.count("c"), 1u);
}

TEST_F(ScriptLoadingTest, ScriptTextReportsItsChunkName) {
    EXPECT_EQ(errorOf([] {
                  runTimelineScriptText("timeline3_begin('m')\ntimeline3_insert_x()\n", "=fuzz");
              }),
              math3dError("timeline3_insert_x", "=fuzz", 2));

    testing::internal::CaptureStderr();
    runTimelineScriptText("timeline3_begin('t') timeline3_end()\nnothing()\n", "=memory");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "memory:2: attempt to call global 'nothing' (a nil value)\n");
    EXPECT_EQ(registry().timelines3.count("t"), 1u);
}

// A script that makes many keys in a loop loads them all (its speed is the benchmark's to judge).
TEST_F(ScriptLoadingTest, ManyKeysLoad) {
    const std::string script =
        "timeline3_begin('big')\n"
        "for i = 0, 19999 do\n"
        "  local p = vector2.new(i, i % 13)\n"
        "  timeline3_insert_x(vector2.new(i - 0.25, i % 13), p, vector2.new(i + 0.25, i % 13))\n"
        "  timeline3_insert_y(p)\n"
        "  timeline3_insert_z(vector2.new(19999 - i, i % 5))\n"
        "end\n"
        "timeline3_end()\n";
    runTimelineScript(writeScript(script));

    Timeline3* big = registry().findTimeline3("big");
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->x.keys().size(), 20000u);
    EXPECT_EQ(big->y.keys().size(), 20000u);
    EXPECT_EQ(big->z.keys().size(), 20000u);
    EXPECT_EQ(big->z.keys().front().point.x, 0.0f);
    EXPECT_EQ(big->y.samples().size(), 19999u);  // one per pair of keys a time unit apart
}

TEST_F(ScriptLoadingTest, ExampleFileLoadsCleanly) {
    EXPECT_EQ(runCapturingStderr(std::string(TLEDIT_SOURCE_DIR) + "/examples/wave.lua"), "");
    ASSERT_GE(registry().timelines3.size(), 2u);
    for (const auto& [name, timeline] : registry().timelines3) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(timeline->x.keys().empty());
        EXPECT_FALSE(timeline->y.keys().empty());
        EXPECT_FALSE(timeline->z.keys().empty());
    }
    EXPECT_FALSE(registry().timelines1.empty());
}

}  // namespace
}  // namespace kvr
