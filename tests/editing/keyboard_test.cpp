// Keyboard commands on a real editor: zoom anchors, Shift, scrolling, modes, help and Delete.
#include "tests/editing/core_fixture.h"

namespace kvr::test {
namespace {

using KeyboardTest = CoreTest;

void expectView(const EditingCore& e, float l, float r, float b, float t) {
    EXPECT_FLOAT_EQ(e.view().left(), l);
    EXPECT_FLOAT_EQ(e.view().right(), r);
    EXPECT_FLOAT_EQ(e.view().bottom(), b);
    EXPECT_FLOAT_EQ(e.view().top(), t);
}

TEST_F(KeyboardTest, ZoomKeepsTheHalfExtentAnchorNotTheMidpoint) {
    keyDown(keys::Minus);
    expectView(core, -40, 840, -300, 250);

    core.setView(0, 800, -250, 250);
    keyDown(keys::LeftShift);
    keyDown(keys::Semicolon);
    expectView(core, 40, 760, -200, 250);

    // Scrolled right twice: the horizontal anchor stays at 400, not the midpoint 500.
    core.setView(100, 900, -250, 250);
    core.zoomIn();
    EXPECT_FLOAT_EQ(core.view().left(), 130);
    EXPECT_FLOAT_EQ(core.view().right(), 850);
}

TEST_F(KeyboardTest, ZoomInThenOutIsNotTheIdentity) {
    core.zoomIn();
    core.zoomOut();
    EXPECT_NEAR(core.view().right() - core.view().left(), 800 * 0.99, 1e-3);
    EXPECT_NEAR(core.view().top() - core.view().bottom(), 500 * 0.99, 1e-3);
}

TEST_F(KeyboardTest, SemicolonZoomsOnlyWhileShiftIsHeld) {
    keyDown(keys::Semicolon);
    expectView(core, 0, 800, -250, 250);

    keyDown(keys::RightShift);
    EXPECT_TRUE(core.view().shiftDown());
    keyUp(keys::RightShift);
    EXPECT_FALSE(core.view().shiftDown());
    keyDown(keys::Semicolon);
    expectView(core, 0, 800, -250, 250);

    // Minus zooms out with Shift held too.
    keyDown(keys::LeftShift);
    keyDown(keys::Minus);
    expectView(core, -40, 840, -300, 250);
}

TEST_F(KeyboardTest, ArrowsScrollByFiftyUnitsWhateverTheZoom) {
    keyDown(keys::Up);
    keyDown(keys::Up);
    expectView(core, 0, 800, -150, 350);
    keyDown(keys::Down);
    keyDown(keys::Right);
    expectView(core, 50, 850, -200, 300);
    core.zoomIn();
    const float width = core.view().right() - core.view().left();
    keyDown(keys::Left);
    EXPECT_FLOAT_EQ(core.view().right() - core.view().left(), width);
    EXPECT_NEAR(core.view().left(), 50 + (400 - 50) * 0.1f - 50, 1e-3);
}

TEST_F(KeyboardTest, ModeAndHelpKeysChangeOnlyTheirOwnState) {
    const BezierKey* key = &current().y.keys()[1];
    core.select(&current().y, 1);

    keyDown(keys::I);
    EXPECT_EQ(core.view().mode(), EditMode::Insert);
    keyDown(keys::D);
    EXPECT_EQ(core.view().mode(), EditMode::Delete);
    keyDown(keys::E);
    EXPECT_EQ(core.view().mode(), EditMode::Edit);
    EXPECT_EQ(core.selectedKey(), key);
    expectView(core, 0, 800, -250, 250);

    EXPECT_TRUE(core.view().helpVisible());
    keyDown(keys::H);
    EXPECT_FALSE(core.view().helpVisible());
    keyDown(keys::H);
    EXPECT_TRUE(core.view().helpVisible());

    // Unknown keys, Control among them, leave everything as it was.
    keyDown(306);
    keyDown('q');
    EXPECT_EQ(core.view().mode(), EditMode::Edit);
    expectView(core, 0, 800, -250, 250);
}

// F1 puts the English help in the Japanese one's place and takes it away again; 'h' toggles the
// Japanese help, except that with the English one up it hides the help altogether.
TEST_F(KeyboardTest, F1ShowsTheEnglishHelpInPlaceOfTheJapaneseAndHHidesIt) {
    EXPECT_EQ(core.view().shownHelp(), ShownHelp::Japanese);
    keyDown(keys::F1);
    EXPECT_EQ(core.view().shownHelp(), ShownHelp::English);
    EXPECT_TRUE(core.view().helpVisible()) << "the Japanese help's switch stays as it was";
    keyDown(keys::F1);
    EXPECT_EQ(core.view().shownHelp(), ShownHelp::Japanese);

    // With the Japanese help off, F1 on and off comes back to no help.
    keyDown(keys::H);
    EXPECT_EQ(core.view().shownHelp(), ShownHelp::None);
    keyDown(keys::F1);
    EXPECT_EQ(core.view().shownHelp(), ShownHelp::English);
    keyDown(keys::F1);
    EXPECT_EQ(core.view().shownHelp(), ShownHelp::None);

    // 'h' over the English help leaves none, whichever way the Japanese switch stood, and the
    // next 'h' brings the Japanese help as it always does.
    for (bool japaneseOn : {true, false}) {
        if (core.view().helpVisible() != japaneseOn) keyDown(keys::H);
        keyDown(keys::F1);
        ASSERT_EQ(core.view().shownHelp(), ShownHelp::English);
        keyDown(keys::H);
        EXPECT_EQ(core.view().shownHelp(), ShownHelp::None) << japaneseOn;
        keyDown(keys::H);
        EXPECT_EQ(core.view().shownHelp(), ShownHelp::Japanese) << japaneseOn;
    }

    // The help keys touch nothing else, with Shift or Control held too.
    core.select(&current().x, 1);
    keyDown(keys::I);
    keyDown(keys::F1, KeyModifiers{true, false});
    EXPECT_EQ(core.view().shownHelp(), ShownHelp::English);
    keyDown(keys::F1, KeyModifiers{false, true});
    EXPECT_EQ(core.view().shownHelp(), ShownHelp::Japanese);
    EXPECT_EQ(core.view().mode(), EditMode::Insert);
    EXPECT_EQ(core.selectedKey(), &current().x.keys()[1]);
    expectView(core, 0, 800, -250, 250);
    EXPECT_FALSE(core.hasUnsavedChanges());
}

TEST_F(KeyboardTest, DeleteRemovesTheSelectedKeyOnce) {
    Channel& y = current().y;
    core.select(&y, 0);
    keyDown(keys::Delete);
    ASSERT_EQ(y.keys().size(), 1u);
    EXPECT_FLOAT_EQ(y.keys()[0].point.x, 100);
    EXPECT_EQ(core.selectedKey(), nullptr);
    EXPECT_EQ(core.selection().activeChannel(), &y);
    EXPECT_EQ(y.samples().size(), 1u);

    keyDown(keys::Delete);
    EXPECT_EQ(y.keys().size(), 1u);
}

TEST_F(KeyboardTest, CommandsWithoutATimelineTouchNothing) {
    TimelineRegistry::instance().clear();
    core.showTimeline(TimelineKind::None, "");
    core.setFileName("");
    for (int k : {keys::Minus, keys::Delete, keys::Up, keys::S, keys::R, keys::I}) keyDown(k);
    EXPECT_EQ(core.view().mode(), EditMode::Insert);
    EXPECT_TRUE(TimelineRegistry::instance().timelines3.empty());
    const float left = core.view().left(), bottom = core.view().bottom();
    pointAt(10, 240);
    click(1);
    press(2);
    moveBy(30, 0);
    release(2);
    EXPECT_FLOAT_EQ(core.view().left(), left);
    EXPECT_FLOAT_EQ(core.view().bottom(), bottom);
    EXPECT_TRUE(core.document().currentName().empty());
    EXPECT_EQ(core.selectedKey(), nullptr);
}

}  // namespace
}  // namespace kvr::test
