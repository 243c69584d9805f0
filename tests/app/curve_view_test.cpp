// Frames of long timelines: drawing what the window can show must look like drawing every vertex.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "app/camera.h"
#include "tests/app/editor_fixture.h"
#include "tests/app/shown_frame.h"

namespace kvr::test {
namespace {

const int kWidth = 800;
const int kHeight = 500;

// Keys every 10 units, each channel moving smoothly in a band of its own, with a faster ripple
// on top; handles inside their segments.
std::shared_ptr<Timeline3> longTimeline(int keyCount) {
    auto timeline = std::make_shared<Timeline3>(2.0f);
    Channel* channels[] = {&timeline->x, &timeline->y, &timeline->z};
    const float centres[] = {100, 0, -100}, periods[] = {900, 400, 150}, ripples[] = {37, 23, 53};
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < keyCount; ++i) {
            const float t = static_cast<float>(10 * i), n = static_cast<float>(i);
            const float v = centres[c] + 45 * std::sin(n / periods[c] + static_cast<float>(c)) +
                            8 * std::sin(n / ripples[c]);
            channels[c]->insertKey({t - 3, v - 2}, {t, v}, {t + 3, v + 2});
        }
    }
    timeline->rebuildAll();
    return timeline;
}

// Keys packed into the first view's 0..800, each channel's values jumping about within a band
// 50 units high: the curves cross dozens of rows inside every pixel column.
std::shared_ptr<Timeline3> swingingTimeline(int keyCount) {
    auto timeline = std::make_shared<Timeline3>(2.0f);
    const double bands[] = {75.0, -25.0, -125.0};
    Channel* channels[] = {&timeline->x, &timeline->y, &timeline->z};
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

void drawAll(const std::vector<Point2>& points, GLenum mode) {
    glBegin(mode);
    for (const Point2& p : points) glVertex2f(p.x, p.y);
    glEnd();
}

// The rows lit in column x, top and bottom, or {-1, -1} for none.
std::pair<int, int> columnSpan(const Frame& frame, int x) {
    int top = -1, bottom = -1;
    for (int y = 0; y < frame.height; ++y) {
        if (frame.at(x, y) == Rgb{}) continue;
        if (top < 0) top = y;
        bottom = y;
    }
    return {top, bottom};
}

// Whether a pixel of this colour lies within one pixel of (x, y).
bool nearby(const Frame& frame, int x, int y, Rgb colour) {
    for (int row = std::max(0, y - 1); row <= std::min(frame.height - 1, y + 1); ++row) {
        for (int column = std::max(0, x - 1); column <= std::min(frame.width - 1, x + 1);
             ++column) {
            if (frame.at(column, row) == colour) return true;
        }
    }
    return false;
}

// Frames alike to the eye: every lit pixel of either lies within one pixel of a pixel of the
// same colour in the other, and each column's lit pixels span the same rows within one.
::testing::AssertionResult lookAlike(const Frame& shown, const Frame& expected) {
    if (shown.empty() || shown.width != expected.width || shown.height != expected.height) {
        return ::testing::AssertionFailure() << "the window could not be read";
    }
    for (const Frame* frame : {&shown, &expected}) {
        const Frame& other = frame == &shown ? expected : shown;
        for (int y = 0; y < frame->height; ++y) {
            for (int x = 0; x < frame->width; ++x) {
                const Rgb colour = frame->at(x, y);
                if (colour == Rgb{} || nearby(other, x, y, colour)) continue;
                return ::testing::AssertionFailure()
                       << (frame == &shown ? "shown" : "expected") << " pixel (" << x << ", " << y
                       << ") of colour " << colour << " has none of its colour near it";
            }
        }
    }
    for (int x = 0; x < shown.width; ++x) {
        const auto [top, bottom] = columnSpan(shown, x);
        const auto [expectedTop, expectedBottom] = columnSpan(expected, x);
        if ((top < 0) != (expectedTop < 0) || std::abs(top - expectedTop) > 1 ||
            std::abs(bottom - expectedBottom) > 1) {
return ::testing::AssertionFailure()
                   << "column " << x << " spans rows " << top << " to " << bottom
                   << " instead of " << expectedTop << " to " << expectedBottom;
        }
    }
    return ::testing::AssertionSuccess();
}

class CurveViewTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        TimelineRegistry::instance().addTimeline3("long", longTimeline(20000));
        editor->core.currentName = "long";
        editor->core.helpVisible = false;
    }

    Frame editorFrame() {
        editor->draw();
        return shownFrame();
    }

    // Every sample and key of the timeline, one vertex call each, then the same text.
    Frame everythingDrawn() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(editor->core.viewLeft, editor->core.viewRight, editor->core.viewBottom,
                editor->core.viewTop, 1.0, 50000.0);
        glMatrixMode(GL_MODELVIEW);
        Camera camera;
        camera.apply();
        const Timeline3& t = current();
        glColor4ub(255, 0, 0, 255);
        drawAll(t.x.samples(), GL_LINE_STRIP);
        glColor4ub(0, 255, 0, 255);
        drawAll(t.y.samples(), GL_LINE_STRIP);
        glColor4ub(0, 0, 255, 255);
        drawAll(t.z.samples(), GL_LINE_STRIP);
        glPointSize(7.0f);
        glColor4ub(128, 128, 128, 255);
        for (const Channel* c : {&t.x, &t.y, &t.z}) {
            std::vector<Point2> points;
            for (const BezierKey& k : c->keys()) points.push_back(k.point);
            drawAll(points, GL_POINTS);
        }
        if (const BezierKey* k = editor->core.selectedKey()) {
            glPointSize(10.0f);
            glColor4ub(255, 255, 255, 255);
            drawAll({k->point, k->inHandle, k->outHandle}, GL_POINTS);
            drawAll({k->inHandle, k->point, k->outHandle}, GL_LINE_STRIP);
        }
        editor->drawHelp();
        editor->drawStatus();
        SDL_GL_SwapBuffers();
        return shownFrame();
    }

    ::testing::AssertionResult alikeWhenEverythingIsDrawn() {
        const Frame shown = editorFrame();
        return lookAlike(shown, everythingDrawn());
    }

    void setView(float left, float right, float bottom, float top) {
        editor->core.viewLeft = left;
        editor->core.viewRight = right;
        editor->core.viewBottom = bottom;
        editor->core.viewTop = top;
    }
};

TEST_F(CurveViewTest, TheComparisonTellsACurveDrawnAFewPixelsOff) {
    editor->core.frameAll();
    const Frame right = everythingDrawn();
    ASSERT_TRUE(lookAlike(right, right));
    // Three rows lower, everything: the curves' pixels and the columns' spans move too far.
    const float row = (editor->core.viewTop - editor->core.viewBottom) / kHeight;
    editor->core.viewBottom += 3 * row;
    editor->core.viewTop += 3 * row;
    EXPECT_FALSE(lookAlike(everythingDrawn(), right));
    // One row off is within what the comparison allows.
    editor->core.viewBottom -= 2 * row;
    editor->core.viewTop -= 2 * row;
    EXPECT_TRUE(lookAlike(everythingDrawn(), right));
}

TEST_F(CurveViewTest, ScrolledFarIntoALongTimelineTheCurvesSitAtTheirValues) {
    // Two pixels per unit, edges between samples and just beside keys.
    setView(100001.3f, 100401.3f, -250, 250);
    const Frame frame = editorFrame();
    ASSERT_EQ(frame.width, kWidth);
    // Columns halfway between key points, which would hide the line; the value at a column's
    // centre gives the row of the curve.
    for (int column : {7, 147, 407, 787}) {
        const float t = editor->core.viewLeft + (static_cast<float>(column) + 0.5f) * 0.5f;
        const float value = current().x.evaluate(t);
        const int row = static_cast<int>(std::floor(250 - value));
        EXPECT_TRUE(nearby(frame, column, row, Rgb{255, 0, 0}) ||
                    nearby(frame, column, row + 1, Rgb{255, 0, 0}))
            << "column " << column << ", value " << value;
    }
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
}

TEST_F(CurveViewTest, LongViewsLookAsIfEveryVertexWereDrawn) {
    // The whole timeline: about 140 samples and 27 keys of each channel per pixel column. Then
    // taller than the window: the curves leave it at the top and the bottom, and key points
    // there are cut off. Then zoomed out, ending past the last key, and before the first.
    editor->core.frameAll();
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
    editor->core.viewBottom = -97.3f;
    editor->core.viewTop = 61.9f;
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
    setView(54321.9f, 58321.9f, -250, 250);
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
    setView(150000.5f, 250000.5f, -250, 250);
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
    setView(-70000.25f, 9900.75f, -250, 250);
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
}

TEST_F(CurveViewTest, KeysSwingingWithinEveryColumnLookAsIfEveryVertexWereDrawn) {
    TimelineRegistry::instance().addTimeline3("swinging", swingingTimeline(100000));
    editor->core.currentName = "swinging";
    editor->core.helpVisible = true;
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
}

TEST_F(CurveViewTest, AKeyEditedBetweenFramesOfOneViewIsDrawnWhereItWent) {
    editor->core.frameAll();
    ASSERT_TRUE(alikeWhenEverythingIsDrawn());
    // A middle drag lifts a key of y 120 units, far above its neighbours, in the same view. The
    // lines up to it and down again stand nearly upright; one that crossed a column edge would
    // be split between the two columns wherever the rasteriser's sub-pixel grid put it, so the
    // key is one in the middle of its column.
    Channel& y = current().y;
    const ViewMapping view = editor->core.view();
    std::size_t index = 10000;
    for (;; ++index) {
        const float x = view.windowX(y.keys()[index].point.x);
        if (std::fabs(x - std::floor(x) - 0.5f) < 0.2f) break;
    }
    const float before = y.keys()[index].point.y;
    press(2);  // on empty space: nothing selected yet, so select the key by hand
    editor->core.select(&y, index);
    moveBy(0, -120);
    release(2);
    ASSERT_EQ(y.keys()[index].point.y, before + 120);
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
    // And taken back.
    ASSERT_TRUE(editor->core.undo());
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
}

TEST_F(CurveViewTest, KeysOutOfOrderAreAllDrawnWithOrWithoutTheSelection) {
    setView(100001.3f, 100401.3f, -250, 250);
    // A middle drag carries key 5 far along, past thousands of neighbours, into the view.
    Channel& y = current().y;
    press(2);
    editor->core.select(&y, 5);
    for (int step = 0; step < 100; ++step) moveBy(1001, 0);
    moveBy(150, -207);
    release(2);
    ASSERT_FALSE(y.keysInOrder());
    ASSERT_FLOAT_EQ(y.keys()[5].point.x, 100300.0f);
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
    // Without the white selection over it, the key's own grey point must be there too.
    editor->core.clearSelectedKey();
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
    // The whole timeline framed: every key is taken, out of order as they are.
    editor->core.frameAll();
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
}

TEST_F(CurveViewTest, AOneChannelTimelineIsDrawnInYellowWithGreyKeys) {
    auto one = std::make_shared<Timeline1>(2.0f);
    one->channel.addPoint({100, 50});
    one->channel.addPoint({300, 50});
    TimelineRegistry::instance().addTimeline1("fade", one);
    editor->core.currentKind = TimelineKind::One;
    editor->core.currentName = "fade";
    const Frame frame = editorFrame();
    ASSERT_FALSE(frame.empty());
    // Value 50 is row 200 at the first view; a key's point covers 7 pixels around it.
    EXPECT_TRUE(nearby(frame, 200, 200, Rgb{255, 255, 0}));
    EXPECT_EQ(frame.at(100, 200), (Rgb{128, 128, 128}));
    EXPECT_EQ(frame.count(Rgb{255, 0, 0}, 0, 0, kWidth, kHeight), 0);
}

}  // namespace
}  // namespace kvr::test
