// The matrix22, matrix33 and matrix44 tables: construction, copying, products and inversion.
#include "math3d/argument_checks.h"
#include "math3d/function_table.h"
#include "math3d/host_boundary.h"
#include "math3d/math3d_messages.h"
#include "math3d/matrix_transforms.h"
#include "math3d/square_matrix.h"
#include "math3d/vector_functions.h"

namespace kvr::math3d {

namespace {

namespace msg = message;

// A copy of exactly one argument; every other count gives the identity.
template <int N>
int newMatrix(lua_State* L) {
    SquareMatrix<N> m = SquareMatrix<N>::identity();
    if (lua_gettop(L) == 1) m = SquareMatrix<N>::load(toValue(L, 1, N * N, msg::ArgUserdata));
    float* value = newValue(L, N * N);
    m.store(value);
    return pushValue(L, value);
}

template <int N>
int multiply(lua_State* L) {
    checkCount(L, 2, msg::ArgsNot2);
    checkKinds(L, isValue(L, 1) && isValue(L, 2), msg::BothUserdata);
    const SquareMatrix<N> a = SquareMatrix<N>::load(toValue(L, 1, N * N, msg::BothUserdata));
    const SquareMatrix<N> b = SquareMatrix<N>::load(toValue(L, 2, N * N, msg::BothUserdata));
    float* value = newValue(L, N * N);
    (a * b).store(value);
    return pushValue(L, value);
}

template <int N>
int multiplyVector(lua_State* L) {
    checkCount(L, 2, msg::ArgsNot2);
    checkKinds(L, isValue(L, 1) && isValue(L, 2), msg::BothUserdata);
    const SquareMatrix<N> m = SquareMatrix<N>::load(toValue(L, 1, N * N, msg::BothUserdata));
    const float* v = toValue(L, 2, N, msg::BothUserdata);
    float product[N];
    for (int r = 0; r < N; ++r) {
        float sum = 0.0f;
        for (int k = 0; k < N; ++k) sum += m.at(r, k) * v[k];
        product[r] = sum;
    }
    float* value = newValue(L, N);
    for (int r = 0; r < N; ++r) value[r] = product[r];
    return pushValue(L, value);
}

template <int N>
int identity(lua_State* L) {
    checkCount(L, 1, msg::ArgsNot1);
    checkKinds(L, isValue(L, 1), msg::ArgUserdata);
    float* m = toValue(L, 1, N * N, msg::ArgUserdata);
    SquareMatrix<N>::identity().store(m);
    return pushValue(L, m);
}

// Gauss–Jordan in place with the pivots on the diagonal, in order, never exchanged. A zero
// pivot is not looked for: it turns elements into infinities or not-a-number.
template <int N>
int invert(lua_State* L) {
    checkCount(L, 1, msg::ArgsNot1);
    checkKinds(L, isValue(L, 1), msg::ArgUserdata);
    float* stored = toValue(L, 1, N * N, msg::ArgUserdata);
    SquareMatrix<N> m = SquareMatrix<N>::load(stored);
    for (int i = 0; i < N; ++i) {
        const float pivot = m.at(i, i);
        m.at(i, i) = 1.0f;
        const float reciprocal = 1.0f / pivot;
        for (int k = 0; k < N; ++k) m.at(k, i) *= reciprocal;
        for (int j = 0; j < N; ++j) {
            if (j == i) continue;
            const float d = m.at(i, j);
            m.at(i, j) = 0.0f;
            for (int k = 0; k < N; ++k) m.at(k, j) -= d * m.at(k, i);
        }
    }
    m.store(stored);
    return pushValue(L, stored);
}

}  // namespace

FunctionTable matrix22Table() {
    static const FunctionEntry entries[] = {
        // The same function as vector4.assign: both copy four floats.
        {"new", hostFunction<newMatrix<2>>},     {"assign", hostFunction<assignFloats<4>>},
        {"mul", hostFunction<multiply<2>>},      {"mulvec", hostFunction<multiplyVector<2>>},
        {"identity", hostFunction<identity<2>>}, {"invert", hostFunction<invert<2>>},
        {"scale", hostFunction<scaleMatrix22>},  {"rotate", hostFunction<rotateMatrix22>},
    };
    return makeTable("matrix22", entries);
}

FunctionTable matrix33Table() {
    static const FunctionEntry entries[] = {
        {"new", hostFunction<newMatrix<3>>},
        {"assign", hostFunction<assignFloats<9>>},
        {"mul", hostFunction<multiply<3>>},
        {"mulvec", hostFunction<multiplyVector<3>>},
        {"identity", hostFunction<identity<3>>},
        {"invert", hostFunction<invert<3>>},
        {"scale", hostFunction<scaleMatrix<3>>},
        {"rotate", hostFunction<rotateMatrix<3>>},
        {"rotateX", hostFunction<rotateAboutAxis<3, 0>>},
        {"rotateY", hostFunction<rotateAboutAxis<3, 1>>},
        {"rotateZ", hostFunction<rotateAboutAxis<3, 2>>},
        {"rotateA", hostFunction<rotateA<3>>},
        {"aim_vector", hostFunction<aimVector<3>>},
    };
    return makeTable("matrix33", entries);
}

FunctionTable matrix44Table() {
    static const FunctionEntry entries[] = {
        {"new", hostFunction<newMatrix<4>>},
        {"assign", hostFunction<assignFloats<16>>},
        {"mul", hostFunction<multiply<4>>},
        {"mulvec", hostFunction<multiplyVector<4>>},
        {"identity", hostFunction<identity<4>>},
        {"invert", hostFunction<invert<4>>},
        {"translate", hostFunction<translateMatrix44>},
        {"scale", hostFunction<scaleMatrix<4>>},
        {"rotate", hostFunction<rotateMatrix<4>>},
        {"rotateX", hostFunction<rotateAboutAxis<4, 0>>},
        {"rotateY", hostFunction<rotateAboutAxis<4, 1>>},
        {"rotateZ", hostFunction<rotateAboutAxis<4, 2>>},
        {"rotateA", hostFunction<rotateA<4>>},
        {"aim_vector", hostFunction<aimVector<4>>},
    };
    return makeTable("matrix44", entries);
}

}  // namespace kvr::math3d
