// Many keys at once on a real editor: box selection, select all, moving, deleting, copying and
// pasting the selected keys together, and framing them.
#include <memory>
#include <vector>

#include "tests/editing/core_fixture.h"
#include "tests/timeline/channel_checks.h"

namespace kvr::test {
namespace {

// The default timeline at the first view: the x keys at (0, 10) and (100, 10), y at values 0,
// z at -10; window pixel (x, y) shows the curve point (x, 250 - y).
class SelectionTest : public CoreTest {
protected:
    // A left drag with Control (and Shift, to add) from one pixel to another.
    void box(int x0, int y0, int x1, int y1, bool adding = false) {
        pointAt(x0, y0);
        press(buttons::Left, true, adding);
        moveBy(x1 - x0, y1 - y0, true);
        release(buttons::Left);
    }

    bool selected(const Channel& channel, std::size_t index) const {
        return core.selection().contains(&channel, index);
    }
    std::vector<std::vector<BezierKey>> allKeys() {
        return {current().x.keys(), current().y.keys(), current().z.keys()};
    }
    static bool sameKeys(const std::vector<std::vector<BezierKey>>& a,
                         const std::vector<std::vector<BezierKey>>& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [](const auto& x, const auto& y) { return kvr::sameKeys(x, y); });
    }
};

TEST_F(SelectionTest, BoxSelectsReplacesAddsAndEmpties) {
    Channel& x = current().x;
    Channel& y = current().y;
    Channel& z = current().z;
    // With a key selected, a box over empty space neither drags its handle nor snaps it.
    pointAt(0, 240);
    click(buttons::Left);
    ASSERT_EQ(core.selectedKey(), &x.keys()[0]);
    pointAt(50, 200);
    press(buttons::Left, true);
    moveBy(100, 55);  // to (150, -5)
    ASSERT_TRUE(core.selectionBox());
    EXPECT_FLOAT_EQ(core.selectionBox()->left, 50);
    EXPECT_FLOAT_EQ(core.selectionBox()->right, 150);
    EXPECT_FLOAT_EQ(core.selectionBox()->bottom, -5);
    EXPECT_FLOAT_EQ(core.selectionBox()->top, 50);
    EXPECT_EQ(x.keys()[0].inHandle, x.keys()[0].point);
    release(buttons::Left);
    EXPECT_FALSE(core.selectionBox());
    // The keys at time 100 with values 10 and 0; the last of them in channel order is active.
    EXPECT_EQ(core.selection().size(), 2u);
    EXPECT_TRUE(selected(x, 1) && selected(y, 1));
    EXPECT_FALSE(selected(x, 0) || selected(z, 1));
    EXPECT_EQ(core.selectedKey(), &y.keys()[1]);
    EXPECT_EQ(core.history().undoCount(), 0u);

    // With Shift the box adds, and what it caught last is active.
    box(15, 270, 0, 255, true);  // about (0, -10) of z, from off its reach
    EXPECT_EQ(core.selection().size(), 3u);
    EXPECT_TRUE(selected(z, 0) && selected(x, 1));
    EXPECT_EQ(core.selectedKey(), &z.keys()[0]);
    // Adding nothing keeps the selection; a box that replaces and catches nothing empties it.
    box(300, 100, 400, 150, true);
    EXPECT_EQ(core.selection().size(), 3u);
    box(300, 100, 400, 150);
    EXPECT_TRUE(core.selection().empty());
    EXPECT_EQ(core.selectedKey(), nullptr);

    // Control and a left press on a key's point is a plain left press: it selects the key alone
    // and pulls its in-handle.
    box(50, 200, 150, 255);
    pointAt(100, 240);
    press(buttons::Left, true);
    EXPECT_FALSE(core.selectionBox());
    EXPECT_EQ(core.selection().size(), 1u);
    EXPECT_EQ(core.selectedKey(), &x.keys()[1]);
    moveBy(-20, 0);
    release(buttons::Left);
    EXPECT_FLOAT_EQ(x.keys()[1].inHandle.x, 80);

    // In the other modes a Control press is what a press is there: it inserts.
    keyDown(keys::I);
    pointAt(50, 240);
    press(buttons::Left, true);
    EXPECT_FALSE(core.selectionBox());
    EXPECT_EQ(x.keys().size(), 3u);
}

TEST_F(SelectionTest, SelectAllTogglesAndMiddlePressesChooseWhatMoves) {
    keyDown(keys::A);
    EXPECT_EQ(core.selection().size(), 6u);
    EXPECT_EQ(core.selectedKey(), &current().z.keys()[1]);
    keyDown(keys::A);
    EXPECT_TRUE(core.selection().empty());
    // Some selected: 'a' selects every key.
    box(50, 200, 150, 255);
    keyDown(keys::A);
    EXPECT_EQ(core.selection().size(), 6u);

    // A middle press on one of them keeps them all and makes it active; on an unselected key it
    // selects that key alone; a left press on any key selects it alone.
    pointAt(0, 250);
    press(buttons::Middle);
    release(buttons::Middle);
    EXPECT_EQ(core.selection().size(), 6u);
    EXPECT_EQ(core.selectedKey(), &current().y.keys()[0]);
    pointAt(100, 240);
    click(buttons::Left);
    EXPECT_EQ(core.selection().size(), 1u);
    box(50, 200, 150, 255);
    pointAt(0, 250);
    click(buttons::Middle);
    EXPECT_EQ(core.selection().size(), 1u);
    EXPECT_EQ(core.selectedKey(), &current().y.keys()[0]);
    // A middle press on empty space clears it.
    keyDown(keys::A);
    pointAt(400, 100);
    click(buttons::Middle);
    EXPECT_TRUE(core.selection().empty());
}

TEST_F(SelectionTest, AGroupDragMovesEverySelectedKeyAsOneStep) {
    // The out-handle of x's second key pulled, so the handles are seen to move with the point.
    pointAt(100, 240);
    press(buttons::Left);
    release(buttons::Left);
    pointAt(600, 100);
    press(buttons::Right);
    moveBy(20, -30);
    release(buttons::Right);
    const auto before = allKeys();
    const std::size_t steps = core.history().undoCount();

    box(50, 200, 150, 255);  // x and y at time 100
    pointAt(100, 240);
    press(buttons::Middle);
    EXPECT_EQ(core.selectedKey(), &current().x.keys()[1]);
    moveBy(10, 4);
    moveBy(5, -2);
    release(buttons::Middle);
    const BezierKey& x1 = current().x.keys()[1];
    EXPECT_EQ(x1.point, (Point2{115, 8}));
    EXPECT_EQ(x1.inHandle, (Point2{115, 8}));
    EXPECT_EQ(x1.outHandle, (Point2{135, 38}));
    EXPECT_EQ(current().y.keys()[1].point, (Point2{115, -2}));
    EXPECT_EQ(current().z.keys()[1].point, (Point2{100, -10}));
    EXPECT_NEAR(current().y.evaluate(57), -2.0f * 57 / 115, 1e-5);
    EXPECT_EQ(core.history().undoCount(), steps + 1);

    ASSERT_TRUE(core.undo());
    EXPECT_TRUE(sameKeys(allKeys(), before));
    EXPECT_TRUE(core.selection().empty());
    ASSERT_TRUE(core.redo());
    EXPECT_EQ(current().y.keys()[1].point, (Point2{115, -2}));
    EXPECT_TRUE(core.selection().empty());

    // With Control the keys follow the pointer at the current zoom: twice the zoom, half the
    // units.
    keyDown(keys::A);
    core.setView(0, 400, -125, 125);
    pointAtCurve(current().x.keys()[0].point);
    press(buttons::Middle);
    moveBy(20, 10, true);
    release(buttons::Middle);
    EXPECT_EQ(current().x.keys()[0].point, (Point2{10, 5}));
    EXPECT_EQ(current().z.keys()[1].point, (Point2{110, -15}));
}

TEST_F(SelectionTest, DeleteRemovesEverySelectedKeyAsOneStep) {
    const auto before = allKeys();
    box(50, 200, 150, 265);  // x, y and z at time 100
    ASSERT_EQ(core.selection().size(), 3u);
    keyDown(keys::Delete);
    for (const Channel* c : {&current().x, &current().y, &current().z}) {
        ASSERT_EQ(c->keys().size(), 1u);
        EXPECT_FLOAT_EQ(c->keys()[0].point.x, 0);
        EXPECT_EQ(c->samples().size(), 1u);
    }
    EXPECT_TRUE(core.selection().empty());
    EXPECT_EQ(core.history().undoCount(), 1u);
    keyDown(keys::Delete);
    EXPECT_EQ(core.history().undoCount(), 1u);
    ASSERT_TRUE(core.undo());
    EXPECT_TRUE(sameKeys(allKeys(), before));
    EXPECT_TRUE(core.selection().empty());
}

TEST_F(SelectionTest, CopyCutAndPasteAcrossChannelsAndTimelines) {
    auto fade = std::make_shared<Timeline1>(2.0f);
    fade->channel.addPoint({0, 50});
    TimelineRegistry::instance().addTimeline1("fade", fade);
    // Plain 'c', 'x' and 'v' do nothing; a paste with nothing copied neither.
    keyDown(keys::A);
    for (int k : {keys::C, keys::X, keys::V}) keyDown(k);
    ctrl(keys::V);
    EXPECT_EQ(core.history().undoCount(), 0u);
    EXPECT_EQ(current().x.keys().size(), 2u);

    // x's second key with its in-handle pulled back to 20 and its out-handle out to 250, copied
    // with y's: times from 100, the earliest.
    pointAt(100, 240);
    press(buttons::Left);
    moveBy(-80, 0);
    release(buttons::Left);
    pointAt(600, 100);
    press(buttons::Right);
    moveBy(150, 0);
    release(buttons::Right);
    const std::size_t steps = core.history().undoCount();
    box(50, 200, 150, 255);
    ctrl(keys::C);
    EXPECT_EQ(core.history().undoCount(), steps);  // copying changes nothing

    // Pasted at time 50, inside the reach of the in-handle at 20, which is not limited by it.
    pointAt(50, 100);
    ctrl(keys::V);
    EXPECT_EQ(core.history().undoCount(), steps + 1);
    Channel& x = current().x;
    ASSERT_EQ(x.keys().size(), 3u);
    const BezierKey& pasted = x.keys()[1];
    EXPECT_EQ(pasted.inHandle, (Point2{-30, 10}));
    EXPECT_EQ(pasted.point, (Point2{50, 10}));
    EXPECT_EQ(pasted.outHandle, (Point2{200, 10}));
    EXPECT_EQ(x.keys()[2].inHandle, (Point2{20, 10}));
    EXPECT_EQ(current().y.keys()[1].point, (Point2{50, 0}));
    EXPECT_EQ(current().z.keys().size(), 2u);
    EXPECT_EQ(core.selection().size(), 2u);
    EXPECT_TRUE(selected(x, 1) && selected(current().y, 1));
    EXPECT_EQ(core.selectedKey(), &current().y.keys()[1]);
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(x.keys().size(), 2u);
    EXPECT_EQ(current().y.keys().size(), 2u);

    // Into a one-channel timeline only the x keys go; the copy outlives Tab.
    keyDown(keys::Tab);
    ASSERT_EQ(core.currentChannels().count, 1);
    Channel& one = *core.currentChannels().channels[0];
    pointAt(300, 100);
    ctrl(keys::V);
    ASSERT_EQ(one.keys().size(), 2u);
    EXPECT_EQ(one.keys()[1].point, (Point2{300, 10}));
    EXPECT_EQ(core.selection().size(), 1u);
    // Cut there: copied and deleted as one step; pasted back into x of the other timeline.
    keyDown(keys::A);
    ctrl(keys::X);
    EXPECT_TRUE(one.keys().empty());
    EXPECT_TRUE(core.selection().empty());
    keyDown(keys::Tab, {true, false});
    pointAt(400, 100);
    ctrl(keys::V);
    ASSERT_EQ(x.keys().size(), 4u);
    EXPECT_EQ(x.keys()[2].point, (Point2{400, 50}));
    EXPECT_EQ(x.keys()[3].point, (Point2{700, 10}));
    EXPECT_EQ(current().y.keys().size(), 2u);
    // One step back takes back the paste, the next the cut in the other timeline.
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(x.keys().size(), 2u);
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(one.keys().size(), 2u);
}

TEST_F(SelectionTest, FrameTheSelectionWithMarginsOrAsHome) {
    // One key, all its points at (100, 10): 20 units about it each way.
    pointAt(100, 240);
    click(buttons::Left);
    keyDown(keys::F);
    EXPECT_FLOAT_EQ(core.view().left(), 90);
    EXPECT_FLOAT_EQ(core.view().right(), 110);
    EXPECT_FLOAT_EQ(core.view().bottom(), 0);
    EXPECT_FLOAT_EQ(core.view().top(), 20);
    // Handles count: the in-handle pulled to (60, 30) widens both spans.
    pointAtCurve({100, 10});
    press(buttons::Left);
    moveBy(-40, -20);
    release(buttons::Left);
    keyDown(keys::F);
    EXPECT_FLOAT_EQ(core.view().left(), 58);
    EXPECT_FLOAT_EQ(core.view().right(), 102);
    EXPECT_FLOAT_EQ(core.view().bottom(), 9);
    EXPECT_FLOAT_EQ(core.view().top(), 31);
    // Nothing selected: what Home does, every key of the timeline.
    core.clearSelection();
    keyDown(keys::F);
    const EditView framed = core.view();
    keyDown(keys::Home);
    EXPECT_EQ(core.view().left(), framed.left());
    EXPECT_EQ(core.view().top(), framed.top());
    EXPECT_FLOAT_EQ(framed.left(), -5);
    EXPECT_FLOAT_EQ(framed.right(), 105);
}

TEST_F(SelectionTest, TabReloadAndInsertionLeaveNothingSelected) {
    ASSERT_TRUE(core.save());
    keyDown(keys::A);
    keyDown(keys::R);
    EXPECT_TRUE(core.selection().empty());
    keyDown(keys::A);
    keyDown(keys::Tab);
    EXPECT_TRUE(core.selection().empty());
    keyDown(keys::A);
    keyDown(keys::I);
    pointAt(50, 240);
    click(buttons::Left);
    EXPECT_TRUE(core.selection().empty());
}

}  // namespace
}  // namespace kvr::test
