// Tests of timeline3_insert_x/y/z and timeline1_push: the keys they make and their refusals.
#include <lua.hpp>

#include <cstdio>
#include <vector>

#include "math3d/host_boundary.h"
#include "script/timeline_builder.h"
#include "tests/script/script_test.h"
#include "timeline/channel.h"

namespace kvr {
namespace {

using KeyFunctionsTest = ScriptTest;

void expectSameKey(const BezierKey& actual, const BezierKey& expected) {
    EXPECT_EQ(actual.inHandle, expected.inHandle);
    EXPECT_EQ(actual.point, expected.point);
    EXPECT_EQ(actual.outHandle, expected.outHandle);
}

void expectSameChannel(const Channel& actual, const Channel& expected) {
    ASSERT_EQ(actual.keys().size(), expected.keys().size());
    for (std::size_t i = 0; i < expected.keys().size(); ++i) {
        SCOPED_TRACE("key " + std::to_string(i));
        expectSameKey(actual.keys()[i], expected.keys()[i]);
    }
    ASSERT_EQ(actual.samples().size(), expected.samples().size());
    for (std::size_t i = 0; i < expected.samples().size(); ++i) {
        ASSERT_EQ(actual.samples()[i], expected.samples()[i]) << "sample " << i;
    }
}

// The functions defer the sample tables to the block's end; keys and samples must still be
// exactly those of adding the same keys one by one with a rebuild after each.
TEST_F(KeyFunctionsTest, KeysInAnyOrderMatchAddingThemOneByOne) {
    struct ScriptKey {
        const char* function;
        std::vector<Point2> points;  // one point, or inHandle, point, outHandle
    };
    const std::vector<ScriptKey> keys = {
        {"timeline3_insert_x", {{40, 3}}},
        {"timeline3_insert_x", {{-10, 2}, {0, 5}, {30, 8}}},
        {"timeline3_insert_x", {{20, -4}}},  // between two keys: limits both facing handles
        {"timeline3_insert_x", {{90, 1}, {100, 0.25f}, {130, 2}}},
        {"timeline3_insert_x", {{33.3f, 7}}},
        {"timeline3_insert_y", {{50, 1}}},
        {"timeline3_insert_y", {{7, 7}}},
        {"timeline3_insert_y", {{50, 2}}},  // same time as an earlier key
        {"timeline3_insert_z", {{1, 1}, {0.1f, 0.7f}, {2, -3}}},
        {"timeline1_push", {{60, -1}}},
        {"timeline1_push", {{10, 1}, {12, 4}, {70, 4}}},
        {"timeline1_push", {{-5, 0}}},
    };

    std::string lines3, lines1;
    Timeline3 expected3(2.0f);
    Timeline1 expected1(2.0f);
    for (const ScriptKey& key : keys) {
        std::string f = key.function;
        std::string& script = f == "timeline1_push" ? lines1 : lines3;
        script += f + "(";
        for (std::size_t i = 0; i < key.points.size(); ++i) {
            char text[96];
            // %.17g of the float's exact value narrows back to the very same float.
            std::snprintf(text, sizeof text, "%svector2.new(%.17g, %.17g)", i ? ", " : "",
                          key.points[i].x, key.points[i].y);
            script += text;
        }
        script += ")\n";

        Channel& c = f == "timeline3_insert_x"   ? expected3.x
                     : f == "timeline3_insert_y" ? expected3.y
                     : f == "timeline3_insert_z" ? expected3.z
                                                 : expected1.channel;
        if (key.points.size() == 1) {
            c.addPoint(key.points[0]);
        } else {
            c.addKey(key.points[0], key.points[1], key.points[2]);
        }
    }
    runTimelineScript(writeScript("timeline3_begin('t')\n" + lines3 + "timeline3_end()\n" +
                                  "timeline1_begin('t')\n" + lines1 + "timeline1_end()\n"));

    Timeline3* t3 = registry().findTimeline3("t");
    ASSERT_NE(t3, nullptr);
    ASSERT_EQ(registry().timelines1.count("t"), 1u);
    const Channel& c1 = registry().timelines1.at("t")->channel;
    {
        SCOPED_TRACE("x");
        expectSameChannel(t3->x, expected3.x);
    }
    {
        SCOPED_TRACE("y");
        expectSameChannel(t3->y, expected3.y);
    }
    {
        SCOPED_TRACE("z");
        expectSameChannel(t3->z, expected3.z);
    }
    {
        SCOPED_TRACE("one-channel");
        expectSameChannel(c1, expected1.channel);
    }
    for (std::size_t i = 1; i < t3->x.keys().size(); ++i) {
        EXPECT_LE(t3->x.keys()[i - 1].point.x, t3->x.keys()[i].point.x);
    }
}

TEST_F(KeyFunctionsTest, CallsOfTheWrongShapeEndTheRunNamingTheFunction) {
    struct Case {
        const char* call;
        const char* function;
    };
    const Case cases[] = {
        {"timeline3_insert_y(a, a)", "timeline3_insert_y"},
        {"timeline3_insert_x()", "timeline3_insert_x"},
        {"timeline3_insert_z(a, a, a, a)", "timeline3_insert_z"},
        {"timeline3_insert_x(5)", "timeline3_insert_x"},
        {"timeline3_insert_x('0')", "timeline3_insert_x"},
        {"timeline3_insert_z(a, 1, a)", "timeline3_insert_z"},
        {"timeline1_push(a, a)", "timeline1_push"},
        {"timeline1_push({})", "timeline1_push"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        registry().clear();
        std::string path = writeScript(std::string("local a = vector2.new(1, 2)\n"
                                                   "timeline3_begin('t') timeline1_begin('u')\n") +
                                       c.call +
                                       "\n"
                                       "timeline1_end() timeline3_end()\n");
        EXPECT_EQ(errorOf([&] { runTimelineScript(path); }),
                  math3dError(c.function, "@" + path, 3));
        EXPECT_TRUE(registry().timelines3.empty());
        EXPECT_TRUE(registry().timelines1.empty());
    }
}

TEST_F(KeyFunctionsTest, KeyAndEndCallsOutsideTheirBlockEndTheRun) {
    struct Case {
        const char* script;
        const char* function;
        int line;
    };
    const Case cases[] = {
        {"timeline3_insert_x(vector2.new(0, 1))\n", "timeline3_insert_x", 1},
        {"timeline3_begin('a')\ntimeline1_push(vector2.new(0, 1))\n", "timeline1_push", 2},
        {"timeline1_begin('a')\ntimeline3_insert_z(vector2.new(0, 1))\n", "timeline3_insert_z", 2},
        {"timeline3_begin('a')\ntimeline3_end()\ntimeline3_end()\n", "timeline3_end", 3},
        {"timeline3_begin('a')\ntimeline1_end()\n", "timeline1_end", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        std::string path = writeScript(c.script);
        EXPECT_EQ(errorOf([&] { runTimelineScript(path); }),
                  math3dError(c.function, "@" + path, c.line));
    }
}

// Only host code can hand over an address that is no math3d value; its floats are not read.
TEST_F(KeyFunctionsTest, AddressOutsideTheArenaIsRefused) {
    TimelineBuilder::instance().reset();
    lua_State* L = luaL_newstate();
    registerTimelineFunctions(L);
    ASSERT_EQ(luaL_dostring(L, "timeline3_begin('foreign')"), 0);
    float outside[2] = {1, 2};
    lua_getglobal(L, "timeline3_insert_x");
    lua_pushlightuserdata(L, outside);
    EXPECT_NE(lua_pcall(L, 1, 0, 0), 0);
    std::exception_ptr carried = takeCarriedException();
    lua_close(L);

    ASSERT_TRUE(carried);
    EXPECT_EQ(errorOf([&] { std::rethrow_exception(carried); }).rfind("lua::math3d error at ", 0),
              0u);
}

}  // namespace
}  // namespace kvr
