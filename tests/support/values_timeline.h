// valuesTimeline: a one-channel timeline whose keys hold given floats, for write-and-read tests.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "timeline/timeline.h"

namespace kvr {

// Five values a key (in-handle time and value, point value, out-handle time and value); the
// point's time is the key's index into values, so the keys keep this order. written gets the
// six numbers of each key in the order a writer puts them out.
inline std::shared_ptr<Timeline1> valuesTimeline(const std::vector<float>& values,
                                                 std::vector<float>& written) {
    auto timeline = std::make_shared<Timeline1>(2.0f);
    for (std::size_t i = 0; i + 5 <= values.size(); i += 5) {
        const float* v = &values[i];
        const float t = static_cast<float>(i);
        timeline->channel.insertKey({v[0], v[1]}, {t, v[2]}, {v[3], v[4]});
        written.insert(written.end(), {v[0], v[1], t, v[2], v[3], v[4]});
    }
    return timeline;
}

}  // namespace kvr
