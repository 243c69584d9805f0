// The key-number panel in the real window: drawn above the status line, typed into through the
// X server, applied to the key that the saved file then holds.
#include <gtest/gtest.h>

#include <string>

#include "app/entry_panel_layout.h"
#include "tests/app/frame_text.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_session.h"

namespace kvr::test {
namespace {

TEST(EntryPanelWindow, TypedNumbersAreShownAndSaved) {
    // Where the six key fields stand in the first window, 500 pixels tall.
    const EntryPanel shape({{"key time", ""},
                            {"key value", ""},
                            {"in time", ""},
                            {"in value", ""},
                            {"out time", ""},
                            {"out value", ""}},
                           numberCharacter);
    const EntryPanelLayout at = layoutEntryPanel(shape, 500);
    ASSERT_TRUE(at.box.y > 190 && at.box.y + at.box.height <= 440) << "clear of help and status";
    const auto row = [&](int i, const std::string& label, const std::string& text) {
        const std::string line =
            label + std::string((at.textX - at.labelX) / 8 - label.size(), ' ') + text;
        return
            [=](const Frame& f) { return bool(showsText(f, at.labelX, at.rowY[i], line.c_str())); };
    };
    const auto count = [&](const Frame& f, Rgb colour) {
        return f.count(colour, at.box.x, at.box.y, at.box.x + at.box.width,
                       at.box.y + at.box.height);
    };
    const Rgb fill{40, 40, 40}, selection{50, 90, 200};

    TempDir dir;
    EditorProcess editor(dir.path());
    ASSERT_TRUE(editor.waitForWindow());
    editor.moveTo(0, 250);  // the y channel's key at (0, 0)
    editor.click(2);
    editor.key("Return");
    Frame frame = editor.waitForFrame(row(0, "key time", "0"));
    EXPECT_TRUE(row(0, "key time", "0")(frame));
    EXPECT_TRUE(row(5, "out value", "0")(frame));
    EXPECT_GT(count(frame, fill), 1000);
    EXPECT_GT(count(frame, selection), 20) << "the first field's text selected";
    // Escape with the panel open closes it and does not quit.
    editor.key("Escape");
    frame = editor.waitForFrame([&](const Frame& f) { return count(f, fill) == 0; });
    EXPECT_EQ(count(frame, fill), 0);
    EXPECT_TRUE(editor.running());

    editor.key("Return");
    for (const char* key : {"3", "0", "Tab", "2", "period", "5"}) editor.key(key);
    frame = editor.waitForFrame(row(1, "key value", "2.5"));
    EXPECT_TRUE(row(0, "key time", "30")(frame));
    EXPECT_TRUE(row(1, "key value", "2.5")(frame));
    editor.key("Return");
    frame = editor.waitForFrame([](const Frame& f) { return showsText(f, 5, 460, "30.00, 2.50"); });
    EXPECT_EQ(count(frame, fill), 0);
    editor.key("s");
    EXPECT_TRUE(waitUntil([&] { return fileExists(dir.file("tl3_000.lua")); }));
    editor.key("Escape");
    EXPECT_EQ(editor.waitForExit(), 0);
    EXPECT_NE(readFile(dir.file("tl3_000.lua"))
                  .find("timeline3_insert_y(vector2.new(30.00, 2.50), vector2.new(30.00, 2.50), "
                        "vector2.new(30.00, 2.50))\n"),
              std::string::npos);
}

}  // namespace
}  // namespace kvr::test
