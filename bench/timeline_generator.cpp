// Generating the benchmark timelines.
#include "bench/timeline_generator.h"

#include <cmath>

namespace kvr::bench {

namespace {

// The n-th value: hundredths counted up from -200. Divided in double, so the float is the one
// nearest to the decimal that the writer prints and the loader reads back.
float valueNumber(int n) {
    return static_cast<float>(static_cast<double>(n - 20000) / 100.0);
}

}  // namespace

std::shared_ptr<Timeline3> generateTimeline(int keyCount) {
    auto timeline = std::make_shared<Timeline3>(2.0f);
    Channel* channels[] = {&timeline->x, &timeline->y, &timeline->z};
    for (int c = 0; c < 3; ++c) {
        for (int k = 0; k < keyCount; ++k) {
            const float t = static_cast<float>(10 * k);
            // Three values per key, keys of the three channels interleaved.
            const int n = (k * 3 + c) * 3;
            channels[c]->insertKey({t - 3, valueNumber(n)}, {t, valueNumber(n + 1)},
                                   {t + 3, valueNumber(n + 2)});
        }
    }
    timeline->rebuildAll();
    return timeline;
}

std::shared_ptr<Timeline3> swingingTimeline(int keyCount) {
    auto timeline = std::make_shared<Timeline3>(2.0f);
    Channel* channels[] = {&timeline->x, &timeline->y, &timeline->z};
    const double bands[] = {75.0, -25.0, -125.0};
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < keyCount; ++i) {
            const double turn = static_cast<double>(i) * 7.919;
            const Point2 p{static_cast<float>(800.0 * i / keyCount),
                           static_cast<float>(bands[c] + 50.0 * (turn - std::floor(turn)))};
            channels[c]->insertKey(p, p, p);
        }
    }
    timeline->rebuildAll();
    return timeline;
}

std::shared_ptr<Timeline3> packedTimeline(int keyCount) {
    const std::shared_ptr<Timeline3> spread = generateTimeline(keyCount);
    auto packed = std::make_shared<Timeline3>(spread->x.step());
    const float timeScale = 800.0f / (10.0f * static_cast<float>(keyCount));
    const float low = spread->x.keys().front().inHandle.y;
    const float high = spread->z.keys().back().outHandle.y;
    const auto pack = [&](Point2 p) {
        return Point2{p.x * timeScale, -200.0f + (p.y - low) * 400.0f / (high - low)};
    };
    const Channel* from[] = {&spread->x, &spread->y, &spread->z};
    Channel* to[] = {&packed->x, &packed->y, &packed->z};
    for (int c = 0; c < 3; ++c) {
        for (const BezierKey& k : from[c]->keys()) {
            to[c]->insertKey(pack(k.inHandle), pack(k.point), pack(k.outHandle));
        }
    }
    packed->rebuildAll();
    return packed;
}

}  // namespace kvr::bench
