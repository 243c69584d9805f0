// Pieces of the vector functions that the matrix tables share.
#pragma once

#include <lua.hpp>

#include "math3d/argument_checks.h"
#include "math3d/math3d_messages.h"

namespace kvr::math3d {

// assign(dst, src) for any value of Floats floats. vector4.assign and matrix22.assign are both
// assignFloats<4>: one function under two names.
template <int Floats>
int assignFloats(lua_State* L) {
    checkCount(L, 2, message::ArgsNot2);
    checkKinds(L, isValue(L, 1) && isValue(L, 2), message::BothUserdata);
    float* destination = toValue(L, 1, Floats, message::BothUserdata);
    const float* source = toValue(L, 2, Floats, message::BothUserdata);
    // Values may overlap after a rewind; read everything before writing.
    float copy[Floats];
    for (int i = 0; i < Floats; ++i) copy[i] = source[i];
    for (int i = 0; i < Floats; ++i) destination[i] = copy[i];
    return 0;
}

}  // namespace kvr::math3d
