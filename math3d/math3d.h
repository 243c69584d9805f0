// The math3d library as a Lua state sees it: registration and the error report.
#pragma once

struct lua_State;

namespace kvr {

// Creates the seven global tables math3d, vector2, vector3, vector4, matrix22, matrix33, matrix44.
void register_math3d(lua_State* L);

// Throws kvr::Error naming the calling function, the script's source and line; detail may be null.
[[noreturn]] void raise_math3d_error(lua_State* L, const char* detail);

}  // namespace kvr
