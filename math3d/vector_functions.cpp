// The vector2, vector3 and vector4 tables: construction, component access and arithmetic.
#include "math3d/vector_functions.h"

#include <cmath>

#include "math3d/function_table.h"
#include "math3d/host_boundary.h"

namespace kvr::math3d {

namespace {

namespace msg = message;

// Most functions are written once for a vector of Stored floats of which the first Used take
// part; vector4 stores four but computes with x, y and z and gives its results w = 1.

template <int Stored>
int pushNew(lua_State* L, const float (&components)[4]) {
    float* value = newValue(L, Stored);
    for (int i = 0; i < Stored; ++i) value[i] = components[i];
    return pushValue(L, value);
}

// vector2 and vector3: a copy of one value, the components from exactly Stored numbers, or zero.
template <int Stored>
int newVector(lua_State* L) {
    float components[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    const int count = lua_gettop(L);
    if (count == 1) {
        const float* source = toValue(L, 1, Stored, msg::ArgUserdata);
        for (int i = 0; i < Stored; ++i) components[i] = source[i];
    } else if (count == Stored) {
        for (int i = 0; i < Stored; ++i) components[i] = toFloat(L, i + 1);
    }
    return pushNew<Stored>(L, components);
}

// vector4 is a point unless told otherwise: w defaults to 1.
int newVector4(lua_State* L) {
    float components[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const int count = lua_gettop(L);
    if (count == 1) {
        const float* source = toValue(L, 1, 4, msg::ArgUserdata);
        for (int i = 0; i < 4; ++i) components[i] = source[i];
    } else if (count == 3 || count == 4) {
        for (int i = 0; i < count; ++i) components[i] = toFloat(L, i + 1);
    }
    return pushNew<4>(L, components);
}

template <int Stored>
int split(lua_State* L) {
    const float* value = toValue(L, 1, Stored, msg::ArgUserdata);
    for (int i = 0; i < Stored; ++i) lua_pushnumber(L, value[i]);
    return Stored;
}

// One setter and one getter per position, shared by every table that has that component.
template <int Index>
int setComponent(lua_State* L) {
    checkCount(L, 2, msg::ArgsNot2);
    checkKinds(L, isValue(L, 1) && isNumber(L, 2), msg::UserdataReal);
    float* value = toValue(L, 1, Index + 1, msg::UserdataReal);
    value[Index] = toFloat(L, 2);
    return 0;
}

template <int Index>
int getComponent(lua_State* L) {
    checkCount(L, 1, msg::ArgsNot1);
    checkKinds(L, isValue(L, 1), msg::ArgUserdataAlt);
    const float* value = toValue(L, 1, Index + 1, msg::ArgUserdataAlt);
    lua_pushnumber(L, value[Index]);
    return 1;
}

struct Plus {
    float operator()(float a, float b) const { return a + b; }
};
struct Minus {
    float operator()(float a, float b) const { return a - b; }
};

template <int Stored, int Used, typename Operation>
int combine(lua_State* L) {
    checkCount(L, 2, msg::ArgsNot2);
    checkKinds(L, isValue(L, 1) && isValue(L, 2), msg::BothUserdata);
    const float* a = toValue(L, 1, Used, msg::BothUserdata);
    const float* b = toValue(L, 2, Used, msg::BothUserdata);
    float result[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    for (int i = 0; i < Used; ++i) result[i] = Operation()(a[i], b[i]);
    return pushNew<Stored>(L, result);
}

// mul and div take a vector or a number second; a numeric string counts as a number.
template <int Stored, int Used, bool Divide>
int scaleBy(lua_State* L) {
    checkCount(L, 2, msg::ArgsNot2);
    checkKinds(L, isValue(L, 1) && (isValue(L, 2) || isNumber(L, 2)), msg::UserdataRealOrUserdata);
    const float* a = toValue(L, 1, Used, msg::UserdataRealOrUserdata);
    float result[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    if (isNumber(L, 2)) {
        const float s = toFloat(L, 2);
        // Division multiplies by one reciprocal, so x / 0 gives the signed infinity and 0 / 0
        // not-a-number, unguarded.
        const float factor = Divide ? 1.0f / s : s;
        for (int i = 0; i < Used; ++i) result[i] = a[i] * factor;
    } else {
        const float* b = toValue(L, 2, Used, msg::UserdataRealOrUserdata);
        for (int i = 0; i < Used; ++i) result[i] = Divide ? a[i] / b[i] : a[i] * b[i];
    }
    return pushNew<Stored>(L, result);
}

template <int Used>
float squaredLength(const float* v) {
    float sum = 0.0f;
    for (int i = 0; i < Used; ++i) sum += v[i] * v[i];
    return sum;
}

template <int Used>
float length(const float* v) {
    return std::sqrt(squaredLength<Used>(v));
}

template <int Used>
int norm(lua_State* L) {
    checkCount(L, 1, msg::ArgsNot1);
    checkKinds(L, isValue(L, 1), msg::ArgUserdata);
    // The root is taken in double: a number handed to Lua is not narrowed to float again.
    const float sum = squaredLength<Used>(toValue(L, 1, Used, msg::ArgUserdata));
    lua_pushnumber(L, std::sqrt(static_cast<double>(sum)));
    return 1;
}

template <int Used>
int normalize(lua_State* L) {
    checkCount(L, 1, msg::ArgsNot1);
    checkKinds(L, isValue(L, 1), msg::ArgUserdata);
    float* v = toValue(L, 1, Used, msg::ArgUserdata);
    const float l = length<Used>(v);
    if (l != 0.0f) {
        const float inverse = 1.0f / l;
        for (int i = 0; i < Used; ++i) v[i] *= inverse;
    }
    return pushValue(L, v);
}

template <int Used>
int dot(lua_State* L) {
    checkCount(L, 2, msg::ArgsNot2);
    checkKinds(L, isValue(L, 1) && isValue(L, 2), msg::BothUserdata);
    const float* a = toValue(L, 1, Used, msg::BothUserdata);
    const float* b = toValue(L, 2, Used, msg::BothUserdata);
    float sum = 0.0f;
    for (int i = 0; i < Used; ++i) sum += a[i] * b[i];
    lua_pushnumber(L, sum);
    return 1;
}

template <int Stored>
int cross(lua_State* L) {
    checkCount(L, 2, msg::ArgsNot2);
    checkKinds(L, isValue(L, 1) && isValue(L, 2), msg::BothUserdata);
    const float* a = toValue(L, 1, 3, msg::BothUserdata);
    const float* b = toValue(L, 2, 3, msg::BothUserdata);
    const float result[4] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                             a[0] * b[1] - a[1] * b[0], 1.0f};
    return pushNew<Stored>(L, result);
}

}  // namespace

FunctionTable vector2Table() {
    static const FunctionEntry entries[] = {
        {"new", hostFunction<newVector<2>>},         {"assign", hostFunction<assignFloats<2>>},
        {"split", hostFunction<split<2>>},           {"set_x", hostFunction<setComponent<0>>},
        {"set_y", hostFunction<setComponent<1>>},    {"get_x", hostFunction<getComponent<0>>},
        {"get_y", hostFunction<getComponent<1>>},    {"add", hostFunction<combine<2, 2, Plus>>},
        {"sub", hostFunction<combine<2, 2, Minus>>}, {"mul", hostFunction<scaleBy<2, 2, false>>},
        {"div", hostFunction<scaleBy<2, 2, true>>},  {"norm", hostFunction<norm<2>>},
        {"normalize", hostFunction<normalize<2>>},   {"dot", hostFunction<dot<2>>},
    };
    return makeTable("vector2", entries);
}

FunctionTable vector3Table() {
    static const FunctionEntry entries[] = {
        {"new", hostFunction<newVector<3>>},         {"assign", hostFunction<assignFloats<3>>},
        {"split", hostFunction<split<3>>},           {"set_x", hostFunction<setComponent<0>>},
        {"set_y", hostFunction<setComponent<1>>},    {"set_z", hostFunction<setComponent<2>>},
        {"get_x", hostFunction<getComponent<0>>},    {"get_y", hostFunction<getComponent<1>>},
        {"get_z", hostFunction<getComponent<2>>},    {"add", hostFunction<combine<3, 3, Plus>>},
        {"sub", hostFunction<combine<3, 3, Minus>>}, {"mul", hostFunction<scaleBy<3, 3, false>>},
        {"div", hostFunction<scaleBy<3, 3, true>>},  {"norm", hostFunction<norm<3>>},
        {"normalize", hostFunction<normalize<3>>},   {"dot", hostFunction<dot<3>>},
        {"cross", hostFunction<cross<3>>},
    };
    return makeTable("vector3", entries);
}

FunctionTable vector4Table() {
    static const FunctionEntry entries[] = {
        {"new", hostFunction<newVector4>},
        {"assign", hostFunction<assignFloats<4>>},
        {"split", hostFunction<split<4>>},
        {"set_x", hostFunction<setComponent<0>>},
        {"set_y", hostFunction<setComponent<1>>},
        {"set_z", hostFunction<setComponent<2>>},
        {"set_w", hostFunction<setComponent<3>>},
        {"get_x", hostFunction<getComponent<0>>},
        {"get_y", hostFunction<getComponent<1>>},
        {"get_z", hostFunction<getComponent<2>>},
        {"get_w", hostFunction<getComponent<3>>},
        {"add", hostFunction<combine<4, 3, Plus>>},
        {"sub", hostFunction<combine<4, 3, Minus>>},
        {"mul", hostFunction<scaleBy<4, 3, false>>},
        {"div", hostFunction<scaleBy<4, 3, true>>},
        // norm, normalize and dot of vector4 are vector3's: w takes no part.
        {"norm", hostFunction<norm<3>>},
        {"normalize", hostFunction<normalize<3>>},
        {"dot", hostFunction<dot<3>>},
        {"cross", hostFunction<cross<4>>},
    };
    return makeTable("vector4", entries);
}

}  // namespace kvr::math3d
