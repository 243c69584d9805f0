// The left button pressed with Alt stands in for the middle one, in every mode, until released.
#include <algorithm>
#include <functional>
#include <vector>

#include "tests/editing/core_fixture.h"
#include "tests/timeline/channel_checks.h"

namespace kvr::test {
namespace {

using AltLeftTest = CoreTest;

void expectKeyAt(const BezierKey& key, Point2 point) {
    EXPECT_EQ(key.point, point);
    EXPECT_EQ(key.inHandle, point);
    EXPECT_EQ(key.outHandle, point);
}

TEST_F(AltLeftTest, PressSelectsAndTheDragMovesTheWholeKeyAsOneStep) {
    pointAt(100, 240);  // the x channel's key at (100, 10)
    pressAltLeft();
    ASSERT_EQ(core.selectedKey(), &current().x.keys()[1]);
    // The drags read the middle bit alone: a left bit would pull the in-handle as well.
    EXPECT_EQ(core.view().heldButtons(), buttons::MiddleMask);
    moveBy(10, 4);
    moveBy(5, -2);
    release(buttons::Left);
    EXPECT_EQ(core.view().heldButtons(), 0);
    expectKeyAt(current().x.keys()[1], {115, 8});

    EXPECT_TRUE(core.undo());
    expectKeyAt(current().x.keys()[1], {100, 10});
    EXPECT_FALSE(core.undo()) << "the press, drag and release were one step";
}

TEST_F(AltLeftTest, ReleaseSnapsNoHandle) {
    writeFile(dir.file("near.lua"),
              "timeline3_begin('near')\n"
              "timeline3_insert_x(vector2.new(97, 10), vector2.new(100, 10), "
              "vector2.new(104, 10))\n"
              "timeline3_end()\n");
    core.setFileName("near.lua");
    core.reload();
    const Channel& x = current().x;
    ASSERT_EQ(x.keys().size(), 1u);
    pointAt(100, 240);
    pressAltLeft();
    release(buttons::Left);
    EXPECT_EQ(x.keys()[0].inHandle, (Point2{97, 10}));
    EXPECT_EQ(x.keys()[0].outHandle, (Point2{104, 10}));
    EXPECT_FALSE(core.hasUnsavedChanges());

    // The plain left release snaps the in-handle three units away.
    press(buttons::Left);
    release(buttons::Left);
    EXPECT_EQ(x.keys()[0].inHandle, x.keys()[0].point);
}

// What a gesture leaves: every key, the selection and the view.
struct Outcome {
    std::vector<std::vector<BezierKey>> keys;
    std::size_t selected = 0;
    long active = -1;  // the active key's place: channel x 1,000,000 + index
    float left = 0, right = 0, bottom = 0, top = 0;

    bool operator==(const Outcome& o) const {
        return std::equal(keys.begin(), keys.end(), o.keys.begin(), o.keys.end(),
                          [](const auto& a, const auto& b) { return sameKeys(a, b); }) &&
               selected == o.selected && active == o.active && left == o.left && right == o.right &&
               bottom == o.bottom && top == o.top;
    }
};

// Each gesture made from the same start with the middle button, with Alt and the left button,
// and with the left button alone: the first two end alike, the third otherwise (so that the
// comparison can tell).
TEST_F(AltLeftTest, EveryMiddleGestureEndsTheSameWithAltLeft) {
    struct Gesture {
        const char* name;
        std::function<void()> setUp;
        int x, y, dx, dy;
        bool ctrl;
    };
    const std::vector<Gesture> gestures = {
        {"on empty space: nothing selected, the view scrolled",
         [&] { core.select(&current().y, 1); }, 400, 100, 30, 0, false},
        {"on one of several selected keys: all of them moved", [&] { core.selectAll(); }, 100, 240,
         10, -5, false},
        {"in delete mode, on empty space: the selected key moved whole",
         [&] {
             keyDown(keys::D);
             core.select(&current().y, 1);
         },
         400, 100, 10, -5, false},
        {"with Control, on a key zoomed in: the drag follows the pointer",
         [&] {
             for (int i = 0; i < 5; ++i) keyDown(keys::Equals);
         },
         -1, -1, 40, -30, true},
        {"with Control, on empty space: a scroll, no box", [&] { core.selectAll(); }, 400, 20, 30,
         0, true},
    };
    ASSERT_TRUE(core.save());  // the start every run reloads
    for (const Gesture& g : gestures) {
        const auto run = [&](int button, bool alt) {
            core.reload();
            core.setView(0, 800, -250, 250);
            keyDown(keys::E);
            g.setUp();
            if (g.x < 0) {
                pointAtCurve(current().x.keys()[1].point);
            } else {
                pointAt(g.x, g.y);
            }
            press(button, g.ctrl, false, alt);
            moveBy(g.dx, g.dy, g.ctrl);
            release(button);
            const Timeline3& t = current();
            // The reload makes new keys each run: the active key is told by its place.
            long active = -1;
            const Channel* channels[] = {&t.x, &t.y, &t.z};
            for (long c = 0; c < 3; ++c) {
                const std::vector<BezierKey>& keys = channels[c]->keys();
                for (std::size_t i = 0; i < keys.size(); ++i) {
                    if (&keys[i] == core.selectedKey()) active = c * 1000000 + static_cast<long>(i);
                }
            }
            return Outcome{{t.x.keys(), t.y.keys(), t.z.keys()},
                           core.selection().size(),
                           active,
                           core.view().left(),
                           core.view().right(),
                           core.view().bottom(),
                           core.view().top()};
        };
        const Outcome middle = run(buttons::Middle, false);
        EXPECT_TRUE(run(buttons::Left, true) == middle) << g.name;
        EXPECT_FALSE(run(buttons::Left, false) == middle) << g.name;
    }
}

// Alt counts only at the press: whatever becomes of it, the gesture stays a middle one until the
// button is let go, and another button pressed meanwhile finds the middle bit held.
TEST_F(AltLeftTest, ThePressDecidesUntilTheRelease) {
    pointAt(0, 250);  // the y channel's key at (0, 0)
    pressAltLeft();
    press(buttons::Right);
    EXPECT_EQ(core.view().heldButtons(), buttons::MiddleMask | buttons::RightMask);
    moveBy(5, 0);
    release(buttons::Right);
    EXPECT_EQ(core.view().heldButtons(), buttons::MiddleMask);
    moveBy(5, 0);
    release(buttons::Left);
    expectKeyAt(current().y.keys()[0], {10, 0});

    // Alt turns only the left button into the middle one: a right drag with it still pulls the
    // selected key's out-handle, and a left press without it is a left press again.
    press(buttons::Right, false, false, true);
    EXPECT_EQ(core.view().heldButtons(), buttons::RightMask);
    moveBy(0, -10);
    release(buttons::Right);
    press(buttons::Left);
    EXPECT_EQ(core.view().heldButtons(), buttons::LeftMask);
    moveBy(-10, 0);
    release(buttons::Left);
    const BezierKey& key = current().y.keys()[0];
    EXPECT_EQ(key.point, (Point2{10, 0}));
    EXPECT_EQ(key.outHandle, (Point2{10, 10}));
    EXPECT_EQ(key.inHandle, (Point2{0, 0}));
}

}  // namespace
}  // namespace kvr::test
