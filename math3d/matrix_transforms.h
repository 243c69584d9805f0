// The in-place transforms of the matrix tables: scaling, rotations, translation and aim_vector.
#pragma once

#include <lua.hpp>

namespace kvr::math3d {

// Each one post-multiplies its matrix (M = M·T) and returns it. N is 3 or 4.
int scaleMatrix22(lua_State* L);
int rotateMatrix22(lua_State* L);
template <int N>
int scaleMatrix(lua_State* L);
template <int N>
int rotateMatrix(lua_State* L);
int translateMatrix44(lua_State* L);
// Axis 0, 1, 2: rotateX, rotateY, rotateZ.
template <int N, int Axis>
int rotateAboutAxis(lua_State* L);
template <int N>
int rotateA(lua_State* L);
template <int N>
int aimVector(lua_State* L);

}  // namespace kvr::math3d
