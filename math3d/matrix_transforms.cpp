// The in-place transforms of the matrix tables: scaling, rotations, translation and aim_vector.
#include "math3d/matrix_transforms.h"

#include <algorithm>
#include <cmath>

#include "math3d/argument_checks.h"
#include "math3d/math3d_messages.h"
#include "math3d/square_matrix.h"

namespace kvr::math3d {

namespace {

namespace msg = message;

template <int N>
int transform(lua_State* L, float* m, const SquareMatrix<N>& t) {
    (SquareMatrix<N>::load(m) * t).store(m);
    return pushValue(L, m);
}

// scale, rotate and translate of matrix33 and matrix44 take (m, v) or (m, a, b, c). Returns the
// matrix once every check has passed and the three parameters are in p.
template <int N>
float* matrixAndThree(lua_State* L, float (&p)[3]) {
    checkAtLeast(L, 2, msg::ArgsMissing);
    checkKinds(L, isValue(L, 1), msg::FirstUserdata);
    if (lua_isuserdata(L, 2)) {
        // Anything after the vector is ignored.
        float* m = toValue(L, 1, N * N, msg::FirstUserdata);
        const float* v = toValue(L, 2, 3, msg::VectorOrThreeReals);
        std::copy(v, v + 3, p);
        return m;
    }
    checkCount(L, 4, msg::VectorOrThreeReals);
    float* m = toValue(L, 1, N * N, msg::FirstUserdata);
    // The three numbers are not tested: anything else reads as 0.
    for (int i = 0; i < 3; ++i) p[i] = toFloat(L, i + 2);
    return m;
}

// (m, degrees), the form of rotateX, rotateY, rotateZ and matrix22's rotate.
template <int N>
float* matrixAndAngle(lua_State* L, float& degrees) {
    checkCount(L, 2, msg::ArgsNot2);
    checkKinds(L, isValue(L, 1) && isNumber(L, 2), msg::UserdataReal);
    float* m = toValue(L, 1, N * N, msg::UserdataReal);
    degrees = toFloat(L, 2);
    return m;
}

// aim_vector's first axis is its direction turned a quarter about Y; the turn keeps the degree
// factor's residue like every other 90 degrees. Made once for the whole process.
const SquareMatrix<3>& quarterTurnY() {
    static const SquareMatrix<3> turn = rotationY(90.0f);
    return turn;
}

float clampedAcos(float cosine) {
    // Rounding can carry a cosine just past ±1, where acos has no value.
    return static_cast<float>(std::acos(static_cast<double>(std::clamp(cosine, -1.0f, 1.0f))));
}

}  // namespace

int scaleMatrix22(lua_State* L) {
    checkCount(L, 3, msg::ArgsNot3);
    checkKinds(L, isValue(L, 1), msg::UserdataRestReal);
    float* m = toValue(L, 1, 4, msg::UserdataRestReal);
    return transform<2>(L, m, SquareMatrix<2>{{toFloat(L, 2), 0.0f, 0.0f, toFloat(L, 3)}});
}

int rotateMatrix22(lua_State* L) {
    float degrees = 0.0f;
    float* m = matrixAndAngle<2>(L, degrees);
    const SineCosine a = ofDegrees(degrees);
    return transform<2>(L, m, SquareMatrix<2>{{a.c, a.s, -a.s, a.c}});
}

template <int N>
int scaleMatrix(lua_State* L) {
    float p[3];
    float* m = matrixAndThree<N>(L, p);
    SquareMatrix<3> t = SquareMatrix<3>::identity();
    for (int i = 0; i < 3; ++i) t.at(i, i) = p[i];
    return transform<N>(L, m, widen<N>(t));
}

template <int N>
int rotateMatrix(lua_State* L) {
    float p[3];
    float* m = matrixAndThree<N>(L, p);
    return transform<N>(L, m, widen<N>(rotationZXY(p[0], p[1], p[2])));
}

int translateMatrix44(lua_State* L) {
    float p[3];
    float* m = matrixAndThree<4>(L, p);
    SquareMatrix<4> t = SquareMatrix<4>::identity();
    for (int i = 0; i < 3; ++i) t.at(i, 3) = p[i];
    return transform<4>(L, m, t);
}

template <int N, int Axis>
int rotateAboutAxis(lua_State* L) {
    float degrees = 0.0f;
    float* m = matrixAndAngle<N>(L, degrees);
    const SquareMatrix<3> t = Axis == 0   ? rotationX(degrees)
                              : Axis == 1 ? rotationY(degrees)
                                          : rotationZ(degrees);
    return transform<N>(L, m, widen<N>(t));
}

template <int N>
int rotateA(lua_State* L) {
    checkCount(L, 3, msg::ArgsNot3);
    checkKinds(L, isValue(L, 1) && isValue(L, 2) && isNumber(L, 3), msg::TwoUserdataReal);
    float* m = toValue(L, 1, N * N, msg::TwoUserdataReal);
    const float* v = toValue(L, 2, 3, msg::TwoUserdataReal);
    const float axis[3] = {v[0], v[1], v[2]};
    return transform<N>(L, m, widen<N>(rotationAbout(axis, toFloat(L, 3))));
}

// Turns the matrix's local +Y towards v while keeping the image of +X horizontal: first about
// the horizontal axis across v, then about Y to the heading of v.
template <int N>
int aimVector(lua_State* L) {
    checkCount(L, 2, msg::ArgsNot2);
    checkKinds(L, isValue(L, 1) && isValue(L, 2), msg::BothUserdata);
    float* m = toValue(L, 1, N * N, msg::BothUserdata);
    const float* vp = toValue(L, 2, 3, msg::BothUserdata);
    const float v[3] = {vp[0], vp[1], vp[2]};

    const float vLength = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    // A zero vector has no direction to aim at.
    if (vLength == 0.0f) return pushValue(L, m);

    const SquareMatrix<3>& quarter = quarterTurnY();
    const float up[3] = {0.0f, 1.0f, 0.0f};
    const float west[2] = {-1.0f, 0.0f};

    float axis[3];
    for (int r = 0; r < 3; ++r) {
        axis[r] = quarter.at(r, 0) * v[0] + quarter.at(r, 2) * v[2];
    }
    const float axisLength = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    if (axisLength != 0.0f) {
        const float inverse = 1.0f / axisLength;
        for (float& a : axis) a *= inverse;
    } else {
        // Straight up or down: any horizontal axis tilts correctly; X is the one chosen.
        axis[0] = 1.0f;
        axis[1] = axis[2] = 0.0f;
    }
    const float upDot = up[0] * v[0] + up[1] * v[1] + up[2] * v[2];
    const float upLength = std::sqrt(up[0] * up[0] + up[1] * up[1] + up[2] * up[2]);
    const float tilt = clampedAcos(upDot / (upLength * vLength)) * degreesPerRadian;
    SquareMatrix<N> aimed = SquareMatrix<N>::load(m) * widen<N>(rotationAbout(axis, tilt));

    float heading[2] = {v[0], v[2]};
    float headingLength = std::sqrt(heading[0] * heading[0] + heading[1] * heading[1]);
    if (headingLength != 0.0f) {
        const float inverse = 1.0f / headingLength;
        heading[0] *= inverse;
        heading[1] *= inverse;
        headingLength = std::sqrt(heading[0] * heading[0] + heading[1] * heading[1]);
    } else {
        // No heading: (0, 1) makes the turn about Y below as good as none.
        heading[0] = 0.0f;
        heading[1] = 1.0f;
        headingLength = 1.0f;
    }
    const float westDot = west[0] * heading[0] + west[1] * heading[1];
    const float westLength = std::sqrt(west[0] * west[0] + west[1] * west[1]);
    float turn = clampedAcos(westDot / (westLength * headingLength));
    if (heading[1] < 0.0f) turn = -turn;
    aimed = aimed * widen<N>(rotationY(turn * degreesPerRadian - 90.0f));
    aimed.store(m);
    return pushValue(L, m);
}

template int scaleMatrix<3>(lua_State*);
template int scaleMatrix<4>(lua_State*);
template int rotateMatrix<3>(lua_State*);
template int rotateMatrix<4>(lua_State*);
template int rotateAboutAxis<3, 0>(lua_State*);
template int rotateAboutAxis<3, 1>(lua_State*);
template int rotateAboutAxis<3, 2>(lua_State*);
template int rotateAboutAxis<4, 0>(lua_State*);
template int rotateAboutAxis<4, 1>(lua_State*);
template int rotateAboutAxis<4, 2>(lua_State*);
template int rotateA<3>(lua_State*);
template int rotateA<4>(lua_State*);
template int aimVector<3>(lua_State*);
template int aimVector<4>(lua_State*);

}  // namespace kvr::math3d
