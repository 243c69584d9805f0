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

const Rgb kPanelFill{40, 40, 40};
const Rgb kSelection{50, 90, 200};

TEST(EntryPanelWindow, TypedNumbersAreShownAndSaved) {
    // Where the panel of six key fields stands in the first window, 500 pixels tall.
    const EntryPanel shape({{"key time", ""},
                            {"key value", ""},
                            {"in time", ""},
                            {"in value", ""},
                            {"out time", ""},
                            {"out value", ""}},
                           numberCharacter);
    const EntryPanelLayout layout = layoutEntryPanel(shape, 500);
    ASSERT_GT(layout.box.y, 190) << "over the help";
    ASSERT_LE(layout.box.y + layout.box.height, 456) << "over the status line";
    const auto row = [&](const std::string& label, const std::string& text) {
        const std::size_t cells = static_cast<std::size_t>(layout.textX - layout.labelX) / 8;
        return label + std::string(cells - label.size(), ' ') + text;
    };
    const auto panelShown = [&](const Frame& f) {
        return f.count(kPanelFill, layout.box.x, layout.box.y, layout.box.x + layout.box.width,
                       layout.box.y + layout.box.height) > 1000;
    };

    TempDir dir;
    EditorProcess editor(dir.path());
    ASSERT_TRUE(editor.waitForWindow());
    editor.moveTo(0, 250);  // the y channel's key at (0, 0)
    editor.click(2);
    editor.waitForFrame([](const Frame& f) { return showsText(f, 5, 460, "0.00, 0.00"); });

    // Escape with the panel open closes it and does not quit.
    editor.key("Return");
    Frame frame = editor.waitForFrame(panelShown);
    ASSERT_TRUE(panelShown(frame));
    EXPECT_TRUE(showsText(frame, layout.labelX, layout.rowY[0], row("key time", "0").c_str()));
    EXPECT_TRUE(showsText(frame, layout.labelX, layout.rowY[5], row("out value", "0").c_str()));
    EXPECT_GT(frame.count(kSelection, layout.textX - 1, layout.rowY[0] - 1, layout.textX + 10,
                          layout.rowY[0] + 17),
              20)
        << "the first field's text selected";
    editor.key("Escape");
    frame = editor.waitForFrame([&](const Frame& f) { return !panelShown(f); });
    EXPECT_FALSE(panelShown(frame));
    EXPECT_TRUE(editor.running());

    editor.key("Return");
    for (const char* key : {"3", "0", "Tab", "2", "period", "5"}) editor.key(key);
    frame = editor.waitForFrame([&](const Frame& f) {
        return showsText(f, layout.labelX, layout.rowY[1], row("key value", "2.5").c_str());
    });
    EXPECT_TRUE(showsText(frame, layout.labelX, layout.rowY[0], row("key time", "30").c_str()));
    EXPECT_TRUE(showsText(frame, layout.labelX, layout.rowY[1], row("key value", "2.5").c_str()));
    EXPECT_EQ(frame.count(kSelection, layout.box.x, layout.box.y, layout.box.x + layout.box.width,
                          layout.box.y + layout.box.height),
              0);

    editor.key("Return");
    frame = editor.waitForFrame([](const Frame& f) { return showsText(f, 5, 460, "30.00, 2.50"); });
    EXPECT_FALSE(panelShown(frame));
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
