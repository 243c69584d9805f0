// Timeline3 and Timeline1: named sets of channels.
#pragma once

#include <array>

#include "timeline/channel.h"

namespace kvr {

// The time between samples of every timeline the editor and the scripts make.
constexpr float kSampleStep = 2.0f;

class Timeline3 {
public:
    explicit Timeline3(float step) : x(step), y(step), z(step) {}

    Channel x;
    Channel y;
    Channel z;

    void rebuildAll();
    // The three channels' evaluate at t, the editor's reading; the line a game shows is each
    // channel's valueAt.
    std::array<float, 3> valueAt(float t) const;
};

class Timeline1 {
public:
    explicit Timeline1(float step) : channel(step) {}

    Channel channel;
};

}  // namespace kvr
