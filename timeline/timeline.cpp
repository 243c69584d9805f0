// Timeline3: rebuilding and reading its three channels together.
#include "timeline/timeline.h"

namespace kvr {

void Timeline3::rebuildAll() {
    x.rebuild();
    y.rebuild();
    z.rebuild();
}

std::array<float, 3> Timeline3::valueAt(float t) const {
    return {x.evaluate(t), y.evaluate(t), z.evaluate(t)};
}

}  // namespace kvr
