// Frames of long timelines: drawing what the window can show must look like drawing every vertex.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "app/camera.h"
#include "tests/app/editor_fixture.h"
#include "tests/app/shown_frame.h"

namespace kvr::test {
namespace {

// keyCount keys a channel; the i-th key of channel c at time step * i, value value(c, i),
// handles `reach` units to either side.
template <class Value>
std::shared_ptr<Timeline3> timelineOf(int keyCount, float step, float reach, Value value) {
    auto timeline = std::make_shared<Timeline3>(2.0f);
    Channel* channels[] = {&timeline->x, &timeline->y, &timeline->z};
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < keyCount; ++i) {
            const Point2 p{step * static_cast<float>(i), value(c, i)};
            channels[c]->insertKey({p.x - reach, p.y - reach}, p, {p.x + reach, p.y + reach});
        }
    }
    timeline->rebuildAll();
    return timeline;
}

// Every 10 units, each channel moving smoothly in a band of its own with a faster ripple on top.
std::shared_ptr<Timeline3> longTimeline() {
    return timelineOf(20000, 10, 2, [](int c, int i) {
        const float n = static_cast<float>(i), periods[] = {900, 400, 150},
                    ripples[] = {37, 23, 53};
        return 100.0f * static_cast<float>(1 - c) +
               45 * std::sin(n / periods[c] + static_cast<float>(c)) + 8 * std::sin(n / ripples[c]);
    });
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
                   << "column " << x << " spans rows " << top << " to " << bottom << " instead of "
                   << expectedTop << " to " << expectedBottom;
        }
    }
    return ::testing::AssertionSuccess();
}

class CurveViewTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        TimelineRegistry::instance().addTimeline3("long", longTimeline());
        editor->core.showTimeline(TimelineKind::Three, "long");
        editor->core.keyDown(keys::H);  // the help off
    }

    // Every sample and key of the timeline, one vertex call each, then the same text.
    Frame everythingDrawn() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        const EditingCore& core = editor->core;
        const EditView& view = core.view();
        glOrtho(view.left(), view.right(), view.bottom(), view.top(), 1.0, 50000.0);
        glMatrixMode(GL_MODELVIEW);
        Camera camera;
        camera.apply();
        const Timeline3& t = current();
        const Channel* channels[] = {&t.x, &t.y, &t.z};
        const GLubyte colours[][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
        for (int c = 0; c < 3; ++c) {
            glColor3ubv(colours[c]);
            drawAll(channels[c]->samples(), GL_LINE_STRIP);
        }
        glPointSize(7.0f);
        glColor4ub(128, 128, 128, 255);
        for (const Channel* c : channels) {
            std::vector<Point2> points;
            for (const BezierKey& k : c->keys()) points.push_back(k.point);
            drawAll(points, GL_POINTS);
        }
        if (const BezierKey* k = core.selectedKey()) {
            glPointSize(10.0f);
            glColor4ub(255, 255, 255, 255);
            std::vector<Point2> selected;
            for (const KeySelection::ChannelKeys& keys : core.selection().channels()) {
                for (std::size_t i : keys.indices)
                    selected.push_back(keys.channel->keys()[i].point);
            }
            drawAll(selected, GL_POINTS);
            drawAll({k->point, k->inHandle, k->outHandle}, GL_POINTS);
            drawAll({k->inHandle, k->point, k->outHandle}, GL_LINE_STRIP);
        }
        if (const std::optional<CurveRect> box = core.selectionBox()) {
            glColor4ub(255, 255, 255, 255);
            drawAll({{box->left, box->bottom},
                     {box->right, box->bottom},
                     {box->right, box->top},
                     {box->left, box->top}},
                    GL_LINE_LOOP);
        }
        editor->drawHelp();
        editor->drawStatus();
        SDL_GL_SwapBuffers();
        return shownFrame();
    }

    ::testing::AssertionResult alikeWhenEverythingIsDrawn() {
        editor->draw();
        const Frame shown = shownFrame();
        return lookAlike(shown, everythingDrawn());
    }

    ::testing::AssertionResult alikeInView(float left, float right, float bottom, float top) {
        if (!editor->core.setView(left, right, bottom, top)) {
            return ::testing::AssertionFailure() << "the view could not be shown";
        }
        return alikeWhenEverythingIsDrawn();
    }
};

TEST_F(CurveViewTest, TheComparisonTellsACurveDrawnAFewPixelsOff) {
    editor->core.frameAll();
    const Frame right = everythingDrawn();
    ASSERT_TRUE(lookAlike(right, right));
    // Three rows lower, everything: the curves' pixels and the columns' spans move too far; one
    // row is within what the comparison allows.
    const EditView framed = editor->core.view();
    const float row = (framed.top() - framed.bottom()) / 500;
    const auto lowered = [&](float rows) {
        editor->core.setView(framed.left(), framed.right(), framed.bottom() + rows * row,
                             framed.top() + rows * row);
        return everythingDrawn();
    };
    EXPECT_FALSE(lookAlike(lowered(3), right));
    EXPECT_TRUE(lookAlike(lowered(1), right));
}

TEST_F(CurveViewTest, LongViewsLookAsIfEveryVertexWereDrawn) {
    // The whole timeline, about 125 samples and 25 keys of each channel per pixel column; then
    // taller than the window, the curves leaving it at the top and the bottom and key points
    // there cut off. Then zoomed out, ending past the last key, before the first, and a view far
    // along with every vertex drawn, two pixels per unit.
    editor->core.frameAll();
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
    EXPECT_TRUE(
        alikeInView(editor->core.view().left(), editor->core.view().right(), -97.3f, 61.9f));
    EXPECT_TRUE(alikeInView(54321.9f, 58321.9f, -250, 250));
    EXPECT_TRUE(alikeInView(150000.5f, 250000.5f, -250, 250));
    EXPECT_TRUE(alikeInView(-70000.25f, 9900.75f, -250, 250));
    EXPECT_TRUE(alikeInView(100001.3f, 100401.3f, -250, 250));
}

TEST_F(CurveViewTest, KeysSwingingWithinEveryColumnLookAsIfEveryVertexWereDrawn) {
    // 3 x 100,000 keys packed into the first view, each channel's values jumping about within a
    // band 50 units high, across dozens of rows inside every pixel column; the help shown.
    TimelineRegistry::instance().addTimeline3(
        "swinging", timelineOf(100000, 0.008f, 0, [](int c, int i) {
            const double turn = static_cast<double>(i) * 7.919;
            return static_cast<float>(75.0 - 100 * c + 50 * (turn - std::floor(turn)));
        }));
    editor->core.showTimeline(TimelineKind::Three, "swinging");
    editor->core.keyDown(keys::H);  // the help on again
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
}

TEST_F(CurveViewTest, AKeyEditedBetweenFramesOfOneViewIsDrawnWhereItWent) {
    editor->core.frameAll();
    ASSERT_TRUE(alikeWhenEverythingIsDrawn());
    // A middle drag lifts a key of y 120 units, far above its neighbours, in the same view. The
    // lines up to it and down again stand nearly upright; one across a column edge would be
    // split between the two columns wherever the rasteriser's sub-pixel grid put it, so the key
    // is one in the middle of its column.
    Channel& y = current().y;
    std::size_t index = 10000;
    const ViewMapping view = editor->core.view().mapping();
    while (std::fabs(std::fmod(view.windowX(y.keys()[index].point.x), 1.0f) - 0.5f) > 0.2f) ++index;
    const float before = y.keys()[index].point.y;
    press(2);  // on empty space: nothing selected yet, so select the key by hand
    editor->core.select(&y, index);
    moveBy(0, -120);
    release(2);
    ASSERT_EQ(y.keys()[index].point.y, before + 120);
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
    ASSERT_TRUE(editor->core.undo());
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
}

TEST_F(CurveViewTest, KeysSelectedWithABoxAreDrawnWhiteOverTheLongCurves) {
    // Thousands of keys of the framed timeline in a box dragged with Control; the box drawn while
    // the button is held, the keys white once it is let go.
    editor->core.frameAll();
    EditingCore& core = editor->core;
    core.pointerMoved(300, 150, 0, 0);
    core.buttonPressed(1, 300, 150, 1, true);
    core.pointerMoved(420, 330, 120, 180);
    ASSERT_TRUE(core.selectionBox());
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
    core.buttonReleased(1, 0);
    ASSERT_GT(core.selection().size(), 1000u);
    EXPECT_TRUE(alikeWhenEverythingIsDrawn());
}

TEST_F(CurveViewTest, KeysOutOfOrderAreAllDrawnWithOrWithoutTheSelection) {
    // A middle drag carries key 5 far along, past thousands of neighbours, into the view.
    Channel& y = current().y;
    press(2);
    editor->core.select(&y, 5);
    for (int step = 0; step < 100; ++step) moveBy(1001, 0);
    moveBy(150, -207);
    release(2);
    ASSERT_FALSE(y.keysInOrder());
    ASSERT_FLOAT_EQ(y.keys()[5].point.x, 100300.0f);
    EXPECT_TRUE(alikeInView(100001.3f, 100401.3f, -250, 250));
    // Without the white selection over it, the key's own grey point must be there too.
    editor->core.clearSelection();
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
    editor->core.showTimeline(TimelineKind::One, "fade");
    editor->draw();
    const Frame frame = shownFrame();
    ASSERT_FALSE(frame.empty());
    // Value 50 is row 200 at the first view; a key's point covers 7 pixels around it.
    EXPECT_TRUE(nearby(frame, 200, 200, Rgb{255, 255, 0}));
    EXPECT_EQ(frame.at(100, 200), (Rgb{128, 128, 128}));
    EXPECT_EQ(frame.count(Rgb{255, 0, 0}, 0, 0, frame.width, frame.height), 0);
}

}  // namespace
}  // namespace kvr::test
