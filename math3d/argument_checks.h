// The argument checks and accessors every math3d function is built from.
#pragma once

#include <cstddef>

#include <lua.hpp>

namespace kvr::math3d {

// Each check raises its message through raise_math3d_error when it fails; none of them returns
// then, so a function's checks run in the order it calls them and the first failure wins.
void checkCount(lua_State* L, int count, const char* message);
void checkAtLeast(lua_State* L, int count, const char* message);
void checkKinds(lua_State* L, bool passed, const char* message);

inline bool isValue(lua_State* L, int index) {
    return lua_type(L, index) == LUA_TLIGHTUSERDATA;
}
inline bool isNumber(lua_State* L, int index) {
    return lua_isnumber(L, index) != 0;
}

// The first of the floats of the value at index. Values carry no type, so the only guard is
// that all the floats the caller will touch lie inside one arena block; else message is raised.
float* toValue(lua_State* L, int index, std::size_t floats, const char* message);

// The number at index narrowed to float; anything that is not a number reads as 0.
float toFloat(lua_State* L, int index);

// A fresh value of the given number of floats from the process-wide arena. An arena that
// refuses is reported like a bad call, with the script's file and line.
float* newValue(lua_State* L, std::size_t floats);

// Pushes a value as the light userdata scripts hold; returns the result count, 1.
inline int pushValue(lua_State* L, float* value) {
    lua_pushlightuserdata(L, value);
    return 1;
}

}  // namespace kvr::math3d
