// Tests of how a channel finds, samples and evaluates its curve.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "tests/timeline/channel_checks.h"

namespace kvr {
namespace {

using Bracket = std::pair<const BezierKey*, const BezierKey*>;

std::vector<float> sampleTimes(const Channel& channel) {
    std::vector<float> times;
    for (const Point2& s : channel.samples()) times.push_back(s.x);
    return times;
}

// Keys at 0 and 100 at value 0; the handles given replace the facing degenerate ones.
Channel bentPair(Point2 outHandle, Point2 inHandle) {
    Channel channel(2.0f);
    channel.addKey({0, 0}, {0, 0}, outHandle);
    channel.addKey(inHandle, {100, 0}, {100, 0});
    return channel;
}

TEST(ChannelBracket, FindsTheKeysAroundATime) {
    const Channel empty(2.0f);
    EXPECT_EQ(empty.bracket(1.0f), Bracket(nullptr, nullptr));

    const Channel channel = channelOf({{0, 0}, {10, 1}, {20, 2}});
    const BezierKey* k = channel.keys().data();
    EXPECT_EQ(channel.bracket(-1.0f), Bracket(nullptr, k));
    EXPECT_EQ(channel.bracket(0.0f), Bracket(k, k + 1));
    EXPECT_EQ(channel.bracket(10.0f), Bracket(k + 1, k + 2));  // a key's own time: left
    EXPECT_EQ(channel.bracket(15.0f), Bracket(k + 1, k + 2));
    EXPECT_EQ(channel.bracket(20.0f), Bracket(k + 2, nullptr));
}

TEST(ChannelBracket, GivesAdjacentKeysAroundTimeWhenKeysAreOutOfOrder) {
    Channel channel = channelOf({{0, 0}, {10, 0}, {20, 0}, {40, 0}});
    moveToTime(channel, 1, 30.0f);  // times now 0, 30, 20, 40
    for (float t : {1.0f, 20.0f, 25.0f, 35.0f}) {
        const auto [left, right] = channel.bracket(t);
        ASSERT_TRUE(left && right) << t;
        EXPECT_EQ(right, left + 1) << t;
        EXPECT_LE(left->point.x, t);
        EXPECT_GT(right->point.x, t);
    }
}

TEST(ChannelCurvePoint, OutsideTheKeysHoldsTheEndValues) {
    EXPECT_EQ(Channel(2.0f).curvePoint(5.0f), (Point2{0, 0}));
    const Channel channel = channelOf({{0, 4}, {100, 8}});
    EXPECT_EQ(channel.curvePoint(-5.0f), (Point2{-5, 4}));
    EXPECT_EQ(channel.curvePoint(150.0f), (Point2{150, 8}));
}

TEST(ChannelCurvePoint, PicksTheSegmentShapeByWhichHandlesAreDegenerate) {
    // Both handles live: cubic.
    const Channel cubic = bentPair({50, 100}, {50, 100});
    EXPECT_EQ(cubic.curvePoint(50.0f), (Point2{50, 75}));
    Channel shifted(2.0f);  // uneven handles, away from time 0
    shifted.addKey({100, 0}, {100, 0}, {130, 60});
    shifted.addKey({170, 30}, {180, 0}, {180, 0});
    EXPECT_EQ(shifted.curvePoint(120.0f), (Point2{123.75f, 29.53125f}));

    // One live handle: quadratic through it; x comes from the curve, not from t.
    EXPECT_EQ(bentPair({20, 100}, {100, 0}).curvePoint(50.0f), (Point2{35, 50}));
    EXPECT_EQ(bentPair({0, 0}, {80, 100}).curvePoint(50.0f), (Point2{65, 50}));

    // No live handle: the straight line, at t itself.
    const Channel line = channelOf({{0, 0}, {100, 50}});
    EXPECT_EQ(line.curvePoint(30.0f), (Point2{30, 15}));
}

TEST(ChannelRebuild, SamplesEachPairFromItsFirstKeyOnTheStepGrid) {
    const Channel channel = channelOf({{0, 0}, {5, 10}});
    EXPECT_EQ(sampleTimes(channel), (std::vector<float>{0, 2, 4}));  // the last key is missed
    EXPECT_EQ(channel.samples()[0], (Point2{0, 0}));
    EXPECT_EQ(channel.samples()[2], (Point2{4, 8}));

    const Channel cubic = bentPair({50, 100}, {50, 100});
    EXPECT_EQ(cubic.samples().size(), 51u);
    EXPECT_EQ(cubic.samples().front(), (Point2{0, 0}));
}

TEST(ChannelRebuild, OneKeyGivesItsPointAndNoKeysGiveNothing) {
    Channel channel = channelOf({{3, 7}});
    EXPECT_EQ(channel.samples(), (std::vector<Point2>{{3, 7}}));
    channel.removeKey(0);
    EXPECT_TRUE(channel.keys().empty());
    EXPECT_TRUE(channel.samples().empty());
}

TEST(ChannelRebuild, KeepsSamplesInTimeOrderWhenHandlesOvershoot) {
    // The last key's handle reaches back past the middle key, so the start of the second
    // segment runs back into the first one's time span.
    Channel channel = channelOf({{0, 0}, {40, 10}});
    channel.addKey({-40, 0}, {80, 0}, {80, 0});
    const auto beforeMiddle = std::count_if(channel.samples().begin(), channel.samples().end(),
                                            [](const Point2& s) { return s.x < 40.0f; });
    EXPECT_GT(beforeMiddle, 20);  // more than the first pair's own 0, 2, ..., 38
    EXPECT_TRUE(std::is_sorted(channel.samples().begin(), channel.samples().end(),
                               [](const Point2& a, const Point2& b) { return a.x < b.x; }));
}

TEST(ChannelRebuild, StopsWhereStepsNoLongerAdvanceTime) {
    Channel channel(2.0f);
    // Above 2^25 adding 2 leaves a float unchanged.
    channel.addPoint({33554432.0f, 0});
    channel.addPoint({33554440.0f, 1});
    EXPECT_EQ(channel.samples().size(), 1u);

    Channel stuck(0.0f);
    stuck.addPoint({0, 0});
    stuck.addPoint({10, 1});
    EXPECT_EQ(stuck.samples().size(), 1u);
}

TEST(ChannelEvaluate, InterpolatesSamplesAndHoldsTheEndsFlat) {
    EXPECT_EQ(Channel(2.0f).evaluate(3.0f), 0.0f);
    EXPECT_EQ(channelOf({{3, 7}}).evaluate(-100.0f), 7.0f);

    const Channel line = channelOf({{0, 0}, {100, 50}});
    EXPECT_EQ(line.evaluate(31.0f), 15.5f);
    EXPECT_EQ(line.evaluate(-20.0f), 0.0f);
    EXPECT_EQ(line.evaluate(500.0f), 50.0f);

    EXPECT_EQ(channelOf({{0, 0}, {5, 10}}).evaluate(4.5f), 8.0f);  // flat past the sample at 4
}

TEST(ChannelEvaluate, ReadsTheChordAtAnExactSampleTime) {
    const Channel channel = bentPair({50, 100}, {50, 100});
    const auto at = std::find(channel.samples().begin(), channel.samples().end(), Point2{50, 75});
    ASSERT_NE(at, channel.samples().end());
    const Point2 below = at[-1];
    const Point2 above = at[1];
    ASSERT_LT(below.x, 50.0f);
    ASSERT_GT(above.x, 50.0f);

    const float chord = below.y + (50.0f - below.x) * (above.y - below.y) / (above.x - below.x);
    EXPECT_FLOAT_EQ(channel.evaluate(50.0f), chord);
    EXPECT_LT(channel.evaluate(50.0f), 75.0f);  // the curve bends up there; the chord is below
}

TEST(ChannelEvaluate, AnswersNanTimesWithoutLeavingTheTable) {
    const Channel channel = channelOf({{0, 1}, {10, 2}});
    EXPECT_EQ(channel.evaluate(std::nanf("")), 1.0f);
    EXPECT_TRUE(std::isnan(channel.curvePoint(std::nanf("")).x));
}

TEST(ChannelValueAt, FollowsTheDrawnLineThroughEverySample) {
    EXPECT_EQ(Channel(2.0f).valueAt(3.0f), 0.0f);
    EXPECT_EQ(channelOf({{3, 7}}).valueAt(3.0f), 7.0f);
    const Channel line = channelOf({{0, 0}, {100, 50}});
    EXPECT_EQ(line.valueAt(31.0f), 15.5f);
    EXPECT_EQ(line.valueAt(-20.0f), 0.0f);
    EXPECT_EQ(line.valueAt(500.0f), 50.0f);
    EXPECT_EQ(line.valueAt(std::nanf("")), 0.0f);

    // At a sample's own time the sample, where evaluate reads the chord of its neighbours; and
    // no jump on the way there.
    const Channel bent = bentPair({50, 100}, {50, 100});
    EXPECT_EQ(bent.valueAt(50.0f), 75.0f);
    EXPECT_NEAR(bent.valueAt(std::nextafter(50.0f, 0.0f)), 75.0f, 1e-4f);
    EXPECT_NEAR(bent.valueAt(std::nextafter(50.0f, 100.0f)), 75.0f, 1e-4f);

    // The quadratic's middle sample lands at time 4, and so does the key there: the line rises
    // to the first and drops to the second, whose value is the one at time 4.
    Channel shared(2.0f);
    shared.addKey({0, 0}, {0, 0}, {6, 10});
    shared.addKey({4, 2}, {4, 2}, {4, 2});
    shared.addKey({8, 2}, {8, 2}, {8, 2});
    ASSERT_EQ(shared.samples(),
              (std::vector<Point2>{{0, 0}, {4, 5.5f}, {4, 2}, {4, 2}, {6, 2}, {8, 2}}));
    EXPECT_EQ(shared.valueAt(3.0f), 4.125f);
    EXPECT_EQ(shared.valueAt(4.0f), 2.0f);
    EXPECT_EQ(shared.valueAt(5.0f), 2.0f);
}

}  // namespace
}  // namespace kvr
