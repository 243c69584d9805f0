// The vector2, vector3 and vector4 tables: results, in-place changes and argument checks.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "math3d/value_arena.h"
#include "tests/math3d/script_runner.h"
#include "timeline/error.h"

namespace kvr {
namespace {

using Floats = std::vector<float>;
using test::errorOf;
using test::report;

TEST(VectorNew, ChoosesItsContentsByTheArgumentCount) {
    test::ScriptRunner lua;
    lua.run(R"(
        a = vector2.new()
        b = vector2.new(1, 2, 3)
        c = vector2.new(1, 2)
        d = vector2.new(c)
        e = vector3.new(1, 2)
        f = vector3.new(1, "2", "x")
        g = vector4.new()
        h = vector4.new(1, 2)
        i = vector4.new(1, 2, 3)
        j = vector4.new(1, 2, 3, 4)
        k = vector4.new(1, 2, 3, 4, 5)
        l = vector4.new(j)
        x2, y2 = vector2.split(c)
        x4, y4, z4, w4 = vector4.split(j)
        tenth = vector2.new(0.1, 0)
        tenthX = vector2.get_x(tenth)
    )");
    EXPECT_EQ(lua.floats("a", 2), (Floats{0, 0}));
    EXPECT_EQ(lua.floats("b", 2), (Floats{0, 0}));
    EXPECT_EQ(lua.floats("c", 2), (Floats{1, 2}));
    EXPECT_EQ(lua.floats("d", 2), (Floats{1, 2}));
    EXPECT_NE(lua.address("d"), lua.address("c"));
    EXPECT_EQ(lua.floats("e", 3), (Floats{0, 0, 0}));
    EXPECT_EQ(lua.floats("f", 3), (Floats{1, 2, 0}));
    EXPECT_EQ(lua.floats("g", 4), (Floats{0, 0, 0, 1}));
    EXPECT_EQ(lua.floats("h", 4), (Floats{0, 0, 0, 1}));
    EXPECT_EQ(lua.floats("i", 4), (Floats{1, 2, 3, 1}));
    EXPECT_EQ(lua.floats("j", 4), (Floats{1, 2, 3, 4}));
    EXPECT_EQ(lua.floats("k", 4), (Floats{0, 0, 0, 1}));
    EXPECT_EQ(lua.floats("l", 4), (Floats{1, 2, 3, 4}));
    EXPECT_EQ(lua.number("x2") + lua.number("y2"), 3);
    EXPECT_EQ(lua.number("w4"), 4);
    // Narrowed on storing, not again on reading.
    EXPECT_EQ(lua.number("tenthX"), static_cast<double>(0.1f));
}

TEST(VectorComponents, SettersAndGettersAddressOnePosition) {
    test::ScriptRunner lua;
    lua.run(R"(
        v = vector4.new(1, 2, 3, 4)
        vector4.set_x(v, 10)
        vector4.set_w(v, "40")
        vector3.set_z(v, 30)
        y = vector2.get_y(v)
        w = vector4.get_w(v)
        u = vector3.new(1, 2, 3)
        vector3.assign(u, v)
    )");
    EXPECT_EQ(lua.floats("v", 4), (Floats{10, 2, 30, 40}));
    EXPECT_EQ(lua.number("y"), 2);
    EXPECT_EQ(lua.number("w"), 40);
    EXPECT_EQ(lua.floats("u", 3), (Floats{10, 2, 30}));
}

TEST(VectorArithmetic, WorksPerComponentAndVector4GivesWOne) {
    test::ScriptRunner lua;
    lua.run(R"(
        a = vector4.new(1, 2, 3, 5)
        b = vector4.new(1, 1, 1, 7)
        sum = vector4.add(a, b)
        difference = vector4.sub(a, b)
        scaled = vector4.mul(a, 2)
        product = vector3.mul(vector3.new(1, 2, 3), vector3.new(4, 5, 6))
        byString = vector2.mul(vector2.new(1, 2), "2")
        quotient = vector2.div(vector2.new(1, 6), vector2.new(4, 3))
        third = vector3.div(vector3.new(5, 7, 10), 3)
        infinite = vector2.div(vector2.new(1, -2), 0)
        undefined = vector2.div(vector2.new(0, 1), vector2.new(0, 1))
    )");
    EXPECT_EQ(lua.floats("sum", 4), (Floats{2, 3, 4, 1}));
    EXPECT_EQ(lua.floats("difference", 4), (Floats{0, 1, 2, 1}));
    EXPECT_EQ(lua.floats("scaled", 4), (Floats{2, 4, 6, 1}));
    EXPECT_EQ(lua.floats("product", 3), (Floats{4, 10, 18}));
    EXPECT_EQ(lua.floats("byString", 2), (Floats{2, 4}));
    EXPECT_EQ(lua.floats("quotient", 2), (Floats{0.25f, 2}));
    // One reciprocal, then products: 5 / 3 and 5 · (1 / 3) differ in the last bit.
    const float r = 1.0f / 3.0f;
    EXPECT_EQ(lua.floats("third", 3), (Floats{5 * r, 7 * r, 10 * r}));
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(lua.floats("infinite", 2), (Floats{inf, -inf}));
    const Floats undefined = lua.floats("undefined", 2);
    EXPECT_TRUE(std::isnan(undefined[0]));
    EXPECT_EQ(undefined[1], 1);
}

TEST(VectorLength, NormNormalizeDotAndCross) {
    test::ScriptRunner lua;
    lua.run(R"(
        n2 = vector2.norm(vector2.new(3, 4))
        n3 = vector3.norm(vector3.new(2, 3, 6))
        n4 = vector4.norm(vector4.new(2, 3, 6, 100))
        v = vector4.new(3, 0, 4, 9)
        same = vector4.normalize(v) == v and 1 or 0
        z = vector2.new(0, 0)
        vector2.normalize(z)
        d2 = vector2.dot(vector2.new(1, 2), vector2.new(3, 4))
        d4 = vector4.dot(vector4.new(1, 2, 3, 4), vector4.new(5, 6, 7, 8))
        c3 = vector3.cross(vector3.new(1, 0, 0), vector3.new(0, 1, 0))
        c4 = vector4.cross(vector4.new(0, 1, 0, 5), vector4.new(1, 0, 0, 5))
        r2 = vector2.norm(vector2.new(1, 1))
        r3 = vector3.norm(vector3.new(1, 1, 1))
        scaled = vector2.new(r2 * 1e7, 0)
        d3 = vector3.dot(vector3.new(0.1, 0.2, 0.3), vector3.new(3, 5, 7))
    )");
    EXPECT_EQ(lua.number("n2"), 5);
    EXPECT_EQ(lua.number("n3"), 7);
    EXPECT_EQ(lua.number("n4"), 7);
    EXPECT_EQ(lua.number("same"), 1);
    EXPECT_EQ(lua.floats("v", 4), (Floats{0.6f, 0, 0.8f, 9}));
    EXPECT_EQ(lua.floats("z", 2), (Floats{0, 0}));
    EXPECT_EQ(lua.number("d2"), 11);
    EXPECT_EQ(lua.number("d4"), 5 + 12 + 21);
    EXPECT_EQ(lua.floats("c3", 3), (Floats{0, 0, 1}));
    EXPECT_EQ(lua.floats("c4", 4), (Floats{0, 0, -1, 1}));
    // Numbers for Lua are not narrowed again: a norm is the double root of the float sum, a dot
    // product the float sum as it is.
    EXPECT_EQ(lua.number("r2"), std::sqrt(2.0));
    EXPECT_EQ(lua.number("r3"), std::sqrt(3.0));
    EXPECT_EQ(lua.floats("scaled", 2), (Floats{14142136, 0}));
    EXPECT_EQ(lua.number("d3"), static_cast<double>(0.1f * 3.0f + 0.2f * 5.0f + 0.3f * 7.0f));
}

// Each row: the call on line 2 after a line that makes a2, a3 and a4, and what it reports.
struct BadCall {
    const char* call;
    const char* name;
    const char* message;
};

TEST(VectorChecks, FirstFailingCheckReportsItsMessage) {
    const char* not1 = "引数が1つではない";
    const char* not2 = "引数が2つではない";
    const char* userdata = "引数はユーザーデータである必要がある";
    const char* userdataAlt = "引数はユーザデータである必要がある";
    const char* both = "引数は2つともユーザーデータである必要がある";
    const char* real = "第1引数はユーザーデータ、第2引数は実数である必要がある";
    const char* realOrUserdata =
        "第1引数はユーザーデータ、第2引数は実数かユーザーデータである必要がある";
    const BadCall calls[] = {
        {"vector2.assign(a2)", "assign", not2},
        {"vector4.assign(a4, {})", "assign", both},
        {"vector3.set_y(a3)", "set_y", not2},
        {"vector3.set_y(a3, 'x')", "set_y", real},
        {"vector4.set_w(4, a4)", "set_w", real},
        {"vector3.get_x(a3, 1)", "get_x", not1},
        {"vector3.get_x(5)", "get_x", userdataAlt},
        {"vector4.get_w('a4')", "get_w", userdataAlt},
        {"vector2.add(a2)", "add", not2},
        {"vector2.add(a2, a2, a2)", "add", not2},
        {"vector3.sub(a3, 1)", "sub", both},
        {"vector2.mul(2, a2)", "mul", realOrUserdata},
        {"vector2.mul(a2, 'two')", "mul", realOrUserdata},
        {"vector4.div(a4)", "div", not2},
        {"vector3.norm(5)", "norm", userdata},
        {"vector3.norm()", "norm", not1},
        {"vector2.normalize(nil)", "normalize", userdata},
        {"vector4.dot(a4, nil)", "dot", both},
        {"vector3.cross(a3)", "cross", not2},
        {"vector4.cross(a4, 1)", "cross", both},
    };
    for (const BadCall& bad : calls) {
        const std::string chunk =
            "a2, a3, a4 = vector2.new(), vector3.new(), vector4.new()\n" + std::string(bad.call);
        EXPECT_EQ(errorOf(chunk), report(bad.name, 2, bad.message)) << bad.call;
    }
}

TEST(VectorChecks, AFailedCallAllocatesAndChangesNothing) {
    test::ScriptRunner lua;
    lua.run("a = vector3.new(1, 2, 3)");
    const std::uint32_t size = ValueArena::instance().size();
    for (const char* call : {"vector3.add(a, 1)", "vector3.mul(a, 'x')", "vector3.cross(a)",
                             "vector3.set_x(a, 'x')"}) {
        EXPECT_THROW(lua.run(call), Error) << call;
    }
    EXPECT_EQ(ValueArena::instance().size(), size);
    EXPECT_EQ(lua.floats("a", 3), (Floats{1, 2, 3}));
}

}  // namespace
}  // namespace kvr
