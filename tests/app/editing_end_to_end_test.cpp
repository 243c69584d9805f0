// Editing through the real X server: drag, insert and delete with the mouse (Alt+left as the
// middle button too), undo with Ctrl+Z, zoom with Ctrl+wheel, save with 's'.
#include <gtest/gtest.h>

#include "tests/app/frame_text.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_session.h"

namespace kvr::test {
namespace {

std::string keyLine(const char* channel, const char* x, const char* y) {
    const std::string v = std::string("vector2.new(") + x + ", " + y + ")";
    return std::string("timeline3_insert_") + channel + "(" + v + ", " + v + ", " + v + ")\n";
}

std::string timelineText(const std::string& x, const std::string& y, const std::string& z) {
    return "timeline3_begin(\"no_name\")\n" + x + y + z + "timeline3_end()\n\n";
}

const std::string kY = keyLine("y", "0.00", "0.00") + keyLine("y", "100.00", "0.00");
const std::string kZ = keyLine("z", "0.00", "-10.00") + keyLine("z", "100.00", "-10.00");
const std::string kX = keyLine("x", "0.00", "10.00") + keyLine("x", "100.00", "10.00");

// Runs the editor in a fresh directory, lets the gesture act, saves, quits, returns the file.
template <typename Gesture>
std::string editAndSave(Gesture gesture) {
    TempDir dir;
    EditorProcess editor(dir.path());
    EXPECT_TRUE(editor.waitForWindow());
    gesture(editor);
    editor.key("s");
    EXPECT_TRUE(waitUntil([&] { return fileExists(dir.file("tl3_000.lua")); }));
    editor.key("Escape");
    EXPECT_EQ(editor.waitForExit(), 0);
    return readFile(dir.file("tl3_000.lua"));
}

TEST(EditingEndToEnd, MiddleDragMovesTheFirstKey) {
    const std::string text = editAndSave([](EditorProcess& e) { e.drag(2, 0, 240, 30, 220); });
    EXPECT_EQ(text, timelineText(keyLine("x", "30.00", "30.00") + keyLine("x", "100.00", "10.00"),
                                 kY, kZ));
}

// Alt is read from the keyboard at the press, as Control is: the left drag moves the whole key.
TEST(EditingEndToEnd, AltLeftDragMovesTheFirstKeyAsAMiddleDragDoes) {
    const std::string text = editAndSave([](EditorProcess& e) {
        xdotool({"keydown", "alt"});
        e.drag(1, 0, 240, 30, 220);
        xdotool({"keyup", "alt"});
    });
    EXPECT_EQ(text, timelineText(keyLine("x", "30.00", "30.00") + keyLine("x", "100.00", "10.00"),
                                 kY, kZ));
}

TEST(EditingEndToEnd, InsertModeClickAddsAKeyOnTheCurve) {
    const std::string text = editAndSave([](EditorProcess& e) {
        e.key("i");
        e.moveTo(50, 236);
        e.click(1);
    });
    EXPECT_EQ(text, timelineText(keyLine("x", "0.00", "10.00") + keyLine("x", "50.00", "10.00") +
                                     keyLine("x", "100.00", "10.00"),
                                 kY, kZ));
}

TEST(EditingEndToEnd, DeleteModeClickRemovesTheKey) {
    const std::string text = editAndSave([](EditorProcess& e) {
        e.key("d");
        e.moveTo(100, 250);
        e.click(1);
    });
    EXPECT_EQ(text, timelineText(kX, keyLine("y", "0.00", "0.00"), kZ));
}

TEST(EditingEndToEnd, CtrlZAfterAMiddleDragSavesTheOriginalText) {
    const std::string text = editAndSave([](EditorProcess& e) {
        e.drag(2, 0, 240, 30, 220);
        e.key("ctrl+z");
    });
    EXPECT_EQ(text, timelineText(kX, kY, kZ));
}

TEST(EditingEndToEnd, CtrlWheelZoomsAboutWhereTheWheelTurned) {
    const std::string text = editAndSave([](EditorProcess& e) {
        e.moveTo(400, 240);
        // The view scrolls to 100…900 under the still pointer, which now shows time 500.
        e.key("Right");
        e.key("Right");
        const Frame before = e.capture();
        xdotool({"keydown", "ctrl"});
        e.click(4);
        // Control stays down until the zoom has shown, so the wheel step is read with it.
        EXPECT_FALSE(e.waitForFrame([&](const Frame& f) { return !(f.pixels == before.pixels); })
                         .empty());
        xdotool({"keyup", "ctrl"});
        // Time 500 stayed under the pointer: an insertion there lands on it.
        e.key("i");
        e.moveTo(401, 240);
        e.moveTo(400, 240);
        e.click(1);
    });
    EXPECT_EQ(text, timelineText(kX + keyLine("x", "500.00", "10.00"), kY, kZ));
}

TEST(EditingEndToEnd, ControlBoxThenMiddleDragMovesTheSelectedKeysTogether) {
    const std::string text = editAndSave([](EditorProcess& e) {
        // A box about the x and y keys at time 100; the z key at value -10 stays outside.
        xdotool({"keydown", "ctrl"});
        e.drag(1, 50, 200, 150, 255);
        xdotool({"keyup", "ctrl"});
        // Both points white, the count above the active key's point and the mode.
        const Frame frame =
            e.waitForFrame([](const Frame& f) { return showsText(f, 5, 440, "2 keys selected"); });
        EXPECT_TRUE(showsText(frame, 5, 440, "2 keys selected"));
        EXPECT_TRUE(showsText(frame, 5, 460, "100.00, 0.00"));
        EXPECT_EQ(frame.at(100, 240), (Rgb{255, 255, 255}));
        EXPECT_EQ(frame.at(100, 250), (Rgb{255, 255, 255}));
        EXPECT_EQ(frame.at(100, 260), (Rgb{128, 128, 128}));
        // A middle drag from the x key carries the y key along.
        e.drag(2, 100, 240, 130, 220);
    });
    EXPECT_EQ(text,
              timelineText(keyLine("x", "0.00", "10.00") + keyLine("x", "130.00", "30.00"),
                           keyLine("y", "0.00", "0.00") + keyLine("y", "130.00", "20.00"), kZ));
}

// The window's title as the X server holds it.
std::string titleOf(const EditorProcess& editor) {
    std::string title;
    waitUntil([&] {
        const CommandResult r =
            runCommand({TLEDIT_XDOTOOL, "getwindowname", std::to_string(editor.window())});
        title = r.status == 0 ? r.output : "";
        return !title.empty();
    });
    if (!title.empty() && title.back() == '\n') title.pop_back();
    return title;
}

TEST(EditingEndToEnd, TabReachesTheSecondTimelineAndTheTitleFollows) {
    TempDir dir;
    writeFile(dir.file("two.lua"), "timeline3_begin(\"a\")\n" + kX + "timeline3_end()\n\n" +
                                       "timeline3_begin(\"b\")\n" + kY + "timeline3_end()\n\n");
    EditorProcess editor(dir.path(), {"two.lua"});
    ASSERT_TRUE(editor.waitForWindow());
    EXPECT_EQ(titleOf(editor), "a (1/2) - two.lua - tledit");
    editor.key("Tab");
    EXPECT_TRUE(waitUntil([&] { return titleOf(editor) == "b (2/2) - two.lua - tledit"; }));
    editor.drag(2, 100, 250, 100, 230);  // b's second y key, from 0 up to 20
    EXPECT_TRUE(waitUntil([&] { return titleOf(editor) == "*b (2/2) - two.lua - tledit"; }));
    editor.key("s");
    EXPECT_TRUE(waitUntil([&] { return titleOf(editor) == "b (2/2) - two.lua - tledit"; }));
    editor.key("Escape");
    EXPECT_EQ(editor.waitForExit(), 0);
    EXPECT_EQ(readFile(dir.file("two.lua")),
              "timeline3_begin(\"a\")\n" + kX + "timeline3_end()\n\n" + "timeline3_begin(\"b\")\n" +
                  keyLine("y", "0.00", "0.00") + keyLine("y", "100.00", "20.00") +
                  "timeline3_end()\n\n");
}

}  // namespace
}  // namespace kvr::test
