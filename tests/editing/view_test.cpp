// The view under a still pointer, and the view at the ends of the float range: zooms, scrolls,
// frame-all and resizes that would overflow or collapse it.
#include <cfloat>
#include <cmath>

#include "tests/editing/core_fixture.h"

namespace kvr::test {
namespace {

using ViewTest = CoreTest;

// What every command must leave: finite edges, in order, with a finite extent on each axis.
::testing::AssertionResult usableView(const EditingCore& e) {
    const auto usable = [](float low, float high) {
        return std::isfinite(low) && std::isfinite(high) && low < high &&
               std::isfinite(high - low);
    };
    const EditView& v = e.view();
    if (usable(v.left(), v.right()) && usable(v.bottom(), v.top())) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "view " << v.left() << "…" << v.right() << " by " << v.bottom() << "…" << v.top();
}

void ctrlWheel(EditingCore& e, int button, int x, int y) {
    e.buttonPressed(button, x, y, 0, true);
    e.buttonReleased(button, 0);
}

TEST_F(ViewTest, CtrlWheelZoomsAboutThePixelItTurnsAtAndPlainPressesAtTheLastMotion) {
    pointAt(200, 250);
    // The view moves under the still pointer: Home, then an arrow key.
    for (int key : {keys::Home, keys::Right}) {
        keyDown(key);
        const Point2 under = core.viewPointAt(200, 250);
        const float width = core.view().right() - core.view().left();
        ctrlWheel(core, buttons::WheelUp, 200, 250);
        EXPECT_NEAR(core.view().right() - core.view().left(), width * 0.9f, width * 1e-6);
        const Point2 after = core.viewPointAt(200, 250);
        EXPECT_NEAR(after.x, under.x, width * 1e-6) << key;
        EXPECT_NEAR(after.y, under.y, 1e-4) << key;
    }
    // A wheel step away from the last motion zooms about where it turned.
    const Point2 corner = core.viewPointAt(700, 50);
    ctrlWheel(core, buttons::WheelDown, 700, 50);
    EXPECT_NEAR(core.viewPointAt(700, 50).x, corner.x, 1e-3);
    EXPECT_NEAR(core.viewPointAt(700, 50).y, corner.y, 1e-4);

    // An insertion still happens at the cursor of the last motion, not where the press says.
    core.resized(800, 500);
    keyDown(keys::I);
    pointAt(50, 250);  // on the y curve at time 50
    core.buttonPressed(buttons::Left, 400, 100, buttons::LeftMask);
    ASSERT_EQ(current().y.keys().size(), 3u);
    EXPECT_EQ(current().y.keys()[1].point, (Point2{50, 0}));
}

TEST_F(ViewTest, KeysAtTheEndsOfTheFloatRangeGetTheWidestFiniteView) {
    // Alone in their channel: a segment that starts so far out takes one sample.
    while (!current().y.keys().empty()) current().y.removeKey(0);
    current().y.addPoint({-3e38f, -3e38f});
    current().y.addPoint({3e38f, 3e38f});
    keyDown(keys::Home);
    // Framed with its margin the span is wider than floats reach: the widest about its middle.
    EXPECT_EQ(core.view().left(), -FLT_MAX / 2);
    EXPECT_EQ(core.view().right(), FLT_MAX / 2);
    EXPECT_EQ(core.view().bottom(), -FLT_MAX / 2);
    EXPECT_EQ(core.view().top(), FLT_MAX / 2);

    // Zooming out cannot widen it: it stays as it is, about its centre.
    keyDown(keys::Minus);
    EXPECT_EQ(core.view().left(), -FLT_MAX / 2);
    EXPECT_EQ(core.view().right(), FLT_MAX / 2);
    ctrlWheel(core, buttons::WheelDown, 100, 400);
    EXPECT_EQ(core.view().left(), -FLT_MAX / 2);
    EXPECT_EQ(core.view().top(), FLT_MAX / 2);
    pointAt(400, 250);
    EXPECT_TRUE(std::isfinite(core.view().cursor().x));

    // Zooming in follows the plain rule; each step out again stays finite.
    keyDown(keys::Equals);
    EXPECT_FLOAT_EQ(core.view().left(), -0.4f * FLT_MAX);
    for (int i = 0; i < 5; ++i) {
        keyDown(keys::Minus);
        EXPECT_TRUE(usableView(core)) << i;
    }

    // A wheel step far outside the window, and a middle drag that would scroll the view a
    // hundred widths past the end of the range.
    ctrlWheel(core, buttons::WheelUp, 65535, 65535);
    EXPECT_TRUE(usableView(core));
    pointAt(400, 50);
    press(buttons::Middle);
    moveBy(30000, -30000);
    release(buttons::Middle);
    EXPECT_TRUE(usableView(core));
    EXPECT_GT(core.view().left(), 0);
    EXPECT_GT(core.view().bottom(), 0);

    // One key at the very end: the view is the last float step below it.
    core.setView(0, 800, core.view().bottom(), core.view().top());
    for (Channel* channel : {&current().x, &current().y, &current().z}) {
        while (!channel->keys().empty()) channel->removeKey(0);
    }
    current().z.addPoint({FLT_MAX, FLT_MAX});
    keyDown(keys::Home);
    EXPECT_EQ(core.view().right(), FLT_MAX);
    EXPECT_EQ(core.view().left(), std::nextafter(FLT_MAX, 0.0f));
    EXPECT_TRUE(usableView(core));
}

TEST_F(ViewTest, ZoomsScrollsAndResizesNeverCollapseTheView) {
    // Some thousand steps in toward zero leave fewer floats than pixels, then none at all.
    for (int i = 0; i < 1200; ++i) {
        keyDown(keys::Equals);
        ASSERT_TRUE(usableView(core)) << "after " << i + 1 << " steps in";
    }
    for (int i = 0; i < 200; ++i) {
        ctrlWheel(core, buttons::WheelUp, 0, 0);
        ASSERT_TRUE(usableView(core)) << "after " << i + 1 << " wheel steps";
    }

    // Scrolled by 50, a span narrower than a float step there would fold into one value.
    core.setView(0, 1e-30f, core.view().bottom(), core.view().top());
    keyDown(keys::Right);
    EXPECT_EQ(core.view().left(), std::nextafter(50.0f, 0.0f));
    EXPECT_EQ(core.view().right(), std::nextafter(50.0f, 100.0f));

    // One pixel row shows one unit about y = 0; a window of no pixels is taken as one.
    core.resized(640, 1);
    EXPECT_EQ(core.view().bottom(), -0.5f);
    EXPECT_EQ(core.view().top(), 0.5f);
    EXPECT_EQ(core.view().right(), 640);
    core.resized(0, 0);
    EXPECT_EQ(core.view().windowWidth(), 1);
    EXPECT_EQ(core.view().windowHeight(), 1);
    EXPECT_TRUE(usableView(core));
    pointAt(0, 0);
    EXPECT_EQ(core.view().cursor().x, 0);
    EXPECT_EQ(core.view().cursor().y, 0.5f);
    // Two rows keep the plain rule.
    core.resized(640, 2);
    EXPECT_EQ(core.view().bottom(), -1);
    EXPECT_EQ(core.view().top(), 1);
}

}  // namespace
}  // namespace kvr::test
