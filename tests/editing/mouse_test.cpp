// Mouse editing on a real editor: picking, selection, drags, snapping, insert, delete, scrolling.
#include "tests/editing/core_fixture.h"

namespace kvr::test {
namespace {

using MouseTest = CoreTest;

TEST_F(MouseTest, CursorFollowsTheViewAndPicksWithinEightUnits) {
    pointAt(8, 244);  // cursor (8, 6): x key at 80, y key at 100 squared units
    EXPECT_FLOAT_EQ(core.view().cursor().x, 8);
    EXPECT_FLOAT_EQ(core.view().cursor().y, 6);
    press(1);
    EXPECT_EQ(core.selectedKey(), nullptr);
    release(1);

    pointAt(6, 244);  // 36 + 16 = 52: the x key
    press(1);
    EXPECT_EQ(core.selectedKey(), &current().x.keys()[0]);
    EXPECT_EQ(core.selection().activeChannel(), &current().x);
    release(1);

    // Both the x key (18) and the y key (58) are in reach at (3, 7): x comes first.
    core.clearSelection();
    pointAt(3, 243);
    press(2);
    EXPECT_EQ(core.selectedKey(), &current().x.keys()[0]);
}

TEST_F(MouseTest, PressesBeforeAnyMotionActAtTheOrigin) {
    press(2);
    EXPECT_EQ(core.selectedKey(), &current().y.keys()[0]);
}

TEST_F(MouseTest, SelectionRules) {
    pointAt(100, 250);  // y channel's key at (100, 0)
    press(2);
    release(2);
    ASSERT_EQ(core.selectedKey(), &current().y.keys()[1]);

    // A left press on empty space keeps the selection; a middle press there clears it.
    pointAt(400, 240);
    click(1);
    EXPECT_EQ(core.selectedKey(), &current().y.keys()[1]);
    click(3);
    EXPECT_EQ(core.selectedKey(), &current().y.keys()[1]);
    click(2);
    EXPECT_EQ(core.selectedKey(), nullptr);
    EXPECT_EQ(core.selection().activeChannel(), nullptr);

    // The right button never selects.
    pointAt(100, 250);
    click(3);
    EXPECT_EQ(core.selectedKey(), nullptr);
}

TEST_F(MouseTest, MiddleDragMovesTheWholeKeyOneUnitPerPixel) {
    core.zoomIn();
    core.zoomIn();
    // Keep the key reachable after zooming.
    core.setView(-10, 710, core.view().bottom(), core.view().top());
    const BezierKey before = current().x.keys()[0];
    pointAtCurve({0, 10});
    press(2);
    ASSERT_EQ(core.selectedKey(), &current().x.keys()[0]);
    moveBy(10, 4);
    moveBy(5, -2);
    release(2);
    const BezierKey& after = current().x.keys()[0];
    for (auto [b, a] : {std::pair{before.point, after.point},
                        {before.inHandle, after.inHandle},
                        {before.outHandle, after.outHandle}}) {
        EXPECT_FLOAT_EQ(a.x, b.x + 15);
        EXPECT_FLOAT_EQ(a.y, b.y - 2);
    }
    // The samples follow the moved key.
    EXPECT_FLOAT_EQ(current().x.samples().front().x, 15);
    EXPECT_FLOAT_EQ(current().x.samples().front().y, 8);
}

TEST_F(MouseTest, HandleDragsAndSnapBack) {
    Channel& x = current().x;
    pointAt(100, 240);
    press(1);
    ASSERT_EQ(core.selectedKey(), &x.keys()[1]);
    moveBy(-3, -4);  // five pixels: snaps back on release
    EXPECT_FLOAT_EQ(x.keys()[1].inHandle.x, 97);
    EXPECT_FLOAT_EQ(x.keys()[1].inHandle.y, 14);
    EXPECT_FLOAT_EQ(x.keys()[1].point.x, 100);
    release(1);
    EXPECT_EQ(x.keys()[1].inHandle, x.keys()[1].point);

    press(1);
    moveBy(-8, 0);  // eight pixels: stays
    release(1);
    EXPECT_FLOAT_EQ(x.keys()[1].inHandle.x, 92);

    // The right button pulls the out-handle of the key already selected, wherever it starts.
    pointAt(600, 100);
    press(3);
    moveBy(20, -30);
    release(3);
    EXPECT_FLOAT_EQ(x.keys()[1].outHandle.x, 120);
    EXPECT_FLOAT_EQ(x.keys()[1].outHandle.y, 40);
    EXPECT_EQ(x.keys()[1].point, (Point2{100, 10}));
}

TEST_F(MouseTest, SnapRebuildsTheCurve) {
    Channel& y = current().y;
    pointAt(100, 250);
    press(1);
    moveBy(-4, -4);
    bool bent = false;
    for (const Point2& s : y.samples()) bent |= s.y != 0.0f;
    EXPECT_TRUE(bent);
    release(1);
    EXPECT_EQ(y.keys()[1].inHandle, y.keys()[1].point);
    for (const Point2& s : y.samples()) EXPECT_FLOAT_EQ(s.y, 0);
}

TEST_F(MouseTest, RightDragWithoutSelectionChangesNothing) {
    const std::vector<BezierKey> before = current().x.keys();
    pointAt(50, 100);
    press(3);
    moveBy(20, 20);
    release(3);
    ASSERT_EQ(current().x.keys().size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(current().x.keys()[i].outHandle, before[i].outHandle);
    }
    EXPECT_FLOAT_EQ(core.view().left(), 0);
}

TEST_F(MouseTest, MiddleDragOnEmptySpaceScrollsTheView) {
    pointAt(400, 100);
    press(2);
    for (int i = 0; i < 3; ++i) moveBy(10, 0);
    release(2);
    EXPECT_FLOAT_EQ(core.view().left(), 80);
    EXPECT_FLOAT_EQ(core.view().right(), 880);
    EXPECT_FLOAT_EQ(core.view().top(), 250);

    press(2);
    moveBy(0, 30);  // downward motion lowers the view by a tenth of its height
    release(2);
    EXPECT_NEAR(core.view().top(), 200, 1e-3);
    EXPECT_NEAR(core.view().bottom(), -300, 1e-3);
}

TEST_F(MouseTest, InsertModeAddsAKeyOnTheCurve) {
    keyDown(keys::I);
    core.select(&current().z, 0);

    pointAt(50, 235);  // five units above the x curve at time 50
    click(1);
    Channel& x = current().x;
    ASSERT_EQ(x.keys().size(), 3u);
    EXPECT_EQ(x.keys()[1].point, (Point2{50, 10}));
    EXPECT_EQ(x.keys()[1].inHandle, x.keys()[1].point);
    EXPECT_EQ(core.selectedKey(), nullptr);
    EXPECT_EQ(core.selection().activeChannel(), &current().z);

    // Eight units away from every curve: nothing.
    pointAt(50, 272);
    click(1);
    EXPECT_EQ(current().z.keys().size(), 2u);
    EXPECT_EQ(current().y.keys().size(), 2u);

    // The flat extension past the last key counts, and a wheel step inserts too.
    pointAt(300, 262);
    click(4);
    ASSERT_EQ(current().z.keys().size(), 3u);
    EXPECT_EQ(current().z.keys()[2].point, (Point2{300, -10}));
}

TEST_F(MouseTest, InsertIntoAnEmptyChannelAtValueZero) {
    for (Channel* channel : {&current().x, &current().y}) {
        while (!channel->keys().empty()) channel->removeKey(0);
    }
    keyDown(keys::I);
    pointAt(40, 247);  // value 3: the empty x channel (0) is first in reach
    click(1);
    ASSERT_EQ(current().x.keys().size(), 1u);
    EXPECT_EQ(current().x.keys()[0].point, (Point2{40, 0}));
    EXPECT_TRUE(current().y.keys().empty());
}

TEST_F(MouseTest, DeleteModeRemovesTheKeyUnderThePointer) {
    keyDown(keys::D);
    pointAt(100, 250);
    core.select(&current().x, 0);
    click(5);  // a wheel step counts as a press
    EXPECT_EQ(current().y.keys().size(), 1u);
    EXPECT_EQ(core.selectedKey(), nullptr);

    pointAt(300, 250);
    click(1);
    EXPECT_EQ(current().y.keys().size(), 1u);
    EXPECT_EQ(current().x.keys().size(), 2u);
}

TEST_F(MouseTest, DraggingKeepsTheStoredOrder) {
    pointAt(0, 250);
    press(2);
    ASSERT_EQ(core.selectedKey(), &current().y.keys()[0]);
    moveBy(150, 0);
    release(2);
    EXPECT_FLOAT_EQ(current().y.keys()[0].point.x, 150);
    EXPECT_FLOAT_EQ(current().y.keys()[1].point.x, 100);
    EXPECT_FLOAT_EQ(current().y.evaluate(50), 0);
}

}  // namespace
}  // namespace kvr::test
