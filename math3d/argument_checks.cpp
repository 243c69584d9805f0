// The argument checks and accessors every math3d function is built from.
#include "math3d/argument_checks.h"

#include <cstdint>
#include <limits>

#include "math3d/math3d.h"
#include "math3d/value_arena.h"
#include "timeline/error.h"

namespace kvr::math3d {

void checkCount(lua_State* L, int count, const char* message) {
    if (lua_gettop(L) != count) raise_math3d_error(L, message);
}

void checkAtLeast(lua_State* L, int count, const char* message) {
    if (lua_gettop(L) < count) raise_math3d_error(L, message);
}

void checkKinds(lua_State* L, bool passed, const char* message) {
    if (!passed) raise_math3d_error(L, message);
}

float* toValue(lua_State* L, int index, std::size_t floats, const char* message) {
    void* p = lua_touserdata(L, index);
    const bool aligned = reinterpret_cast<std::uintptr_t>(p) % alignof(float) == 0;
    if (p == nullptr || !aligned || !ValueArena::instance().contains(p, floats * sizeof(float))) {
        raise_math3d_error(L, message);
    }
    return static_cast<float*>(p);
}

float toFloat(lua_State* L, int index) {
    const double number = lua_tonumber(L, index);
    // Narrowing a double that rounds beyond float's range is undefined in C++; give the
    // infinity IEEE rounding would give.
    constexpr double overflow = 0x1.ffffffp127;
    if (number >= overflow) return std::numeric_limits<float>::infinity();
    if (number <= -overflow) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(number);
}

float* newValue(lua_State* L, std::size_t floats) {
    try {
        return static_cast<float*>(
            ValueArena::instance().allocate(static_cast<std::uint32_t>(floats * sizeof(float))));
    } catch (const Error& e) {
        raise_math3d_error(L, e.what());
    }
}

}  // namespace kvr::math3d
