// Typing a key's numbers into the entry panel, and Control drags that follow the pointer.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/editing/core_fixture.h"
#include "tests/timeline/channel_checks.h"
#include "timeline/key_change.h"

namespace kvr::test {
namespace {

class EntryPanelTest : public CoreTest {
protected:
    // Presses as a US layout gives them: the symbol, and the character it types; "\t", "\b"
    // and "\r" are Tab, Backspace and Return.
    void type(const std::string& text) {
        for (char c : text) core.keyDown(static_cast<unsigned char>(c), {}, c);
    }
    KeyOutcome key(int symbol, bool shift = false, char32_t typed = 0) {
        KeyModifiers modifiers;
        modifiers.shift = shift;
        return core.keyDown(symbol, modifiers, typed ? typed : symbol < 128 ? symbol : 0);
    }
    const EntryPanel& panel() const { return *core.entryPanel(); }
    const std::string& text(std::size_t field) const { return panel().fields()[field].text; }
};

TEST_F(EntryPanelTest, TypedNumbersMoveTheSelectedKeyAsOneStep) {
    Channel& y = current().y;
    key(keys::Return);
    EXPECT_EQ(core.entryPanel(), nullptr) << "no key selected";
    pointAt(0, 250);
    click(buttons::Middle);  // the y key at (0, 0)
    y.setKey(0, {{-0.0f, 1e20f}, {0.1f, -0.0f}, {110.5f, 3.4028235e38f}});
    key(keys::KeypadEnter);
    ASSERT_NE(core.entryPanel(), nullptr);
    std::vector<std::string> texts;
    for (const EntryPanel::Field& f : panel().fields()) texts.push_back(f.text);
    EXPECT_EQ(texts,
              (std::vector<std::string>{"0.1", "-0", "-0", "1e+20", "110.5", "3.4028235e+38"}));
    EXPECT_EQ(panel().activeField(), 0u);
    EXPECT_TRUE(panel().textSelected());
    // Applied unchanged, the texts give back the very same key, zeros' signs too: no step.
    key(keys::Return);
    EXPECT_EQ(core.entryPanel(), nullptr);
    EXPECT_EQ(core.history().undoCount(), 0u);
    y.setKey(0, BezierKey{});

    // While it is open no key reaches a command and the mouse does nothing.
    key(keys::Return);
    const std::vector<BezierKey> before = y.keys();
    for (int symbol : {keys::S, keys::R, keys::D, keys::H, keys::F1, keys::F2, keys::N,
                       keys::Delete, keys::Up, keys::Home, keys::Equals}) {
        key(symbol);
    }
    ctrl(keys::Delete);
    ctrl(keys::Z);
    press(buttons::Middle);
    moveBy(30, -20);
    release(buttons::Middle);
    core.buttonPressed(buttons::WheelUp, 0, 0, 0, true);
    EXPECT_FALSE(fileExists(dir.file("tl3_000.lua")));
    EXPECT_EQ(core.view().mode(), EditMode::Edit);
    EXPECT_EQ(core.view().shownHelp(), ShownHelp::Japanese);
    EXPECT_FLOAT_EQ(core.view().top(), 250);
    EXPECT_FLOAT_EQ(core.view().right(), 800);
    ASSERT_EQ(core.document().currentName(), "no_name");
    EXPECT_EQ(core.history().undoCount(), 0u);
    EXPECT_TRUE(sameKeys(y.keys(), before));

    // Number characters are typed, the first replacing the selected text; '+' counts as the
    // character typed, whatever key gave it. Tab and Shift+Tab go round, selecting the text.
    type("x3");
    key(keys::Semicolon, true, '+');
    type("-.eE9\b");
    EXPECT_EQ(text(0), "3+-.eE");
    key(keys::Tab, true);
    EXPECT_EQ(panel().activeField(), 5u);
    type("\t\t");
    EXPECT_EQ(panel().activeField(), 1u);
    EXPECT_TRUE(panel().textSelected());

    // Escape closes it without change and does not quit; with no panel it quits.
    EXPECT_EQ(key(keys::Escape), KeyOutcome::Stay);
    EXPECT_EQ(core.entryPanel(), nullptr);
    EXPECT_TRUE(sameKeys(y.keys(), before));
    EXPECT_EQ(key(keys::Escape), KeyOutcome::Quit);

    // The point's time and value typed, the handles move with it; one step.
    type("\r30\t2.5\r");
    EXPECT_EQ(core.entryPanel(), nullptr);
    EXPECT_EQ(core.history().undoCount(), 1u);
    key(keys::S);
    EXPECT_NE(readFile(dir.file("tl3_000.lua"))
                  .find("timeline3_insert_y(vector2.new(30.00, 2.50), vector2.new(30.00, 2.50), "
                        "vector2.new(30.00, 2.50))\n"),
              std::string::npos);
    ASSERT_TRUE(core.undo());
    EXPECT_TRUE(sameKeys(y.keys(), before));
}

TEST_F(EntryPanelTest, WrongNumbersAreMarkedAndEditedHandlesGoWhereTyped) {
    Channel& y = current().y;
    y.setKey(0, {{-10, 5}, {0, 0}, {20, -5}});
    pointAt(0, 250);
    press(buttons::Middle);
    moveBy(10, 0);
    key(keys::Return);  // ends the drag under way as a step of its own
    EXPECT_EQ(core.history().undoCount(), 1u);
    release(buttons::Middle);
    const std::vector<BezierKey> before = y.keys();

    type("150\t\t");  // past the next key: it keeps its place in the channel, as after a drag
    for (const std::string wrong : {"1e", "1e39", "", "-", ".", "+-1"}) {
        type("\b" + wrong + "\r");
        ASSERT_NE(core.entryPanel(), nullptr) << wrong;
        EXPECT_EQ(panel().message(), "not a number");
        EXPECT_TRUE(panel().fields()[2].marked) << wrong;
        EXPECT_EQ(panel().activeField(), 2u);
    }
    type("\t\t\b\r");
    EXPECT_TRUE(panel().fields()[4].marked);
    EXPECT_EQ(panel().activeField(), 2u) << "the first marked field";
    EXPECT_TRUE(sameKeys(y.keys(), before));
    EXPECT_EQ(core.history().undoCount(), 1u);

    // Edited fields lose their marks, the message goes with the last one.
    type("1e-50");  // in time: too small for a float, so zero
    EXPECT_EQ(panel().message(), "not a number");
    type("\t\t+25");  // out time
    EXPECT_EQ(panel().message(), "");
    type("\r");
    ASSERT_EQ(core.entryPanel(), nullptr);
    EXPECT_EQ(y.keys()[0].point, (Point2{150, 0}));
    EXPECT_EQ(y.keys()[0].inHandle, (Point2{0, 5}));  // one field edited: where typed
    EXPECT_FALSE(std::signbit(y.keys()[0].inHandle.x));
    EXPECT_EQ(y.keys()[0].outHandle, (Point2{25, -5}));
    EXPECT_EQ(y.keys()[1].point, (Point2{100, 0}));

    // Only the out-handle's value typed: the in-handle moves with the point.
    type("\r\t-7");
    key(keys::Tab, true);
    key(keys::Tab, true);
    type("50\r");
    EXPECT_EQ(y.keys()[0].point, (Point2{150, -7}));
    EXPECT_EQ(y.keys()[0].inHandle, (Point2{0, -2}));
    EXPECT_EQ(y.keys()[0].outHandle, (Point2{25, 50}));
    ASSERT_TRUE(core.undo());
    ASSERT_TRUE(core.undo());
    EXPECT_TRUE(sameKeys(y.keys(), before));
}

TEST_F(EntryPanelTest, ControlDragsFollowThePointerAtAnyZoom) {
    Channel& x = current().x;
    // A press on the key's point, one motion, the release.
    const auto drag = [&](int button, int dx, int dy, bool ctrl) {
        pointAtCurve(x.keys()[0].point);
        press(button);
        core.pointerMoved(0, 0, dx, dy, ctrl);
        release(button);
    };
    const BezierKey start = x.keys()[0];
    // Ten steps in: about 278.9 units in 800 pixels, so 100 pixels move about 34.9 units.
    for (int i = 0; i < 10; ++i) core.zoomIn();
    EXPECT_NEAR(core.view().right() - core.view().left(), 278.9, 0.05);
    drag(buttons::Middle, 100, -20, true);
    EXPECT_NEAR(x.keys()[0].point.x, 34.87, 0.01);
    EXPECT_NEAR(x.keys()[0].point.y, 10 + 20 * (core.view().top() - core.view().bottom()) / 500,
                1e-4);
    EXPECT_EQ(x.keys()[0].inHandle, x.keys()[0].point);

    // A tall window zoomed out: the handles, each axis by its own units per pixel.
    core.resized(400, 1000);
    for (int i = 0; i < 5; ++i) core.zoomOut();
    const float unitsX = (core.view().right() - core.view().left()) / 400;
    const float unitsY = (core.view().top() - core.view().bottom()) / 1000;
    const BezierKey moved = x.keys()[0];
    drag(buttons::Left, -20, 10, true);
    drag(buttons::Right, 30, 0, true);
    EXPECT_NEAR(x.keys()[0].inHandle.x, moved.point.x - 20 * unitsX, 1e-3);
    EXPECT_NEAR(x.keys()[0].inHandle.y, moved.point.y - 10 * unitsY, 1e-3);
    EXPECT_NEAR(x.keys()[0].outHandle.x, moved.point.x + 30 * unitsX, 1e-3);
    // Without Control, one unit per pixel at any zoom.
    drag(buttons::Middle, 10, -5, false);
    EXPECT_EQ(x.keys()[0].point, (Point2{moved.point.x + 10, moved.point.y + 5}));

    // Each drag is one step back.
    EXPECT_EQ(core.history().undoCount(), 4u);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(core.undo());
    EXPECT_TRUE(sameKeys(x.keys(), {start, x.keys()[1]}));
}

}  // namespace
}  // namespace kvr::test
