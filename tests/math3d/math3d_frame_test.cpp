// Publishing the math3d tables, the error report and the guard on what values may point at.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "math3d/host_boundary.h"
#include "math3d/math3d.h"
#include "math3d/math3d_messages.h"
#include "math3d/value_arena.h"
#include "tests/math3d/script_runner.h"
#include "timeline/error.h"

namespace kvr {
namespace {

using test::errorOf;
using test::report;

TEST(RegisterMath3d, MakesExactlyTheSevenTablesOfFunctions) {
    const std::map<std::string, std::set<std::string>> expected = {
        {"math3d", {"reserve", "resize", "size", "capacity"}},
        {"vector2",
         {"new", "assign", "split", "set_x", "set_y", "get_x", "get_y", "add", "sub", "mul", "div",
          "norm", "normalize", "dot"}},
        {"vector3",
         {"new", "assign", "split", "set_x", "set_y", "set_z", "get_x", "get_y", "get_z", "add",
          "sub", "mul", "div", "norm", "normalize", "dot", "cross"}},
        {"vector4",
         {"new", "assign", "split", "set_x", "set_y", "set_z", "set_w", "get_x", "get_y", "get_z",
          "get_w", "add", "sub", "mul", "div", "norm", "normalize", "dot", "cross"}},
        {"matrix22", {"new", "assign", "mul", "mulvec", "identity", "invert", "scale", "rotate"}},
        {"matrix33",
         {"new", "assign", "mul", "mulvec", "identity", "invert", "scale", "rotate", "rotateX",
          "rotateY", "rotateZ", "rotateA", "aim_vector"}},
        {"matrix44",
         {"new", "assign", "mul", "mulvec", "identity", "invert", "translate", "scale", "rotate",
          "rotateX", "rotateY", "rotateZ", "rotateA", "aim_vector"}},
    };
    test::ScriptRunner lua;
    lua_State* L = lua.state();
    std::map<std::string, std::set<std::string>> found;
    lua_pushnil(L);
    while (lua_next(L, LUA_GLOBALSINDEX) != 0) {
        ASSERT_EQ(lua_type(L, -2), LUA_TSTRING);
        ASSERT_EQ(lua_type(L, -1), LUA_TTABLE) << lua_tostring(L, -2);
        EXPECT_EQ(lua_getmetatable(L, -1), 0);
        std::set<std::string>& keys = found[lua_tostring(L, -2)];
        lua_pushnil(L);
        while (lua_next(L, -2) != 0) {
            EXPECT_TRUE(lua_iscfunction(L, -1)) << lua_tostring(L, -2);
            keys.insert(lua_tostring(L, -2));
            lua_pop(L, 1);
        }
        lua_pop(L, 1);
    }
    EXPECT_EQ(found, expected);
}

TEST(Math3dMessages, AreTheShiftJisBytesOfTheirTexts) {
    const std::pair<const char*, const char*> texts[] = {
        {message::ArgsNot1, "引数が1つではない"},
        {message::ArgsNot2, "引数が2つではない"},
        {message::ArgsNot3, "引数が3つではない"},
        {message::ArgsMissing, "引数が不足している。"},
        {message::ArgUserdata, "引数はユーザーデータである必要がある"},
        {message::ArgUserdataAlt, "引数はユーザデータである必要がある"},
        {message::BothUserdata, "引数は2つともユーザーデータである必要がある"},
        {message::FirstUserdata, "1つ目の引数はユーザーデータである必要がある"},
        {message::UserdataReal, "第1引数はユーザーデータ、第2引数は実数である必要がある"},
        {message::UserdataRestReal, "第1引数はユーザーデータ、それ以外は実数である必要がある"},
        {message::UserdataRealOrUserdata,
         "第1引数はユーザーデータ、第2引数は実数かユーザーデータである必要がある"},
        {message::TwoUserdataReal,
         "第1引数と第2引数はユーザーデータ、第3引数は実数である必要がある"},
        {message::VectorOrThreeReals,
         "2つめ以降の引数は、1つのベクトルか、3つの実数である必要がある"},
    };
    for (const auto& [bytes, text] : texts) EXPECT_EQ(bytes, test::shiftJis(text)) << text;
}

TEST(RaiseMath3dError, NamesTheFunctionTheFileAndTheLine) {
    const std::string path = TLEDIT_FIXTURES "/tl3_000.lua";
    test::ScriptRunner lua;
    try {
        lua.runFile(path);
        FAIL() << "the bad call went through";
    } catch (const Error& e) {
        EXPECT_EQ(e.what(), report("add", 3, "引数が2つではない", "@" + path));
    }
}

TEST(RaiseMath3dError, UsesTheNameTheInterpreterGives) {
    EXPECT_EQ(errorOf("local plus = vector2.add\nplus(1)"), report("plus", 2, "引数が2つではない"));
    EXPECT_EQ(errorOf("local k = 'add'\n\nvector2[k](1)"), report("?", 3, "引数が2つではない"));
    EXPECT_EQ(errorOf("sum = vector3.add\nsum(1, 2)"),
              report("sum", 2, "引数は2つともユーザーデータである必要がある"));
}

int probe(lua_State* L) {
    raise_math3d_error(L, nullptr);
}

TEST(RaiseMath3dError, WithoutDetailOrCallerOrRoom) {
    // Without a detail the line ends after the line number.
    test::ScriptRunner lua;
    lua_register(lua.state(), "probe", hostFunction<probe>);
    try {
        lua.run("\nprobe()");
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "lua::math3d error at probe file:=test line:2\n");
    }

    // Called straight from the host there is no name and no script line.
    lua_State* L = lua.state();
    lua_getglobal(L, "vector2");
    lua_getfield(L, -1, "add");
    ASSERT_NE(lua_pcall(L, 0, 0, 0), 0);
    lua_pop(L, 2);
    try {
        std::rethrow_exception(takeCarriedException());
    } catch (const Error& e) {
        EXPECT_EQ(e.what(), report("(null)", 0, "引数が2つではない", "=?"));
    }

    // A source name longer than the report's buffer is cut, not overrun.
    try {
        lua.run("vector2.add(1)", "=" + std::string(2000, 'x'));
        FAIL();
    } catch (const Error& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.size(), 1023u);
        EXPECT_EQ(text.rfind("lua::math3d error at add file:=xxx", 0), 0u);
    }
}

TEST(RaiseMath3dError, IsNoLuaErrorAndValuesHaveNoFields) {
    // The colon syntax fails in the interpreter itself: a value is a bare light userdata.
    const std::string colon = errorOf("v = vector2.new(1, 2)\nv:norm()");
    EXPECT_EQ(colon.rfind("Lua error: ", 0), 0u) << colon;
    EXPECT_NE(colon.find("attempt to index"), std::string::npos) << colon;
    EXPECT_NE(errorOf("v = vector2.new(1, 2)\nx = v.x").find("attempt to index"),
              std::string::npos);
}

// Values carry no type; what a function reads or writes through one must still lie inside an
// arena block, or the call fails with the function's user-data message.
TEST(ValueGuard, RefusesWhatIsNoValueOrRunsPastItsBlock) {
    EXPECT_EQ(errorOf("vector2.new(5)"), report("new", 1, "引数はユーザーデータである必要がある"));
    EXPECT_EQ(errorOf("vector3.split('x')"),
              report("split", 1, "引数はユーザーデータである必要がある"));
    EXPECT_EQ(errorOf("vector4.split()"),
              report("split", 1, "引数はユーザーデータである必要がある"));
    EXPECT_EQ(errorOf("matrix44.new(true)"),
              report("new", 1, "引数はユーザーデータである必要がある"));

    test::ScriptRunner lua;
    lua_State* L = lua.state();
    float elsewhere[16] = {};
    lua_pushlightuserdata(L, elsewhere);
    lua_setglobal(L, "foreign");
    lua_newuserdata(L, 64);
    lua_setglobal(L, "full");
    const std::pair<const char*, std::string> calls[] = {
        {"vector3.norm(foreign)", report("norm", 1, "引数はユーザーデータである必要がある")},
        {"vector2.get_y(foreign)", report("get_y", 1, "引数はユーザデータである必要がある")},
        {"vector2.set_x(foreign, 1)",
         report("set_x", 1, "第1引数はユーザーデータ、第2引数は実数である必要がある")},
        {"matrix44.identity(foreign)",
         report("identity", 1, "引数はユーザーデータである必要がある")},
        {"vector2.new(full)", report("new", 1, "引数はユーザーデータである必要がある")},
        {"matrix33.scale(matrix33.new(), full)",
         report("scale", 1, "2つめ以降の引数は、1つのベクトルか、3つの実数である必要がある")},
    };
    for (const auto& [call, expected] : calls) {
        try {
            lua.run(call);
            ADD_FAILURE() << call << " went through";
        } catch (const Error& e) {
            EXPECT_EQ(e.what(), expected) << call;
        }
    }
    for (float f : elsewhere) EXPECT_EQ(f, 0.0f);
}

TEST(ValueGuard, ChecksTheBytesTheFunctionUsesAgainstTheBlockEnd) {
    test::ScriptRunner lua;
    // v takes the last 8 bytes of the current block; w has room after it.
    lua.run(R"(
        math3d.resize(math3d.capacity() - 8)
        v = vector2.new(3, 0)
        math3d.resize(0)
        -- The floats of diag(2, 4, 8, 16), column after column.
        w = vector2.new(2, 0)
        vector2.new(0, 0)
        vector2.new(0, 4)
        vector2.new(0, 0)
        vector2.new(0, 0)
        vector2.new(8, 0)
        vector2.new(0, 0)
        last = vector2.new(0, 16)
        vector2.set_y(v, 4)
        y = vector2.get_y(v)
        n = vector2.norm(v)
        matrix44.invert(w)
    )");
    EXPECT_EQ(lua.number("y"), 4);
    EXPECT_EQ(lua.number("n"), 5);
    EXPECT_EQ(lua.floats("w", 2), (std::vector<float>{0.5f, 0.0f}));
    EXPECT_EQ(lua.floats("last", 2), (std::vector<float>{0.0f, 0.0625f}));

    const std::uint32_t size = ValueArena::instance().size();
    const std::pair<const char*, std::string> calls[] = {
        {"vector3.norm(v)", report("norm", 1, "引数はユーザーデータである必要がある")},
        {"vector3.get_z(v)", report("get_z", 1, "引数はユーザデータである必要がある")},
        {"vector3.add(w, v)", report("add", 1, "引数は2つともユーザーデータである必要がある")},
        {"vector4.mul(v, 2)",
         report("mul", 1,
                "第1引数はユーザーデータ、第2引数は実数かユーザーデータである必要がある")},
        {"matrix44.invert(v)", report("invert", 1, "引数はユーザーデータである必要がある")},
        {"matrix33.rotateA(matrix33.new(), v, 10)",
         report("rotateA", 1, "第1引数と第2引数はユーザーデータ、第3引数は実数である必要がある")},
        {"matrix44.translate(v, 1, 2, 3)",
         report("translate", 1, "1つ目の引数はユーザーデータである必要がある")},
    };
    for (const auto& [call, expected] : calls) {
        try {
            lua.run(call);
            ADD_FAILURE() << call << " went through";
        } catch (const Error& e) {
            EXPECT_EQ(e.what(), expected) << call;
        }
    }
    // Only the matrix33.new of the rotateA call was allocated: a failed check takes nothing.
    EXPECT_EQ(ValueArena::instance().size(), size + 36);
    EXPECT_EQ(lua.floats("v", 2), (std::vector<float>{3, 4}));
}

}  // namespace
}  // namespace kvr
