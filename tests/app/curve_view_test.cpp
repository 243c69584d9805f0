// Frames of a long timeline: drawing only what the view shows must look like drawing it all.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "app/camera.h"
#include "app/key_point_sieve.h"
#include "app/polyline_reducer.h"
#include "tests/app/editor_fixture.h"
#include "tests/app/shown_frame.h"

namespace kvr::test {
namespace {

const int kWidth = 800;
const int kHeight = 500;

// Keys every 10 units with values that swing across the view, handles inside their segments.
std::shared_ptr<Timeline3> longTimeline(int keyCount) {
    auto timeline = std::make_shared<Timeline3>(2.0f);
    int channelIndex = 0;
    for (Channel* channel : {&timeline->x, &timeline->y, &timeline->z}) {
        for (int i = 0; i < keyCount; ++i) {
            const float t = static_cast<float>(10 * i);
            const float v = 150.0f * std::sin(static_cast<float>(i + 20 * channelIndex) / 7.0f);
            channel->insertKey({t - 3, v - 20}, {t, v}, {t + 3, v + 20});
        }
        ++channelIndex;
    }
    timeline->rebuildAll();
    return timeline;
}

// Keys crowded into the first view's 0..800, dozens per pixel column, values swinging across
// and beyond it with noise on top, handles just beside their points.
std::shared_ptr<Timeline3> packedTimeline(int keyCount) {
    auto timeline = std::make_shared<Timeline3>(2.0f);
    std::mt19937 noise(15);
    int channelIndex = 0;
    for (Channel* channel : {&timeline->x, &timeline->y, &timeline->z}) {
        for (int i = 0; i < keyCount; ++i) {
            const float t = 800.0f * static_cast<float>(i) / static_cast<float>(keyCount);
            const float v = 230.0f * std::sin(static_cast<float>(i) / 900.0f + channelIndex) +
                            static_cast<float>(noise() % 800) / 10.0f - 40.0f;
            channel->insertKey({t - 0.005f, v - 7}, {t, v}, {t + 0.005f, v + 7});
        }
        ++channelIndex;
    }
    timeline->rebuildAll();
    return timeline;
}

void drawAll(const std::vector<Point2>& points, GLenum mode) {
    glBegin(mode);
    for (const Point2& p : points) glVertex2f(p.x, p.y);
    glEnd();
}

class CurveViewTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        TimelineRegistry::instance().addTimeline3("long", longTimeline(20000));
        editor->core.showTimeline(TimelineKind::Three, "long");
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
        glOrtho(editor->core.view().left(), editor->core.view().right(),
                editor->core.view().bottom(), editor->core.view().top(), 1.0, 50000.0);
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

    ::testing::AssertionResult sameAsEverythingDrawn() {
        const Frame shown = editorFrame();
        const Frame expected = everythingDrawn();
        if (shown.width != kWidth || shown.height != kHeight || expected.width != kWidth ||
            expected.height != kHeight) {
            return ::testing::AssertionFailure() << "the window could not be read";
        }
        int differing = 0;
        int firstX = -1, firstY = -1;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                if (shown.at(x, y) == expected.at(x, y)) continue;
                if (differing++ == 0) firstX = x, firstY = y;
            }
        }
        if (differing == 0) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << differing << " pixels differ, the first at (" << firstX << ", " << firstY << ")";
    }

    // Whether a pixel of this colour lies in column x within two rows of row y.
    static bool litNear(const Frame& frame, int x, int y, Rgb colour) {
        for (int row = std::max(0, y - 2); row <= std::min(kHeight - 1, y + 2); ++row) {
            if (frame.at(x, row) == colour) return true;
        }
        return false;
    }
};

TEST_F(CurveViewTest, ScrolledFarIntoALongTimelineTheCurvesSitAtTheirValues) {
    // Two pixels per unit, edges between samples and just beside keys.
    editor->core.setView(100001.3f, 100401.3f, -250, 250);
    editor->core.keyDown(keys::H);  // the help off
    const Frame frame = editorFrame();
    ASSERT_EQ(frame.width, kWidth);

    // Columns halfway between key points, which would hide the line; the value at a column's
    // centre gives the row of the curve.
    for (int column : {7, 147, 407, 787}) {
        const float t = editor->core.view().left() + (static_cast<float>(column) + 0.5f) * 0.5f;
        const float value = current().x.evaluate(t);
        const int row = static_cast<int>(
            std::floor((editor->core.view().top() - value) * kHeight /
                       (editor->core.view().top() - editor->core.view().bottom())));
        EXPECT_TRUE(litNear(frame, column, row, Rgb{255, 0, 0}))
            << "column " << column << ", value " << value;
    }
    EXPECT_TRUE(sameAsEverythingDrawn());
}

TEST_F(CurveViewTest, ViewsLookAsIfEverySampleWereDrawn) {
    editor->core.keyDown(keys::H);  // the help off
    struct View {
        float left, right, bottom, top;
    };
    // Zoomed out; ending past the last key; before the first. Then a few samples per column: in
    // the first of these views the red curve turns 0.0004 pixels above the centre line of a row,
    // where the rasteriser's tie rules decide; in the second, others do; in the third the red
    // curve leaves the window's top edge close to the apex of a diamond.
    for (View v : {View{54321.9f, 58321.9f, -250, 250}, View{199650.5f, 200450.5f, -250, 250},
                   View{-700.25f, 99.75f, -250, 250}, View{8000.25f, 13500.25f, -158.96f, 160.56f},
                   View{22000.25f, 27000.25f, -157.14f, 161.54f},
                   View{68854.2266f, 118899.297f, -38.367012f, 104.165718f}}) {
        editor->core.setView(v.left, v.right, v.bottom, v.top);
        EXPECT_TRUE(sameAsEverythingDrawn()) << "view from " << v.left;
    }
    // The whole timeline: about 140 samples and 27 keys of each channel per pixel column. Then
    // taller than the window: the curves leave it at the top and the bottom, and key points
    // there are clipped.
    editor->core.frameAll();
    EXPECT_TRUE(sameAsEverythingDrawn());
    const EditView& view = editor->core.view();
    editor->core.setView(view.left(), view.right(), -97.3f, 61.9f);
    EXPECT_TRUE(sameAsEverythingDrawn());
}

TEST_F(CurveViewTest, KeysOutOfOrderAreAllDrawnWithOrWithoutTheSelection) {
    editor->core.setView(100001.3f, 100401.3f, -250, 250);
    // A middle drag carries key 5 far along, past thousands of neighbours, into the view, and up
    // into the pixel row of key 10017, 260 pixels to its left: met first in key order, it must
    // not hide that key's square.
    Channel& y = current().y;
    press(2);  // on empty space: nothing selected yet, so select the key by hand
    editor->core.select(&y, 5);
    for (int step = 0; step < 100; ++step) moveBy(1001, 0);
    moveBy(150, -207);
    release(2);
    ASSERT_FALSE(y.keysInOrder());
    ASSERT_FLOAT_EQ(y.keys()[5].point.x, 100300.0f);
    EXPECT_TRUE(sameAsEverythingDrawn());
    // Without the white selection over it, the key's own grey point must be there too.
    editor->core.clearSelection();
    EXPECT_TRUE(sameAsEverythingDrawn());
    // The whole timeline framed: every key is sifted, out of order as they are.
    editor->core.frameAll();
    EXPECT_TRUE(sameAsEverythingDrawn());
    // The drag taken back in the same view: nothing of the frame before may be drawn again.
    ASSERT_TRUE(editor->core.undo());
    EXPECT_TRUE(sameAsEverythingDrawn());
}

TEST_F(CurveViewTest, KeysPackedIntoTheFirstViewLookAsIfEveryOneWereDrawn) {
    TimelineRegistry::instance().addTimeline3("packed", packedTimeline(30000));
    editor->core.showTimeline(TimelineKind::Three, "packed");
    EXPECT_TRUE(sameAsEverythingDrawn());
    // Closer, and lower than the curves: they leave the window at the top and the bottom.
    editor->core.keyDown(keys::H);  // the help off
    editor->core.setView(100.3f, 700.9f, -31.3f, 17.9f);
    EXPECT_TRUE(sameAsEverythingDrawn());
}

// What goes to OpenGL for the whole long timeline: a few vertices per pixel column, and far
// fewer key points than keys, though their squares swing over hundreds of rows in a column.
TEST_F(CurveViewTest, TheWholeTimelineTakesAFewVerticesPerColumn) {
    editor->core.frameAll();
    const EditingCore& core = editor->core;
    const EditView& view = core.view();
    const WindowMapping window(view.left(), view.right(), view.bottom(), view.top(), kWidth,
                               kHeight);
    PolylineReducer reducer;
    KeyPointSieve sieve;
    std::size_t vertices = 0, points = 0, keys = 0;
    for (const Channel* c : {&current().x, &current().y, &current().z}) {
        std::vector<Point2> out;
        reducer.reduce(c->samples().data(), c->samples().size(), window, out);
        vertices = std::max(vertices, out.size());
        out.clear();
        sieve.sift(c->keys().data(), c->keys().size(), true, 7, window, out);
        points += out.size();
        keys += c->keys().size();
    }
    EXPECT_LE(vertices, 6u * kWidth);
    EXPECT_LT(points, keys / 3);
}

TEST_F(CurveViewTest, AOneChannelTimelineIsDrawnInYellowWithGreyKeys) {
    auto one = std::make_shared<Timeline1>(2.0f);
    one->channel.addPoint({100, 50});
    one->channel.addPoint({300, 50});
    TimelineRegistry::instance().addTimeline1("fade", one);
    editor->core.showTimeline(TimelineKind::One, "fade");
    editor->core.keyDown(keys::H);  // the help off
    const Frame frame = editorFrame();
    ASSERT_FALSE(frame.empty());
    // Value 50 is row 200 at the first view; a key's point covers 7 pixels around it.
    EXPECT_TRUE(litNear(frame, 200, 200, Rgb{255, 255, 0}));
    EXPECT_EQ(frame.at(100, 200), (Rgb{128, 128, 128}));
    EXPECT_EQ(frame.count(Rgb{255, 0, 0}, 0, 0, kWidth, kHeight), 0);
}

}  // namespace
}  // namespace kvr::test
