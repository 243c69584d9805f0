// The value arena: block growth, rewinding, reserving and refused requests, directly and from Lua.
#include "math3d/value_arena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "tests/math3d/script_runner.h"
#include "timeline/error.h"

namespace kvr {
namespace {

TEST(ValueArena, StartsWithOneEmptyBlockOf65536Bytes) {
    ValueArena arena;
    EXPECT_EQ(arena.size(), 0u);
    EXPECT_EQ(arena.capacity(), 65536u);
    auto* first = static_cast<unsigned char*>(arena.allocate(8));
    auto* second = static_cast<unsigned char*>(arena.allocate(12));
    EXPECT_EQ(second, first + 8);
    EXPECT_EQ(arena.size(), 20u);
}

TEST(ValueArena, AllocationPastTheEndOpensADoubledBlock) {
    ValueArena arena;
    arena.resize(65532);
    auto* last = static_cast<unsigned char*>(arena.allocate(4));
    EXPECT_EQ(arena.size(), 65536u);
    void* value = arena.allocate(12);
    EXPECT_EQ(arena.capacity(), 131072u);
    EXPECT_EQ(arena.size(), 12u);
    EXPECT_TRUE(arena.contains(value, 12));
    // The old block stays valid and reachable.
    EXPECT_TRUE(arena.contains(last, 4));

    ValueArena small(4);
    small.allocate(4);
    small.allocate(20);  // 4 + 20 needs a doubling to 32.
    EXPECT_EQ(small.capacity(), 32u);

    ValueArena empty(0);
    EXPECT_EQ(empty.capacity(), 0u);
    empty.allocate(12);
    EXPECT_EQ(empty.capacity(), 16u);
    EXPECT_EQ(empty.size(), 12u);
}

TEST(ValueArena, ResizeRewindsOrStartsAnEmptyBlock) {
    ValueArena arena;
    void* first = arena.allocate(8);
    void* second = arena.allocate(8);
    arena.resize(8);
    EXPECT_EQ(arena.allocate(8), second);
    arena.resize(0);
    EXPECT_EQ(arena.allocate(8), first);

    arena.resize(70000);
    EXPECT_EQ(arena.capacity(), 131072u);
    EXPECT_EQ(arena.size(), 0u);

    // Counts are rounded up so that later values stay aligned for floats.
    arena.resize(10);
    EXPECT_EQ(arena.size(), 12u);
}

TEST(ValueArena, ReserveGrowsOnlyWhenShort) {
    ValueArena arena;
    arena.allocate(16);
    arena.reserve(100);
    EXPECT_EQ(arena.size(), 16u);
    EXPECT_EQ(arena.capacity(), 65536u);
    arena.reserve(100000);
    EXPECT_EQ(arena.size(), 0u);
    EXPECT_EQ(arena.capacity(), 100000u);
}

TEST(ValueArena, RefusesRequestsItCannotMeet) {
    ValueArena arena;
    const std::uint32_t half = std::uint32_t{1} << 31;
    EXPECT_THROW(arena.allocate(half), Error);
    EXPECT_THROW(arena.reserve(half), Error);
    EXPECT_THROW(arena.resize(0xFFFFFFFFu), Error);
    EXPECT_THROW(arena.resize(half - 1), Error);  // Rounds up to 2^31.
    try {
        arena.reserve(0xFFFFFFFFu);
        FAIL() << "reserve accepted 2^32 - 1";
    } catch (const Error& e) {
        EXPECT_NE(std::strstr(e.what(), "4294967295"), nullptr) << e.what();
    }
    // A refusal leaves the arena as it was.
    EXPECT_EQ(arena.size(), 0u);
    EXPECT_EQ(arena.capacity(), 65536u);

    // Reaching 2^31 by doubling is allowed once, not a doubling beyond it.
    ValueArena big(std::uint32_t{1} << 30);
    big.resize((std::uint32_t{1} << 30) - 4);
    EXPECT_THROW(big.allocate((std::uint32_t{1} << 30) + 8), Error);
    EXPECT_EQ(big.capacity(), std::uint32_t{1} << 30);
}

TEST(ValueArena, ContainsOnlyBytesInsideOneBlock) {
    ValueArena arena(64);
    auto* a = static_cast<unsigned char*>(arena.allocate(64));
    auto* b = static_cast<unsigned char*>(arena.allocate(8));
    arena.reserve(4096);
    auto* c = static_cast<unsigned char*>(arena.allocate(8));
    EXPECT_TRUE(arena.contains(a, 64));
    EXPECT_TRUE(arena.contains(a + 56, 8));
    EXPECT_FALSE(arena.contains(a + 60, 8));
    EXPECT_FALSE(arena.contains(a - 4, 8));
    EXPECT_TRUE(arena.contains(b + 120, 8));  // Beyond size but inside the 128-byte block.
    EXPECT_FALSE(arena.contains(b + 124, 8));
    EXPECT_TRUE(arena.contains(c + 4088, 8));
    EXPECT_FALSE(arena.contains(c, 4097));
    int elsewhere = 0;
    EXPECT_FALSE(arena.contains(&elsewhere, sizeof elsewhere));
    EXPECT_FALSE(arena.contains(nullptr, 4));
}

// From Lua. The process-wide arena is shared by every test here, so each starts by rewinding
// and works relative to the capacity it finds.
TEST(Math3dStorage, SizeCountsValuesAndResizeRewinds) {
    test::ScriptRunner lua;
    lua.run(R"(
        math3d.resize()
        before = math3d.size()
        a = vector2.new(1, 1)
        b = vector2.new(2, 2)
        c = vector2.new(3, 3)
        three = math3d.size()
        math3d.resize(8)
        d = vector2.new(5, 6)
        same = d == b
        local p, q = vector3.new(), vector3.new()
        local s0 = math3d.size()
        vector3.add(p, q)
        addGrowth = math3d.size() - s0
        vector3.assign(p, q)
        assignGrowth = math3d.size() - s0 - addGrowth
        math3d.resize(1, 2, 3, 6)
        rounded = math3d.size()
        math3d.resize(0)
    )");
    EXPECT_EQ(lua.number("before"), 0);
    EXPECT_EQ(lua.number("three"), 24);
    EXPECT_EQ(lua.address("d"), lua.address("b"));
    EXPECT_EQ(lua.floats("b", 2), (std::vector<float>{5, 6}));
    EXPECT_EQ(lua.number("addGrowth"), 12);
    EXPECT_EQ(lua.number("assignGrowth"), 0);
    EXPECT_EQ(lua.number("rounded"), 8);  // The last argument counts, rounded up.
}

TEST(Math3dStorage, GrowthAndReserveKeepEarlierValues) {
    test::ScriptRunner lua;
    lua.run(R"(
        math3d.resize(0)
        kept = vector2.new(7, 8)
        cap = math3d.capacity()
        math3d.resize(cap - 4)
        mark = math3d.size()
        v = vector3.new(1, 2, 3)
        grownCap, grownSize = math3d.capacity(), math3d.size()
        math3d.resize(mark)
        rewoundSize = math3d.size()

        math3d.reserve(100)
        afterSmall = math3d.capacity()
        math3d.reserve(math3d.capacity() + 100.9)
        reservedCap, reservedSize = math3d.capacity(), math3d.size()

        math3d.resize(math3d.capacity() + 4)
        resizedCap, resizedSize = math3d.capacity(), math3d.size()
        math3d.resize(0)
    )");
    const double cap = lua.number("cap");
    EXPECT_EQ(lua.number("grownCap"), 2 * cap);
    EXPECT_EQ(lua.number("grownSize"), 12);
    // The mark applies to the new block; the value made before it lies in the old one.
    EXPECT_EQ(lua.number("rewoundSize"), cap - 4);
    EXPECT_EQ(lua.floats("kept", 2), (std::vector<float>{7, 8}));
    EXPECT_EQ(lua.floats("v", 3), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(lua.number("afterSmall"), 2 * cap);
    EXPECT_EQ(lua.number("reservedCap"), 2 * cap + 100);
    EXPECT_EQ(lua.number("reservedSize"), 0);
    EXPECT_EQ(lua.number("resizedCap"), 4 * cap + 200);
    EXPECT_EQ(lua.number("resizedSize"), 0);
}

TEST(Math3dStorage, NegativeAndHugeCountsAreRefused) {
    for (const char* call :
         {"math3d.resize(-5)", "math3d.reserve(-1)", "math3d.resize(2^32)", "math3d.reserve(2^31)",
          "math3d.resize(1e300)", "math3d.resize(0/0)"}) {
        const std::string error = test::errorOf(call);
        EXPECT_EQ(error.rfind("lua::math3d error at ", 0), 0u) << call << ": " << error;
        EXPECT_NE(error.find("value arena"), std::string::npos) << call << ": " << error;
    }
    // Truncation toward zero makes -0.5 a count of 0, not a negative one.
    EXPECT_EQ(test::errorOf("math3d.resize(-0.5)"), "no error");
}

}  // namespace
}  // namespace kvr
