// Frames of a long timeline: drawing only what the view shows must look like drawing it all.
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
        editor->core.currentName = "long";
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
    editor->core.viewLeft = 100001.3f;
    editor->core.viewRight = 100401.3f;
    editor->core.helpVisible = false;
    const Frame frame = editorFrame();
    ASSERT_EQ(frame.width, kWidth);

    // Columns halfway between key points, which would hide the line; the value at a column's
    // centre gives the row of the curve.
    for (int column : {7, 147, 407, 787}) {
        const float t = editor->core.viewLeft + (static_cast<float>(column) + 0.5f) * 0.5f;
        const float value = current().x.evaluate(t);
        const int row =
            static_cast<int>(std::floor((editor->core.viewTop - value) * kHeight /
                                        (editor->core.viewTop - editor->core.viewBottom)));
        EXPECT_TRUE(litNear(frame, column, row, Rgb{255, 0, 0}))
            << "column " << column << ", value " << value;
    }
    EXPECT_TRUE(sameAsEverythingDrawn());
}

TEST_F(CurveViewTest, EdgesAndZoomsLookAsIfEverySampleWereDrawn) {
    struct View {
        float left, right;
    };
    // The first view starts between two samples, 1.3 units (2.6 pixels) right of a key; the
    // others zoom out, end past the last key, and sit before the first key.
    for (View v : {View{100001.3f, 100401.3f}, View{54321.9f, 58321.9f}, View{199650.5f, 200450.5f},
                   View{-700.25f, 99.75f}}) {
        editor->core.viewLeft = v.left;
        editor->core.viewRight = v.right;
        EXPECT_TRUE(sameAsEverythingDrawn()) << "view from " << v.left;
    }
}

TEST_F(CurveViewTest, KeysOutOfOrderAreAllDrawnWithOrWithoutTheSelection) {
    editor->core.viewLeft = 100001.3f;
    editor->core.viewRight = 100401.3f;
    // A middle drag carries key 5 far along, past thousands of neighbours, into the view.
    Channel& y = current().y;
    press(2);  // on empty space: nothing selected yet, so select the key by hand
    editor->core.select(&y, 5);
    for (int step = 0; step < 100; ++step) moveBy(1001, 0);
    moveBy(150, 0);
    release(2);
    ASSERT_FALSE(y.keysInOrder());
    ASSERT_FLOAT_EQ(y.keys()[5].point.x, 100300.0f);
    EXPECT_TRUE(sameAsEverythingDrawn());
    // Without the white selection over it, the key's own grey point must be there too.
    editor->core.clearSelectedKey();
    EXPECT_TRUE(sameAsEverythingDrawn());
}

TEST_F(CurveViewTest, AOneChannelTimelineIsDrawnInYellowWithGreyKeys) {
    auto one = std::make_shared<Timeline1>(2.0f);
    one->channel.addPoint({100, 50});
    one->channel.addPoint({300, 50});
    TimelineRegistry::instance().addTimeline1("fade", one);
    editor->core.currentKind = TimelineKind::One;
    editor->core.currentName = "fade";
    editor->core.helpVisible = false;
    const Frame frame = editorFrame();
    ASSERT_FALSE(frame.empty());
    // Value 50 is row 200 at the first view; a key's point covers 7 pixels around it.
    EXPECT_TRUE(litNear(frame, 200, 200, Rgb{255, 255, 0}));
    EXPECT_EQ(frame.at(100, 200), (Rgb{128, 128, 128}));
    EXPECT_EQ(frame.count(Rgb{255, 0, 0}, 0, 0, kWidth, kHeight), 0);
}

}  // namespace
}  // namespace kvr::test
