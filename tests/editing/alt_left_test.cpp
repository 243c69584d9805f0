// The left button pressed with Alt stands in for the middle one, in every mode, until released.
#include "tests/editing/core_fixture.h"

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

    // Released, the left button is itself again: a plain drag pulls the in-handle.
    pointAt(100, 240);
    press(buttons::Left);
    moveBy(-20, 0);
    release(buttons::Left);
    EXPECT_EQ(current().x.keys()[1].point, (Point2{100, 10}));
    EXPECT_EQ(current().x.keys()[1].inHandle, (Point2{80, 10}));
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

TEST_F(AltLeftTest, OnEmptySpaceItClearsTheSelectionAndTheDragScrolls) {
    core.select(&current().y, 1);
    pointAt(400, 100);
    pressAltLeft();
    EXPECT_EQ(core.selectedKey(), nullptr);
    EXPECT_EQ(core.selection().activeChannel(), nullptr);
    for (int i = 0; i < 3; ++i) moveBy(10, 0);
    release(buttons::Left);
    EXPECT_FLOAT_EQ(core.view().left(), 80);
    EXPECT_FLOAT_EQ(core.view().right(), 880);
    EXPECT_FLOAT_EQ(core.view().top(), 250);
}

TEST_F(AltLeftTest, OnOneOfSeveralSelectedKeysTheDragMovesThemAll) {
    core.selectAll();
    ASSERT_EQ(core.selection().size(), 6u);
    pointAt(100, 240);
    pressAltLeft();
    EXPECT_EQ(core.selection().size(), 6u);
    EXPECT_EQ(core.selectedKey(), &current().x.keys()[1]);
    moveBy(10, -5);
    release(buttons::Left);
    for (const Channel* channel : {&current().x, &current().y, &current().z}) {
        EXPECT_FLOAT_EQ(channel->keys()[0].point.x, 10);
        EXPECT_FLOAT_EQ(channel->keys()[1].point.x, 110);
    }
    EXPECT_FLOAT_EQ(current().z.keys()[0].point.y, -5);
}

TEST_F(AltLeftTest, InInsertAndDeleteModesItActsAsAMiddlePress) {
    keyDown(keys::I);
    pointAt(50, 235);  // five units above the x curve
    pressAltLeft();
    release(buttons::Left);
    ASSERT_EQ(current().x.keys().size(), 3u);
    EXPECT_EQ(current().x.keys()[1].point, (Point2{50, 10}));

    // In delete mode a press on empty space deletes nothing, and the held mask then moves the
    // selected key whole, as a middle drag does, not its in-handle, as a left drag would.
    keyDown(keys::D);
    core.select(&current().y, 1);
    pointAt(400, 100);
    pressAltLeft();
    moveBy(10, -5);
    release(buttons::Left);
    expectKeyAt(current().y.keys()[1], {110, 5});

    pointAt(0, 260);  // the z channel's key at (0, -10)
    pressAltLeft();
    release(buttons::Left);
    EXPECT_EQ(current().z.keys().size(), 1u);
}

// Control with it is Control with the middle button: the drag follows the pointer at any zoom,
// moving the key exactly as a Control middle drag does, and from empty space it scrolls rather
// than drawing the box a Control left drag draws.
TEST_F(AltLeftTest, WithControlItIsAControlMiddleDrag) {
    for (int i = 0; i < 5; ++i) keyDown(keys::Equals);
    const Point2 start = current().x.keys()[1].point;
    pointAtCurve(start);
    press(buttons::Middle, true);
    moveBy(40, -30, true);
    release(buttons::Middle);
    const BezierKey byMiddle = current().x.keys()[1];
    ASSERT_NE(byMiddle.point, start);
    ASSERT_TRUE(core.undo());

    pointAtCurve(start);
    press(buttons::Left, true, false, true);
    moveBy(40, -30, true);
    release(buttons::Left);
    EXPECT_EQ(current().x.keys()[1].point, byMiddle.point);
    EXPECT_EQ(current().x.keys()[1].inHandle, byMiddle.inHandle);
    EXPECT_EQ(current().x.keys()[1].outHandle, byMiddle.outHandle);

    core.selectAll();
    pointAt(400, 20);
    const float left = core.view().left();
    press(buttons::Left, true, true, true);
    EXPECT_TRUE(core.selection().empty()) << "a middle press on empty space selects nothing";
    moveBy(30, 0, true);
    release(buttons::Left);
    EXPECT_GT(core.view().left(), left);
    EXPECT_TRUE(core.selection().empty()) << "no box was drawn to select in";
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
