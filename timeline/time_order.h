// Time order for keys and samples, shared by sampling and the edits that re-sort keys.
#pragma once

#include "timeline/point2.h"

namespace kvr {

// A script can compute a NaN time (0/0); putting NaN after every number keeps the ordering
// strict-weak, so the sorts and the ordered insertion agree.
inline bool earlier(float a, float b) {
    return a < b || (b != b && a == a);
}

inline bool keyEarlier(const BezierKey& a, const BezierKey& b) {
    return earlier(a.point.x, b.point.x);
}

}  // namespace kvr
