// Keyboard commands on a real editor: zoom anchors, Shift, scrolling, modes, help and Delete.
#include "tests/app/editor_fixture.h"

namespace kvr::test {
namespace {

using KeyboardTest = EditorTest;

void expectView(const TimelineEditor& e, float l, float r, float b, float t) {
    EXPECT_FLOAT_EQ(e.viewLeft, l);
    EXPECT_FLOAT_EQ(e.viewRight, r);
    EXPECT_FLOAT_EQ(e.viewBottom, b);
    EXPECT_FLOAT_EQ(e.viewTop, t);
}

TEST_F(KeyboardTest, ZoomKeepsTheHalfExtentAnchorNotTheMidpoint) {
    keyDown(SDLK_MINUS);
    expectView(*editor, -40, 840, -300, 250);

    editor->viewLeft = 0, editor->viewRight = 800, editor->viewBottom = -250, editor->viewTop = 250;
    keyDown(SDLK_LSHIFT);
    keyDown(SDLK_SEMICOLON);
    expectView(*editor, 40, 760, -200, 250);

    // Scrolled right twice: the horizontal anchor stays at 400, not the midpoint 500.
    editor->viewLeft = 100, editor->viewRight = 900, editor->viewBottom = -250,
    editor->viewTop = 250;
    editor->zoomIn();
    EXPECT_FLOAT_EQ(editor->viewLeft, 130);
    EXPECT_FLOAT_EQ(editor->viewRight, 850);
}

TEST_F(KeyboardTest, ZoomInThenOutIsNotTheIdentity) {
    editor->zoomIn();
    editor->zoomOut();
    EXPECT_NEAR(editor->viewRight - editor->viewLeft, 800 * 0.99, 1e-3);
    EXPECT_NEAR(editor->viewTop - editor->viewBottom, 500 * 0.99, 1e-3);
}

TEST_F(KeyboardTest, SemicolonZoomsOnlyWhileShiftIsHeld) {
    keyDown(SDLK_SEMICOLON);
    expectView(*editor, 0, 800, -250, 250);

    keyDown(SDLK_RSHIFT);
    EXPECT_TRUE(editor->shiftDown);
    keyUp(SDLK_RSHIFT);
    EXPECT_FALSE(editor->shiftDown);
    keyDown(SDLK_SEMICOLON);
    expectView(*editor, 0, 800, -250, 250);

    // Minus zooms out with Shift held too.
    keyDown(SDLK_LSHIFT);
    keyDown(SDLK_MINUS);
    expectView(*editor, -40, 840, -300, 250);
}

TEST_F(KeyboardTest, ArrowsScrollByFiftyUnitsWhateverTheZoom) {
    keyDown(SDLK_UP);
    keyDown(SDLK_UP);
    expectView(*editor, 0, 800, -150, 350);
    keyDown(SDLK_DOWN);
    keyDown(SDLK_RIGHT);
    expectView(*editor, 50, 850, -200, 300);
    editor->zoomIn();
    const float width = editor->viewRight - editor->viewLeft;
    keyDown(SDLK_LEFT);
    EXPECT_FLOAT_EQ(editor->viewRight - editor->viewLeft, width);
    EXPECT_NEAR(editor->viewLeft, 50 + (400 - 50) * 0.1f - 50, 1e-3);
}

TEST_F(KeyboardTest, ModeAndHelpKeysChangeOnlyTheirOwnState) {
    BezierKey* key = &current().y.keys[1];
    editor->selectedKey = key;
    editor->selectedChannel = &current().y;

    keyDown(SDLK_i);
    EXPECT_EQ(editor->mode, EditMode::Insert);
    keyDown(SDLK_d);
    EXPECT_EQ(editor->mode, EditMode::Delete);
    keyDown(SDLK_e);
    EXPECT_EQ(editor->mode, EditMode::Edit);
    EXPECT_EQ(editor->selectedKey, key);
    expectView(*editor, 0, 800, -250, 250);

    EXPECT_TRUE(editor->helpVisible);
    keyDown(SDLK_h);
    EXPECT_FALSE(editor->helpVisible);
    keyDown(SDLK_h);
    EXPECT_TRUE(editor->helpVisible);

    // Unknown keys, Control among them, leave everything as it was.
    keyDown(SDLK_LCTRL);
    keyDown(SDLK_q);
    EXPECT_EQ(editor->mode, EditMode::Edit);
    expectView(*editor, 0, 800, -250, 250);
}

TEST_F(KeyboardTest, DeleteRemovesTheSelectedKeyOnce) {
    Channel& y = current().y;
    editor->selectedChannel = &y;
    editor->selectedKey = &y.keys[0];
    keyDown(SDLK_DELETE);
    ASSERT_EQ(y.keys.size(), 1u);
    EXPECT_FLOAT_EQ(y.keys[0].point.x, 100);
    EXPECT_EQ(editor->selectedKey, nullptr);
    EXPECT_EQ(editor->selectedChannel, &y);
    EXPECT_EQ(y.samples.size(), 1u);

    keyDown(SDLK_DELETE);
    EXPECT_EQ(y.keys.size(), 1u);
}

TEST_F(KeyboardTest, CommandsWithoutATimelineTouchNothing) {
    TimelineRegistry::instance().clear();
    editor->currentName.clear();
    editor->fileName.clear();
    for (SDLKey k : {SDLK_MINUS, SDLK_DELETE, SDLK_UP, SDLK_s, SDLK_r, SDLK_i}) keyDown(k);
    EXPECT_EQ(editor->mode, EditMode::Insert);
    EXPECT_TRUE(TimelineRegistry::instance().timelines3.empty());
    const float left = editor->viewLeft, bottom = editor->viewBottom;
    pointAt(10, 240);
    click(1);
    press(2);
    moveBy(30, 0);
    release(2);
    EXPECT_FLOAT_EQ(editor->viewLeft, left);
    EXPECT_FLOAT_EQ(editor->viewBottom, bottom);
    EXPECT_TRUE(editor->currentName.empty());
    EXPECT_EQ(editor->selectedKey, nullptr);
    editor->draw();
}

}  // namespace
}  // namespace kvr::test
