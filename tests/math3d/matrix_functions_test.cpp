// The matrix22, matrix33 and matrix44 tables: layout, products, inversion, transforms, checks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "math3d/square_matrix.h"
#include "tests/math3d/script_runner.h"

namespace kvr {
namespace {

using Floats = std::vector<float>;
using test::errorOf;
using test::report;

void expectNear(const Floats& actual, const Floats& expected, float tolerance = 1e-5f) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "element " << i;
    }
}

const Floats identity3 = {1, 0, 0, 0, 1, 0, 0, 0, 1};

TEST(MatrixConstants, DegreeFactorsAreTheSinglePrecisionOnes) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &math3d::radiansPerDegree, sizeof bits);
    EXPECT_EQ(bits, 0x3C8EFA2Eu);
    std::memcpy(&bits, &math3d::degreesPerRadian, sizeof bits);
    EXPECT_EQ(bits, 0x42652EECu);
}

TEST(MatrixNew, IdentityUnlessGivenExactlyOneMatrix) {
    test::ScriptRunner lua;
    lua.run(R"(
        a = matrix33.new()
        matrix33.scale(a, 2, 3, 4)
        b = matrix33.new(a)
        c = matrix33.new(1, 2)
        d = matrix22.new()
        matrix22.assign(d, vector4.new(1, 2, 3, 4))
        e = matrix44.new()
        f = matrix44.new(e)
    )");
    EXPECT_EQ(lua.floats("a", 9), (Floats{2, 0, 0, 0, 3, 0, 0, 0, 4}));
    EXPECT_EQ(lua.floats("b", 9), lua.floats("a", 9));
    EXPECT_NE(lua.address("b"), lua.address("a"));
    EXPECT_EQ(lua.floats("c", 9), identity3);
    EXPECT_EQ(lua.floats("d", 4), (Floats{1, 2, 3, 4}));
    EXPECT_EQ(lua.floats("f", 16), (Floats{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
}

TEST(MatrixProducts, AreColumnMajorWithVectorsAsColumns) {
    test::ScriptRunner lua;
    lua.run(R"(
        -- a = [1 3; 2 4] and b = [5 7; 6 8], stored column after column.
        a = matrix22.new()
        matrix22.assign(a, vector4.new(1, 2, 3, 4))
        b = matrix22.new()
        matrix22.assign(b, vector4.new(5, 6, 7, 8))
        ab = matrix22.mul(a, b)
        av = matrix22.mulvec(a, vector2.new(1, 1))

        t = matrix44.translate(matrix44.new(), 1, 2, 3)
        moved = matrix44.mulvec(t, vector4.new(0, 0, 0, 1))
        direction = matrix44.mulvec(t, vector4.new(1, 0, 0, 0))
    )");
    EXPECT_EQ(lua.floats("ab", 4), (Floats{23, 34, 31, 46}));
    EXPECT_EQ(lua.floats("av", 2), (Floats{4, 6}));
    const Floats t = lua.floats("t", 16);
    EXPECT_EQ(Floats(t.begin() + 12, t.end()), (Floats{1, 2, 3, 1}));
    EXPECT_EQ(lua.floats("moved", 4), (Floats{1, 2, 3, 1}));
    EXPECT_EQ(lua.floats("direction", 4), (Floats{1, 0, 0, 0}));
}

TEST(MatrixRotations, TurnCounterClockwiseWithTheDegreeFactorsResidue) {
    test::ScriptRunner lua;
    lua.run(R"(
        z = matrix33.mulvec(matrix33.rotateZ(matrix33.new(), 90), vector3.new(1, 0, 0))
        x = matrix33.mulvec(matrix33.rotateX(matrix33.new(), 90), vector3.new(0, 1, 0))
        y = matrix44.mulvec(matrix44.rotateY(matrix44.new(), 90), vector4.new(0, 0, 1, 1))
        r = matrix22.mulvec(matrix22.rotate(matrix22.new(), 90), vector2.new(1, 0))
        -- Post-multiplied: translate then rotateY rotates a point first, then moves it.
        tr = matrix44.translate(matrix44.new(), 1, 0, 0)
        matrix44.rotateY(tr, 90)
        p = matrix44.mulvec(tr, vector4.new(1, 0, 0, 1))
    )");
    const Floats z = lua.floats("z", 3);
    expectNear(z, {0, 1, 0});
    // cos of 90 degrees through 0.01745328 is about 1.2e-6, not 0.
    EXPECT_GT(z[0], 1e-6f);
    EXPECT_LT(z[0], 1.5e-6f);
    expectNear(lua.floats("x", 3), {0, 0, 1});
    expectNear(lua.floats("y", 4), {1, 0, 0, 1});
    expectNear(lua.floats("r", 2), {0, 1});
    expectNear(lua.floats("p", 4), {1, 0, -1, 1});
}

TEST(MatrixRotations, RotateIsZThenXThenY) {
    test::ScriptRunner lua;
    lua.run(R"(
        onlyZ = matrix33.rotate(matrix33.new(), 0, 0, 35)
        z = matrix33.rotateZ(matrix33.new(), 35)
        angles = matrix44.rotate(matrix44.new(), vector3.new(20, -50, 70), 1, 2, 3)
        steps = matrix44.new()
        matrix44.rotateZ(steps, 70)
        matrix44.rotateX(steps, 20)
        matrix44.rotateY(steps, -50)
        numbers = matrix33.rotate(matrix33.new(), 20, -50, 70)
        byAxis = matrix33.rotateA(matrix33.new(), vector3.new(0, 0, 1), 35)
    )");
    expectNear(lua.floats("onlyZ", 9), lua.floats("z", 9), 0);
    expectNear(lua.floats("angles", 16), lua.floats("steps", 16), 1e-6f);
    const Floats a = lua.floats("angles", 16);
    expectNear(lua.floats("numbers", 9), {a[0], a[1], a[2], a[4], a[5], a[6], a[8], a[9], a[10]},
               0);
    expectNear(lua.floats("byAxis", 9), lua.floats("z", 9), 1e-7f);
}

TEST(MatrixRotations, RotateATakesTheAxisAsGiven) {
    test::ScriptRunner lua;
    lua.run(R"(
        m = matrix33.rotateA(matrix33.new(), vector3.new(0, 0, 2), 90)
        v = matrix33.mulvec(m, vector3.new(1, 0, 0))
        unit = matrix33.rotateA(matrix33.new(), vector3.new(0.6, 0.8, 0), 40)
        w = matrix33.mulvec(unit, vector3.new(0.8, -0.6, 0))
    )");
    // (c + x²t, xyt + zs, xzt − ys) with z = 2: twice the length.
    expectNear(lua.floats("v", 3), {0, 2, 0});
    const Floats w = lua.floats("w", 3);
    EXPECT_NEAR(std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]), 1.0f, 1e-6f);
    EXPECT_NEAR(w[2], -std::sin(40 * 0.01745328f), 1e-6f);
}

TEST(MatrixScale, TakesAVectorOrThreeNumbers) {
    test::ScriptRunner lua;
    lua.run(R"(
        a = matrix33.scale(matrix33.new(), vector3.new(2, 3, 4), 9, 9)
        b = matrix44.scale(matrix44.new(), 2, "3", 4)
        c = matrix22.scale(matrix22.new(), 2, "x")
        d = matrix44.translate(matrix44.new(), "a", "b", "c")
        e = matrix44.translate(matrix44.new(), vector4.new(5, 6, 7, 8))
    )");
    EXPECT_EQ(lua.floats("a", 9), (Floats{2, 0, 0, 0, 3, 0, 0, 0, 4}));
    EXPECT_EQ(lua.floats("b", 16), (Floats{2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1}));
    EXPECT_EQ(lua.floats("c", 4), (Floats{2, 0, 0, 0}));
    EXPECT_EQ(lua.floats("d", 16), (Floats{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
    const Floats e = lua.floats("e", 16);
    EXPECT_EQ(Floats(e.begin() + 12, e.end()), (Floats{5, 6, 7, 1}));
}

TEST(MatrixInvert, GaussJordanWithoutPivotExchange) {
    test::ScriptRunner lua;
    lua.run(R"(
        d = matrix33.scale(matrix33.new(), 2, 4, 8)
        same = matrix33.invert(d) == d and 1 or 0

        m = matrix44.new()
        matrix44.translate(m, 1, -2, 3)
        matrix44.rotate(m, 30, 40, 50)
        matrix44.scale(m, 2, 0.5, 3)
        inverse = matrix44.invert(matrix44.new(m))
        product = matrix44.mul(m, inverse)

        -- [0 1; 1 0] is its own inverse, but its first pivot is 0.
        swap = matrix22.new()
        matrix22.assign(swap, vector4.new(0, 1, 1, 0))
        matrix22.invert(swap)
    )");
    EXPECT_EQ(lua.floats("d", 9), (Floats{0.5f, 0, 0, 0, 0.25f, 0, 0, 0, 0.125f}));
    EXPECT_EQ(lua.number("same"), 1);
    expectNear(lua.floats("product", 16), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    bool anyNonFinite = false;
    for (float f : lua.floats("swap", 4)) anyNonFinite = anyNonFinite || !std::isfinite(f);
    EXPECT_TRUE(anyNonFinite);
}

TEST(MatrixAimVector, TurnsLocalYOntoTheDirectionKeepingXLevel) {
    test::ScriptRunner lua;
    lua.runFile(TLEDIT_FIXTURES "/aim_vector.lua");
    lua_State* L = lua.state();
    auto resultOf = [L](const char* table, int i) {
        lua_getglobal(L, table);
        lua_rawgeti(L, -1, i);
        const auto* p = static_cast<const float*>(lua_touserdata(L, -1));
        lua_pop(L, 2);
        return Floats(p, p + 4);
    };
    lua_getglobal(L, "directions");
    for (int i = 1; i <= 5; ++i) {
        SCOPED_TRACE(i);
        lua_rawgeti(L, -1, i);
        const auto* v = static_cast<const float*>(lua_touserdata(L, -1));
        lua_pop(L, 1);
        const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        expectNear(resultOf("up", i), {v[0] / length, v[1] / length, v[2] / length, 1});
        const Floats side = resultOf("side", i);
        EXPECT_NEAR(side[1], 0, 1e-5f);
        EXPECT_NEAR(std::sqrt(side[0] * side[0] + side[2] * side[2]), 1, 1e-5f);
    }
    lua_pop(L, 1);
    expectNear(resultOf("up", 1), {0.57735f, 0.57735f, 0.57735f, 1});
    expectNear(resultOf("side", 1), {0.70711f, 0, -0.70711f, 1});
}

TEST(MatrixAimVector, StraightUpDownOrNowhere) {
    test::ScriptRunner lua;
    lua.run(R"(
        up = matrix33.aim_vector(matrix33.new(), vector3.new(0, 2, 0))
        down = matrix33.aim_vector(matrix33.new(), vector3.new(0, -1, 0))
        start = matrix44.rotateZ(matrix44.new(), 30)
        before = matrix44.new(start)
        matrix44.aim_vector(start, vector3.new(0, 0, 0))
    )");
    expectNear(lua.floats("up", 9), identity3);
    expectNear(lua.floats("down", 9), {1, 0, 0, 0, -1, 0, 0, 0, -1});
    EXPECT_EQ(lua.floats("start", 16), lua.floats("before", 16));
}

TEST(MatrixChecks, FirstFailingCheckReportsItsMessage) {
    const char* not1 = "引数が1つではない";
    const char* not2 = "引数が2つではない";
    const char* not3 = "引数が3つではない";
    const char* missing = "引数が不足している。";
    const char* userdata = "引数はユーザーデータである必要がある";
    const char* both = "引数は2つともユーザーデータである必要がある";
    const char* first = "1つ目の引数はユーザーデータである必要がある";
    const char* real = "第1引数はユーザーデータ、第2引数は実数である必要がある";
    const char* restReal = "第1引数はユーザーデータ、それ以外は実数である必要がある";
    const char* twoReal = "第1引数と第2引数はユーザーデータ、第3引数は実数である必要がある";
    const char* vectorOrThree = "2つめ以降の引数は、1つのベクトルか、3つの実数である必要がある";
    const struct {
        const char* call;
        const char* name;
        const char* message;
    } calls[] = {
        {"matrix22.new(5)", "new", userdata},
        {"matrix33.assign(m3)", "assign", not2},
        {"matrix44.assign(m4, 1)", "assign", both},
        {"matrix22.mul(m2)", "mul", not2},
        {"matrix33.mulvec(m3, 3)", "mulvec", both},
        {"matrix44.identity(m4, m4)", "identity", not1},
        {"matrix33.identity(3)", "identity", userdata},
        {"matrix22.invert(nil)", "invert", userdata},
        {"matrix22.scale(m2, 2)", "scale", not3},
        {"matrix22.scale(5, 1, 2)", "scale", restReal},
        {"matrix22.rotate(m2, 'x')", "rotate", real},
        {"matrix33.scale(m3)", "scale", missing},
        {"matrix33.scale(5)", "scale", missing},
        {"matrix33.scale(5, 1, 2)", "scale", first},
        {"matrix33.scale(m3, 2, 3)", "scale", vectorOrThree},
        {"matrix44.rotate(m4, 1, 2, 3, 4)", "rotate", vectorOrThree},
        {"matrix44.translate(m4)", "translate", missing},
        {"matrix44.translate(1, v3)", "translate", first},
        {"matrix44.translate(m4, 1, 2)", "translate", vectorOrThree},
        {"matrix33.rotateX(m3)", "rotateX", not2},
        {"matrix44.rotateY(m4, m4)", "rotateY", real},
        {"matrix33.rotateZ('m', 1)", "rotateZ", real},
        {"matrix44.rotateA(m4, v3)", "rotateA", not3},
        {"matrix33.rotateA(m3, 5, 30)", "rotateA", twoReal},
        {"matrix33.rotateA(m3, v3, 'x')", "rotateA", twoReal},
        {"matrix44.aim_vector(m4)", "aim_vector", not2},
        {"matrix33.aim_vector(m3, 1)", "aim_vector", both},
    };
    for (const auto& bad : calls) {
        const std::string chunk =
            "m2, m3, m4, v3 = matrix22.new(), matrix33.new(), matrix44.new(), vector3.new()\n" +
            std::string(bad.call);
        EXPECT_EQ(errorOf(chunk), report(bad.name, 2, bad.message)) << bad.call;
    }
}

}  // namespace
}  // namespace kvr
