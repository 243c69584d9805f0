// Every timeline within reach: Tab order, one-channel editing, the title, frame-all, zooming at
// the pointer.
#include "tests/editing/core_fixture.h"
#include "tests/support/temp_dir.h"

namespace kvr::test {
namespace {

class TimelinesTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        writeFile(dir.file("mixed.lua"),
                  "timeline3_begin('b') timeline3_insert_x(vector2.new(0, 5)) timeline3_end()\n"
                  "timeline1_begin('a') timeline1_push(vector2.new(0, 0))"
                  " timeline1_push(vector2.new(100, 0)) timeline1_end()\n"
                  "timeline3_begin('B') timeline3_end()\n"
                  "timeline1_begin('z') timeline1_end()\n");
        core.setFileName("mixed.lua");
        core.reload();
    }

    void tab(bool back = false) {
        KeyModifiers modifiers;
        modifiers.shift = back;
        keyDown(keys::Tab, modifiers);
    }
};

TEST_F(TimelinesTest, TabVisitsThreeChannelThenOneChannelTimelinesByNameAndWraps) {
    EXPECT_EQ(core.windowTitle(), "B (1/4) - mixed.lua - tledit");
    const char* const forward[] = {"b (2/4)", "a (3/4)", "z (4/4)", "B (1/4)"};
    for (const char* expected : forward) {
        tab();
        EXPECT_EQ(core.windowTitle(), std::string(expected) + " - mixed.lua - tledit");
        EXPECT_EQ(core.selectedKey(), nullptr);
        EXPECT_EQ(core.selection().activeChannel(), nullptr);
        // Switching drops the selection: select what there is for the next switch to drop.
        Channel* first = core.currentChannels().channels[0];
        if (first && !first->keys().empty()) core.select(first, 0);
    }
    tab(true);
    EXPECT_EQ(core.windowTitle(), "z (4/4) - mixed.lua - tledit");
    EXPECT_EQ(core.currentTimeline(), nullptr);
    EXPECT_EQ(core.currentChannels().count, 1);

    // With only one-channel timelines, none is current after a load, and Tab reaches them.
    writeFile(dir.file("ones.lua"), "timeline1_begin('f') timeline1_end()\n");
    core.setFileName("ones.lua");
    core.reload();
    EXPECT_EQ(core.windowTitle(), "ones.lua - tledit");
    tab(true);
    EXPECT_EQ(core.windowTitle(), "f (1/1) - ones.lua - tledit");
}

TEST_F(TimelinesTest, AOneChannelTimelineIsEditedByTheSameRulesAndUndone) {
    tab();
    tab();  // "a": keys at (0, 0) and (100, 0)
    Channel& channel = *core.currentChannels().channels[0];
    pointAt(0, 250);
    press(2);
    moveBy(10, -20);
    release(2);
    EXPECT_EQ(channel.keys()[0].point, (Point2{10, 20}));
    EXPECT_EQ(core.windowTitle(), "*a (3/4) - mixed.lua - tledit");

    keyDown(keys::I);
    pointAt(50, 245);
    click(1);
    ASSERT_EQ(channel.keys().size(), 3u);
    keyDown(keys::D);
    pointAt(100, 250);
    click(1);
    ASSERT_EQ(channel.keys().size(), 2u);

    // Undo steps back through all three, wherever the current timeline is meanwhile.
    tab();
    ctrl(keys::Z);
    EXPECT_EQ(core.windowTitle(), "*a (3/4) - mixed.lua - tledit");
    ctrl(keys::Z);
    ctrl(keys::Z);
    EXPECT_EQ(channel.keys()[0].point, (Point2{0, 0}));
    EXPECT_EQ(channel.keys().size(), 2u);
    EXPECT_EQ(core.windowTitle(), "a (3/4) - mixed.lua - tledit");

    // And it is saved as before, after the three-channel timelines.
    keyDown(keys::I);
    pointAt(50, 250);
    click(1);
    ASSERT_TRUE(core.save());
    EXPECT_EQ(core.windowTitle(), "a (3/4) - mixed.lua - tledit");
    const std::string text = readFile(dir.file("mixed.lua"));
    EXPECT_NE(text.find("timeline1_push(vector2.new(50.00, 0.00), vector2.new(50.00, 0.00)"),
              std::string::npos)
        << text;
}

TEST_F(TimelinesTest, HomeFramesEveryPointAndHandle) {
    tab();  // "b": one key at (0, 5), handles on it: 20 units centred on each axis
    keyDown(keys::Home);
    EXPECT_FLOAT_EQ(core.view().left(), -10);
    EXPECT_FLOAT_EQ(core.view().right(), 10);
    EXPECT_FLOAT_EQ(core.view().bottom(), -5);
    EXPECT_FLOAT_EQ(core.view().top(), 15);

    // Handles count as much as points; the margin is 5 % of each extent.
    Channel& x = *core.currentChannels().channels[0];
    x.addKey({90, -30}, {100, 10}, {140, 70});
    keyDown(keys::Home);
    EXPECT_FLOAT_EQ(core.view().left(), -7);
    EXPECT_FLOAT_EQ(core.view().right(), 147);
    EXPECT_FLOAT_EQ(core.view().bottom(), -35);
    EXPECT_FLOAT_EQ(core.view().top(), 75);

    // Nothing to frame: the first view of a window of this size.
    core.resized(640, 480);
    core.zoomIn();
    tab(true);  // "B", without keys
    keyDown(keys::Home);
    EXPECT_FLOAT_EQ(core.view().left(), 0);
    EXPECT_FLOAT_EQ(core.view().right(), 640);
    EXPECT_FLOAT_EQ(core.view().bottom(), -240);
    EXPECT_FLOAT_EQ(core.view().top(), 240);
}

TEST_F(TimelinesTest, CtrlWheelZoomsAboutThePointerAndNeverEdits) {
    tab(true);
    tab(true);  // "a", the flat one-channel curve at 0
    const std::size_t keys = core.currentChannels().channels[0]->keys().size();
    for (EditMode mode : {EditMode::Insert, EditMode::Delete, EditMode::Edit}) {
        keyDown(mode == EditMode::Insert ? keys::I : mode == EditMode::Delete ? keys::D : keys::E);
        pointAt(200, 250);  // on the curve, and on no key
        const float x = core.view().cursor().x;
        const float y = core.view().cursor().y;
        core.buttonPressed(buttons::WheelUp, 200, 250, 8, true);
        core.buttonReleased(buttons::WheelUp, 0);
        EXPECT_NEAR(core.view().right() - core.view().left(), 720, 1e-3);
        pointAt(200, 250);  // the same pixel shows the same curve point
        EXPECT_NEAR(core.view().cursor().x, x, 1e-3);
        EXPECT_NEAR(core.view().cursor().y, y, 1e-3);
        core.buttonPressed(buttons::WheelDown, 200, 250, 16, true);
        EXPECT_NEAR(core.view().right() - core.view().left(), 792, 1e-3);
        core.resized(800, 500);
    }
    EXPECT_EQ(core.currentChannels().channels[0]->keys().size(), keys);

    // The other zoom keys act as '+' and '-' do; ';' alone still does nothing.
    for (int key : {int{keys::Equals}, int{keys::Plus}, int{keys::KeypadPlus}}) {
        core.resized(800, 500);
        keyDown(key);
        EXPECT_FLOAT_EQ(core.view().left(), 40) << key;
    }
    keyDown(keys::KeypadMinus);
    EXPECT_FLOAT_EQ(core.view().right() - core.view().left(), 720 * 1.1f);
    core.resized(800, 500);
    keyDown(keys::Semicolon);
    EXPECT_FLOAT_EQ(core.view().left(), 0);
}

}  // namespace
}  // namespace kvr::test
