// Typing a key's numbers into the entry panel, and Control drags that follow the pointer.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/editing/core_fixture.h"
#include "timeline/key_change.h"

namespace kvr::test {
namespace {

class EntryPanelTest : public CoreTest {
protected:
    // Each character as a plain key press that types it (a US layout's symbols).
    void type(const std::string& text) {
        for (char c : text) core.keyDown(static_cast<unsigned char>(c), {}, c);
    }
    KeyOutcome key(int symbol, bool shift = false, char32_t typed = 0) {
        KeyModifiers modifiers;
        modifiers.shift = shift;
        return core.keyDown(symbol, modifiers, typed);
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const EntryPanel::Field& f : core.entryPanel()->fields()) t.push_back(f.text);
        return t;
    }
    // Selects the y channel's key at (0, 0) with a middle click.
    void selectFirstYKey() {
        pointAt(0, 250);
        press(buttons::Middle);
        release(buttons::Middle);
        ASSERT_EQ(core.selectedKey(), &current().y.keys()[0]);
    }
    bool sameKeys(const std::vector<BezierKey>& a, const std::vector<BezierKey>& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), sameBits);
    }
};

TEST_F(EntryPanelTest, TypedNumbersMoveTheSelectedKeyAsOneStep) {
    // Return opens nothing without a selected key, nor outside Edit mode.
    EXPECT_EQ(key(keys::Return), KeyOutcome::Stay);
    EXPECT_EQ(core.entryPanel(), nullptr);
    selectFirstYKey();
    keyDown(keys::I);
    key(keys::Return);
    EXPECT_EQ(core.entryPanel(), nullptr);
    keyDown(keys::E);

    // Six fields with the exact floats; the first active, its text selected.
    Channel& y = current().y;
    y.setKey(0, {{-0.0f, 1e20f}, {0.1f, -0.0f}, {110.5f, 3.4028235e38f}});
    key(keys::KeypadEnter);
    ASSERT_NE(core.entryPanel(), nullptr);
    EXPECT_EQ(texts(),
              (std::vector<std::string>{"0.1", "-0", "-0", "1e+20", "110.5", "3.4028235e+38"}));
    EXPECT_EQ(core.entryPanel()->fields()[5].label, "out value");
    EXPECT_EQ(core.entryPanel()->activeField(), 0u);
    EXPECT_TRUE(core.entryPanel()->textSelected());
    // Applied unchanged, the texts give back the very same key, zeros' signs too: no step.
    key(keys::Return);
    EXPECT_EQ(core.entryPanel(), nullptr);
    EXPECT_EQ(core.history().undoCount(), 0u);
    y.setKey(0, {{0, 0}, {0, 0}, {0, 0}});

    // Open, no key reaches a command: not save, reload, modes, help, zoom, Delete, Tab, arrows,
    // Home, undo. Number characters are typed; the others do nothing.
    key(keys::Return);
    const std::vector<BezierKey> before = y.keys();
    for (int symbol : {int(keys::S), int(keys::R), int(keys::D), int(keys::I), int(keys::H),
                       int(keys::Delete), int(keys::Up), int(keys::Left), int(keys::Home),
                       int(keys::Equals), int(keys::LeftShift), int(keys::Semicolon)}) {
        key(symbol, false, symbol < 128 ? symbol : 0);
    }
    ctrl(keys::Z);
    EXPECT_FALSE(fileExists(dir.file("tl3_000.lua")));
    EXPECT_EQ(core.mode, EditMode::Edit);
    EXPECT_TRUE(core.helpVisible);
    EXPECT_FLOAT_EQ(core.viewLeft, 0);
    EXPECT_FLOAT_EQ(core.viewTop, 250);
    EXPECT_TRUE(sameKeys(y.keys(), before));
    EXPECT_EQ(core.selectedKey(), &y.keys()[0]);
    EXPECT_EQ(texts()[0], "0");
    type("x3");  // 'x' is no number character; '3' replaces the selected text
    EXPECT_EQ(texts()[0], "3");
    key(keys::Semicolon, true, '+');  // '+' as Shift and ';' type it: the character counts
    type("-.eE9");
    EXPECT_EQ(texts()[0], "3+-.eE9");
    key(keys::Backspace);
    EXPECT_EQ(texts()[0], "3+-.eE");
    EXPECT_FALSE(core.entryPanel()->textSelected());

    // Tab and Shift+Tab go round the fields, each arriving with its text selected; Backspace
    // then clears it.
    key(keys::Tab, true);
    EXPECT_EQ(core.entryPanel()->activeField(), 5u);
    key(keys::Tab);
    key(keys::Tab);
    EXPECT_EQ(core.entryPanel()->activeField(), 1u);
    EXPECT_TRUE(core.entryPanel()->textSelected());
    key(keys::Backspace);
    EXPECT_EQ(texts()[1], "");

    // Buttons and motion do nothing while it is open, Control+wheel included.
    pointAt(100, 250);
    press(buttons::Middle);
    moveBy(30, -20);
    release(buttons::Middle);
    core.buttonPressed(buttons::WheelUp, 100, 250, 0, true);
    EXPECT_TRUE(sameKeys(y.keys(), before));
    EXPECT_EQ(core.selectedKey(), &y.keys()[0]);
    EXPECT_FLOAT_EQ(core.viewRight, 800);

    // Escape closes it without change and does not quit; with no panel, Escape quits.
    EXPECT_EQ(key(keys::Escape), KeyOutcome::Stay);
    EXPECT_EQ(core.entryPanel(), nullptr);
    EXPECT_TRUE(sameKeys(y.keys(), before));
    EXPECT_EQ(key(keys::Escape), KeyOutcome::Quit);

    // Time and value of the point typed: the handles, not typed, move with it, and the file says
    // so. One undo step takes it back.
    key(keys::Return);
    type("30");
    key(keys::Tab);
    type("2.5");
    key(keys::Return);
    EXPECT_EQ(core.entryPanel(), nullptr);
    EXPECT_EQ(core.history().undoCount(), 1u);
    keyDown(keys::S);
    const std::string saved = readFile(dir.file("tl3_000.lua"));
    EXPECT_NE(saved.find("timeline3_insert_y(vector2.new(30.00, 2.50), vector2.new(30.00, 2.50), "
                         "vector2.new(30.00, 2.50))\n"),
              std::string::npos)
        << saved;
    ASSERT_TRUE(core.undo());
    EXPECT_TRUE(sameKeys(y.keys(), before));
}

TEST_F(EntryPanelTest, WrongNumbersAreMarkedAndEditedHandlesGoWhereTyped) {
    selectFirstYKey();
    Channel& y = current().y;
    y.setKey(0, {{-10, 5}, {0, 0}, {20, -5}});
    // Past the next key in time: the key keeps its place in the channel, as after a drag.
    key(keys::Return);
    type("150");
    key(keys::Tab);
    key(keys::Tab);
    type("1e");  // in time: no number
    key(keys::Tab);
    key(keys::Tab);
    type("+-1");  // out time: no number
    const std::vector<BezierKey> before = y.keys();
    key(keys::Return);
    ASSERT_NE(core.entryPanel(), nullptr);
    EXPECT_EQ(core.entryPanel()->message(), "not a number");
    std::vector<bool> marked;
    for (const EntryPanel::Field& f : core.entryPanel()->fields()) marked.push_back(f.marked);
    EXPECT_EQ(marked, (std::vector<bool>{false, false, true, false, true, false}));
    EXPECT_EQ(core.entryPanel()->activeField(), 2u);
    EXPECT_TRUE(sameKeys(y.keys(), before));
    EXPECT_EQ(core.history().undoCount(), 0u);

    // Past the float range, or empty, is no number either; a tiny number is a zero.
    for (const char* wrong : {"1e39", "", "-", ".", "1e+"}) {
        key(keys::Backspace);
        type(wrong);
        key(keys::Return);
        EXPECT_TRUE(core.entryPanel()->fields()[2].marked) << wrong;
    }
    // Editing a marked field clears its mark; the message stays while another is marked.
    type("1e-50");
    EXPECT_FALSE(core.entryPanel()->fields()[2].marked);
    EXPECT_EQ(core.entryPanel()->message(), "not a number");
    key(keys::Tab);
    key(keys::Tab);
    type("+25");
    EXPECT_EQ(core.entryPanel()->message(), "");

    // The in-handle was typed (its value field as it opened), so it goes where typed; so does
    // the out-handle. Then only the out-handle: the in-handle moves with the point.
    key(keys::Return);
    ASSERT_EQ(core.entryPanel(), nullptr);
    const BezierKey& typed = y.keys()[0];
    EXPECT_EQ(typed.point, (Point2{150, 0}));
    EXPECT_EQ(typed.inHandle, (Point2{0, 5}));
    EXPECT_FALSE(std::signbit(typed.inHandle.x));
    EXPECT_EQ(typed.outHandle, (Point2{25, -5}));
    EXPECT_EQ(y.keys()[1].point, (Point2{100, 0}));

    key(keys::Return);
    key(keys::Tab);
    type("-7");
    key(keys::Tab, true);
    key(keys::Tab, true);
    type("50");  // out value
    key(keys::Return);
    EXPECT_EQ(y.keys()[0].point, (Point2{150, -7}));
    EXPECT_EQ(y.keys()[0].inHandle, (Point2{0, -2}));
    EXPECT_EQ(y.keys()[0].outHandle, (Point2{25, 50}));

    // Each apply was one step.
    EXPECT_EQ(core.history().undoCount(), 2u);
    ASSERT_TRUE(core.undo());
    ASSERT_TRUE(core.undo());
    EXPECT_TRUE(sameKeys(y.keys(), before));
}

TEST_F(EntryPanelTest, OpeningEndsTheDragUnderWay) {
    selectFirstYKey();
    const std::vector<BezierKey> before = current().y.keys();
    press(buttons::Middle);
    moveBy(10, 0);
    key(keys::Return);  // the button still held
    EXPECT_EQ(core.history().undoCount(), 1u);
    moveBy(10, 0);
    release(buttons::Middle);
    EXPECT_EQ(current().y.keys()[0].point, (Point2{10, 0}));
    key(keys::Escape);
    EXPECT_EQ(core.history().undoCount(), 1u);
    ASSERT_TRUE(core.undo());
    EXPECT_TRUE(sameKeys(current().y.keys(), before));
}

// The hook later panels use: a rule of their own, and text kept as UTF-8 characters.
TEST(EntryPanel, CharacterRuleAndUtf8Text) {
    EntryPanel panel({{"name", "ab"}}, [](char32_t c) { return c >= 0x20 && c != 0x7F; });
    panel.type(0xE9);    // é
    panel.type(0x3042);  // あ
    panel.type(0xD800);  // half of a pair: no character
    panel.type('\t');
    EXPECT_EQ(panel.fields()[0].text, "\xC3\xA9\xE3\x81\x82");
    panel.eraseBack();
    EXPECT_EQ(panel.fields()[0].text, "\xC3\xA9");
    EXPECT_TRUE(panel.changed(0));
}

class ControlDragTest : public CoreTest {
protected:
    void moveWithControl(int dx, int dy) {
        x_ += dx;
        y_ += dy;
        core.pointerMoved(x_, y_, dx, dy, true);
    }
    // The pointer on the window pixel nearest to a curve point.
    void pointNear(Point2 p) {
        x_ = static_cast<int>(std::lround((p.x - core.viewLeft) / (core.viewRight - core.viewLeft) *
                                          static_cast<float>(core.windowWidth)));
        y_ = static_cast<int>(std::lround((core.viewTop - p.y) / (core.viewTop - core.viewBottom) *
                                          static_cast<float>(core.windowHeight)));
        pointAt(x_, y_);
    }
    int x_ = 0;
    int y_ = 0;
};

TEST_F(ControlDragTest, DragsFollowThePointerAtAnyZoom) {
    Channel& x = current().x;
    // Ten steps in: about 278.9 units in 800 pixels; a 100-pixel drag moves about 34.9 units.
    for (int i = 0; i < 10; ++i) core.zoomIn();
    // Moved so that the key is in sight, the size kept.
    core.viewLeft = -20, core.viewRight = core.viewLeft + 800 * std::pow(0.9f, 10.0f);
    core.viewBottom = -50, core.viewTop = core.viewBottom + 500 * std::pow(0.9f, 10.0f);
    const float width = core.viewRight - core.viewLeft;
    EXPECT_NEAR(width, 278.9, 0.05);
    pointNear(x.keys()[0].point);
    press(buttons::Middle);
    ASSERT_EQ(core.selectedKey(), &x.keys()[0]);
    const Point2 start = x.keys()[0].point;
    const Point2 underPointer = core.viewPointAt(x_, y_);
    for (int i = 0; i < 4; ++i) moveWithControl(25, -3);
    release(buttons::Middle);
    EXPECT_NEAR(x.keys()[0].point.x - start.x, 34.86, 0.01);
    // The point kept its offset from the pointer: it follows it exactly.
    const Point2 pointerNow = core.viewPointAt(x_, y_);
    EXPECT_NEAR(x.keys()[0].point.x - start.x, pointerNow.x - underPointer.x, 1e-3);
    EXPECT_NEAR(x.keys()[0].point.y - start.y, pointerNow.y - underPointer.y, 1e-3);
    EXPECT_EQ(x.keys()[0].inHandle, x.keys()[0].point);
    EXPECT_EQ(core.history().undoCount(), 1u);

    // A tall window zoomed out: the handles, each by its own axis' units per pixel.
    core.resized(400, 1000);
    for (int i = 0; i < 5; ++i) core.zoomOut();
    const float unitsX = (core.viewRight - core.viewLeft) / 400;
    const float unitsY = (core.viewTop - core.viewBottom) / 1000;
    const BezierKey key = x.keys()[0];
    pointNear(key.point);
    press(buttons::Left);
    moveWithControl(-20, 10);
    release(buttons::Left);
    EXPECT_NEAR(x.keys()[0].inHandle.x, key.inHandle.x - 20 * unitsX, 1e-3);
    EXPECT_NEAR(x.keys()[0].inHandle.y, key.inHandle.y - 10 * unitsY, 1e-3);
    press(buttons::Right);
    moveWithControl(30, 0);
    release(buttons::Right);
    EXPECT_NEAR(x.keys()[0].outHandle.x, key.outHandle.x + 30 * unitsX, 1e-3);
    EXPECT_EQ(x.keys()[0].point, key.point);
    EXPECT_EQ(core.history().undoCount(), 3u);

    // Without Control a drag stays one unit per pixel at this zoom.
    pointNear(key.point);
    press(buttons::Middle);
    moveBy(10, -5);
    release(buttons::Middle);
    EXPECT_EQ(x.keys()[0].point, (Point2{key.point.x + 10, key.point.y + 5}));

    // Each drag is one step back.
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(x.keys()[0].point, key.point);
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(x.keys()[0].outHandle, key.outHandle);
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(x.keys()[0].inHandle, key.inHandle);
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(x.keys()[0].point, start);
}

}  // namespace
}  // namespace kvr::test
