// The editor as users start it: its first frame, resizing, quitting, start-up failure, file name.
#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"
#include "tests/support/x_session.h"

namespace kvr::test {
namespace {

const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kGrey{128, 128, 128};

TEST(EditorProcess, FirstFrameShowsTheDefaultTimeline) {
    TempDir dir;
    EditorProcess editor(dir.path());
    ASSERT_TRUE(editor.waitForWindow());
    const Frame frame = editor.capture();
    ASSERT_EQ(frame.width, 800);
    ASSERT_EQ(frame.height, 500);
    // x = 10, y = 0, z = -10 from time 0 to 100, one unit per pixel, value 0 at row 250.
    EXPECT_EQ(frame.count(kRed, 10, 240, 90, 241), 80);
    EXPECT_EQ(frame.count(kGreen, 10, 250, 90, 251), 80);
    EXPECT_EQ(frame.count(kBlue, 10, 260, 90, 261), 80);
    // Grey key points at both ends of each line.
    for (int row : {240, 250, 260}) {
        EXPECT_EQ(frame.at(1, row), kGrey) << row;
        EXPECT_EQ(frame.at(100, row), kGrey) << row;
    }
    // Nothing right of the last key.
    EXPECT_FALSE(frame.anyLit(105, 200, 800, 300));
    EXPECT_EQ(editor.waitForExit(std::chrono::milliseconds(200)), -1);  // still running
}

TEST(EditorProcess, ResizeResetsTheViewAndEscapeEnds) {
    TempDir dir;
    EditorProcess editor(dir.path());
    ASSERT_TRUE(editor.waitForWindow());
    editor.key("Up");  // scroll first: the resize must discard it
    editor.waitForFrame([](const Frame& f) { return f.count(kRed, 10, 290, 90, 291) == 80; });
    ASSERT_TRUE(xdotool({"windowsize", std::to_string(editor.window()), "640", "481"}));
    const Frame frame = editor.waitForFrame([](const Frame& f) {
        return f.width == 640 && f.height == 481 && f.count(kRed, 10, 230, 90, 231) == 80;
    });
    EXPECT_EQ(frame.width, 640);
    EXPECT_EQ(frame.count(kRed, 10, 230, 90, 231), 80);
    EXPECT_EQ(frame.count(kGreen, 10, 240, 90, 241), 80);
    editor.key("Escape");
    EXPECT_EQ(editor.waitForExit(), 0);
    EXPECT_EQ(editor.standardOutput(), "");
}

TEST(EditorProcess, ClosingTheWindowEnds) {
    TempDir dir;
    EditorProcess editor(dir.path());
    ASSERT_TRUE(editor.waitForWindow());
    ASSERT_TRUE(closeWindow(editor.window()));
    EXPECT_EQ(editor.waitForExit(), 0);
    EXPECT_EQ(editor.standardOutput(), "");
}

TEST(EditorProcess, WithoutADisplayItSaysSoAndFails) {
    TempDir dir;
    EditorProcess editor(dir.path(), {}, {"DISPLAY=:4711", "SDL_VIDEODRIVER"});
    EXPECT_EQ(editor.waitForExit(), 1);
    EXPECT_EQ(editor.standardOutput(), "No available video device");
}

TEST(EditorProcess, WhenTheWindowCannotOpenItSaysWhyAndFails) {
    TempDir dir;
    // SDL's dummy driver starts but has no OpenGL.
    EditorProcess editor(dir.path(), {}, {"SDL_VIDEODRIVER=dummy"});
    EXPECT_EQ(editor.waitForExit(), 1);
    EXPECT_EQ(editor.standardOutput(), "OpenGL not available");
}

TEST(EditorProcess, RedrawsWhatAnotherWindowUncovers) {
    TempDir dir;
    EditorProcess editor(dir.path());
    ASSERT_TRUE(editor.waitForWindow());
    ASSERT_TRUE(coverAndUncover(400, 400));
    const Frame frame =
        editor.waitForFrame([](const Frame& f) { return f.count(kRed, 10, 240, 90, 241) == 80; });
    EXPECT_EQ(frame.count(kRed, 10, 240, 90, 241), 80);
    EXPECT_EQ(frame.count(Rgb{255, 255, 255}, 200, 200, 400, 400), 0);
}

TEST(EditorProcess, ChoosesTheFirstFreeFileNameAndWritesNothingUntilSaved) {
    TempDir dir;
    writeFile(dir.file("tl3_000.lua"), "");
    // A link to a missing file still takes its name: saving there would write through it.
    ASSERT_EQ(symlink("elsewhere.lua", dir.file("tl3_001.lua").c_str()), 0);
    EditorProcess editor(dir.path(), {"ignored-one.lua", "ignored-two.lua"});
    ASSERT_TRUE(editor.waitForWindow());
    EXPECT_FALSE(fileExists(dir.file("tl3_002.lua")));
    editor.key("s");
    EXPECT_TRUE(waitUntil([&] { return fileExists(dir.file("tl3_002.lua")); }));
    EXPECT_EQ(readFile(dir.file("tl3_000.lua")), "");
    EXPECT_FALSE(fileExists(dir.file("elsewhere.lua")));
    editor.key("Escape");
    EXPECT_EQ(editor.waitForExit(), 0);
    EXPECT_EQ(readFile(dir.file("tl3_002.lua")).rfind("timeline3_begin(\"no_name\")\n", 0), 0u);
}

}  // namespace
}  // namespace kvr::test
