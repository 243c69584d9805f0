// The editor process with real keys and a real close request: a timeline made by name and saved,
// and a close with unsaved changes that takes a second close to end it.
#include <gtest/gtest.h>

#include <string>

#include "tests/app/frame_text.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_session.h"

namespace kvr::test {
namespace {

std::string titleOf(unsigned long window) {
    CommandResult result = runCommand({TLEDIT_XDOTOOL, "getwindowname", std::to_string(window)});
    if (!result.output.empty() && result.output.back() == '\n') result.output.pop_back();
    return result.output;
}

TEST(TimelineCommandsWindow, ANamedTimelineIsSavedAndAnUnsavedCloseNeedsASecondClose) {
    TempDir dir;
    EditorProcess editor(dir.path());
    ASSERT_TRUE(editor.waitForWindow());

    // 'n', a name as typed, Return, 's': the file holds the default timeline and the new one.
    editor.key("n");
    for (const char* key : {"w", "a", "l", "k", "underscore", "2"}) editor.key(key);
    editor.key("Return");
    EXPECT_TRUE(waitUntil([&] {
        return titleOf(editor.window()) == "*walk_2 (2/2) - tl3_000.lua - tledit";
    })) << titleOf(editor.window());
    editor.key("s");
    ASSERT_TRUE(waitUntil([&] { return fileExists(dir.file("tl3_000.lua")); }));
    const std::string saved = readFile(dir.file("tl3_000.lua"));
    EXPECT_EQ(saved.rfind("timeline3_begin(\"no_name\")\n", 0), 0u) << saved;
    const std::string walk = "timeline3_begin(\"walk_2\")\ntimeline3_end()\n\n";
    ASSERT_GE(saved.size(), walk.size());
    EXPECT_EQ(saved.substr(saved.size() - walk.size()), walk) << saved;
    EXPECT_TRUE(waitUntil(
        [&] { return titleOf(editor.window()) == "walk_2 (2/2) - tl3_000.lua - tledit"; }));

    // With nothing unsaved one close would end it; with the timeline removed and not saved, the
    // first close only warns.
    editor.key("ctrl+Delete");
    ASSERT_TRUE(waitUntil([&] {
        return titleOf(editor.window()) == "*no_name (1/1) - tl3_000.lua - tledit";
    })) << titleOf(editor.window());
    const char* const warned = "--EDIT--  unsaved changes: close again to quit";
    ASSERT_TRUE(closeWindow(editor.window()));
    const Frame frame =
        editor.waitForFrame([&](const Frame& f) { return showsText(f, 5, 480, warned); });
    EXPECT_TRUE(showsText(frame, 5, 480, warned));
    EXPECT_EQ(editor.waitForExit(std::chrono::milliseconds(300)), -1) << "ended at the first close";
    ASSERT_TRUE(closeWindow(editor.window()));
    EXPECT_EQ(editor.waitForExit(), 0);
    EXPECT_EQ(editor.standardOutput(), "");
    EXPECT_EQ(editor.standardError(), "");
    // Nothing was saved on the way out.
    EXPECT_EQ(readFile(dir.file("tl3_000.lua")), saved);
}

}  // namespace
}  // namespace kvr::test
