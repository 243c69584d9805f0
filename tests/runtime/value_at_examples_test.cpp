// Channel::valueAt on the example files, against the line through their samples worked out here.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tledit/timeline_file.h"

namespace kvr {
namespace {

// The drawn line at t, walking the samples in table order: the last sample at or before t, then
// on towards the next one; held flat before the first and after the last.
double polylineAt(const std::vector<Point2>& samples, float t) {
    if (samples.empty()) return 0.0;
    if (t < samples.front().x) return samples.front().y;
    std::size_t last = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (samples[i].x <= t) last = i;
    }
    const Point2 p = samples[last];
    if (p.x == t || last + 1 == samples.size()) return p.y;
    const Point2 q = samples[last + 1];
    const double along = (static_cast<double>(t) - p.x) / (static_cast<double>(q.x) - p.x);
    return p.y + along * (static_cast<double>(q.y) - p.y);
}

// valueAt at every sample's and key's time and halfway between neighbouring samples. Returns
// how many times were checked.
std::size_t checkChannel(const Channel& channel, const std::string& where) {
    std::vector<float> times;
    const std::vector<Point2>& samples = channel.samples();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        times.push_back(samples[i].x);
        if (i > 0) times.push_back((samples[i - 1].x + samples[i].x) / 2);
    }
    for (const BezierKey& key : channel.keys()) times.push_back(key.point.x);
    for (const float t : times) {
        const double expected = polylineAt(samples, t);
        const float actual = channel.valueAt(t);
        // Exact at a sample's time; between samples within float rounding of the line.
        EXPECT_NEAR(actual, expected, 1e-5 * (1.0 + std::fabs(expected))) << where << " at " << t;
    }
    return times.size();
}

TEST(ValueAtExamples, EveryExampleFollowsTheLineThroughItsSamples) {
    std::size_t checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TLEDIT_SOURCE_DIR "/examples")) {
        if (entry.path().extension() != ".lua") continue;
        const TimelineFile file = TimelineFile::load(entry.path().string());
        ASSERT_TRUE(file.complete()) << entry.path();
        const std::string name = entry.path().filename().string();
        for (const std::string& t : file.timeline3Names()) {
            const Timeline3& timeline = *file.timeline3(t);
            checked += checkChannel(timeline.x, name + " " + t + " x");
            checked += checkChannel(timeline.y, name + " " + t + " y");
            checked += checkChannel(timeline.z, name + " " + t + " z");
        }
        for (const std::string& t : file.timeline1Names()) {
            checked += checkChannel(*file.timeline1(t), name + " " + t);
        }
    }
    EXPECT_GT(checked, 1000u);

    // The ball of wave.lua lands at time 160: a key there, and the value is the floor's.
    const TimelineFile wave = TimelineFile::load(TLEDIT_SOURCE_DIR "/examples/wave.lua");
    EXPECT_EQ(wave.timeline3("bounce")->y.valueAt(160.0f), -150.0f);
}

}  // namespace
}  // namespace kvr
