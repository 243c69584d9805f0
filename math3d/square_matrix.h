// SquareMatrix: the column-major N×N float arithmetic under the matrix functions.
#pragma once

#include <cmath>

namespace kvr::math3d {

// Scripts have always seen angles converted with these single-precision factors (bit patterns
// 0x3C8EFA2E and 0x42652EEC), not with the exact π/180 and 180/π; rotations by 90 degrees keep
// a residue of about 1e-6 because of them. 57.29582f would round to the float below the second.
constexpr float radiansPerDegree = 0.01745328f;
constexpr float degreesPerRadian = 57.295822f;

template <int N>
struct SquareMatrix {
    float e[N * N];

    float& at(int row, int column) { return e[column * N + row]; }
    float at(int row, int column) const { return e[column * N + row]; }

    static SquareMatrix identity() {
        SquareMatrix m{};
        for (int i = 0; i < N; ++i) m.at(i, i) = 1.0f;
        return m;
    }
    static SquareMatrix load(const float* floats) {
        SquareMatrix m;
        for (int i = 0; i < N * N; ++i) m.e[i] = floats[i];
        return m;
    }
    void store(float* floats) const {
        for (int i = 0; i < N * N; ++i) floats[i] = e[i];
    }
};

template <int N>
SquareMatrix<N> operator*(const SquareMatrix<N>& a, const SquareMatrix<N>& b) {
    SquareMatrix<N> product;
    for (int c = 0; c < N; ++c) {
        for (int r = 0; r < N; ++r) {
            float sum = 0.0f;
            for (int k = 0; k < N; ++k) sum += a.at(r, k) * b.at(k, c);
            product.at(r, c) = sum;
        }
    }
    return product;
}

// The 3×3 transform t as an N×N one: upper left, with 1 at (3, 3) for N = 4.
template <int N>
SquareMatrix<N> widen(const SquareMatrix<3>& t) {
    SquareMatrix<N> m = SquareMatrix<N>::identity();
    for (int c = 0; c < 3; ++c) {
        for (int r = 0; r < 3; ++r) m.at(r, c) = t.at(r, c);
    }
    return m;
}

struct SineCosine {
    float s;
    float c;
};

inline SineCosine ofDegrees(float degrees) {
    const float radians = degrees * radiansPerDegree;
    return SineCosine{static_cast<float>(std::sin(static_cast<double>(radians))),
                      static_cast<float>(std::cos(static_cast<double>(radians)))};
}

// Builds a 3×3 matrix from its rows as written on paper.
inline SquareMatrix<3> fromRows(float r00, float r01, float r02, float r10, float r11, float r12,
                                float r20, float r21, float r22) {
    return SquareMatrix<3>{{r00, r10, r20, r01, r11, r21, r02, r12, r22}};
}

inline SquareMatrix<3> rotationX(float degrees) {
    const SineCosine a = ofDegrees(degrees);
    return fromRows(1, 0, 0, 0, a.c, -a.s, 0, a.s, a.c);
}

inline SquareMatrix<3> rotationY(float degrees) {
    const SineCosine a = ofDegrees(degrees);
    return fromRows(a.c, 0, a.s, 0, 1, 0, -a.s, 0, a.c);
}

inline SquareMatrix<3> rotationZ(float degrees) {
    const SineCosine a = ofDegrees(degrees);
    return fromRows(a.c, -a.s, 0, a.s, a.c, 0, 0, 0, 1);
}

// Rz(z)·Rx(x)·Ry(y), written out.
inline SquareMatrix<3> rotationZXY(float x, float y, float z) {
    const SineCosine a = ofDegrees(x);
    const SineCosine b = ofDegrees(y);
    const SineCosine c = ofDegrees(z);
    return fromRows(b.c * c.c - a.s * b.s * c.s, -a.c * c.s, b.s * c.c + a.s * b.c * c.s,
                    b.c * c.s + a.s * b.s * c.c, a.c * c.c, b.s * c.s - a.s * b.c * c.c, -a.c * b.s,
                    a.s, a.c * b.c);
}

// About the axis as given: an axis that is not of unit length does not give a rotation.
inline SquareMatrix<3> rotationAbout(const float (&axis)[3], float degrees) {
    const SineCosine a = ofDegrees(degrees);
    const float x = axis[0], y = axis[1], z = axis[2];
    const float t = 1.0f - a.c;
    return fromRows(a.c + x * x * t, x * y * t - z * a.s, x * z * t + y * a.s,  //
                    x * y * t + z * a.s, a.c + y * y * t, y * z * t - x * a.s,  //
                    x * z * t - y * a.s, y * z * t + x * a.s, a.c + z * z * t);
}

}  // namespace kvr::math3d
