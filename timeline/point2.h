// Point2 and BezierKey: the plain values every curve is made of.
#pragma once

namespace kvr {

// For keys and samples, x is time and y is value.
struct Point2 {
    float x = 0.0f;
    float y = 0.0f;
};

inline bool operator==(const Point2& a, const Point2& b) {
    return a.x == b.x && a.y == b.y;
}
inline bool operator!=(const Point2& a, const Point2& b) {
    return !(a == b);
}

struct BezierKey {
    Point2 inHandle;
    Point2 point;
    Point2 outHandle;
};

inline Point2 movedBy(Point2 p, Point2 delta) {
    return {p.x + delta.x, p.y + delta.y};
}
// The whole key, point and handles, moved together.
inline BezierKey movedBy(const BezierKey& k, Point2 delta) {
    return {movedBy(k.inHandle, delta), movedBy(k.point, delta), movedBy(k.outHandle, delta)};
}

}  // namespace kvr
