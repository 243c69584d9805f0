// The help overlays and status line as the X server shows them: placement, toggling, resizing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/key_help.h"
#include "tests/app/frame_text.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_session.h"

namespace kvr::test {
namespace {

const Rgb kWhite{255, 255, 255};

// Rows [top, top + 16) hold one line of text.
bool anyWhite(const Frame& f, int x0, int y0, int x1, int y1) {
    return f.count(kWhite, x0, y0, x1, y1) > 0;
}

struct Extent {
    int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
};

Extent whiteExtent(const Frame& f, int x0, int y0, int x1, int y1) {
    Extent e;
    for (int y = std::max(0, y0); y < std::min(f.height, y1); ++y) {
        for (int x = std::max(0, x0); x < std::min(f.width, x1); ++x) {
            if (!(f.at(x, y) == kWhite)) continue;
            e.left = std::min(e.left, x);
            e.right = std::max(e.right, x);
            e.top = std::min(e.top, y);
            e.bottom = std::max(e.bottom, y);
        }
    }
    return e;
}

bool helpShown(const Frame& f) {
    return anyWhite(f, 0, 0, 400, 190);
}

TEST(Overlay, StartsWithHelpAndEditModeAndHTogglesTheHelp) {
    TempDir dir;
    EditorProcess editor(dir.path());
    ASSERT_TRUE(editor.waitForWindow());
    Frame frame = editor.waitForFrame(helpShown);

    // Nine lines, 20 pixels apart from row 5; the first is 384 pixels (24 full cells) wide.
    for (int i = 0; i < 9; ++i) {
        const int top = 5 + 20 * i;
        EXPECT_TRUE(anyWhite(frame, 5, top, 400, top + 16)) << "help line " << i;
        EXPECT_FALSE(anyWhite(frame, 0, top + 17, 400, top + 19)) << "below help line " << i;
    }
    const Extent first = whiteExtent(frame, 0, 0, 800, 21);
    EXPECT_GE(first.left, 5);
    EXPECT_LT(first.left, 5 + 16);
    EXPECT_GE(first.right, 5 + 384 - 16);
    EXPECT_LT(first.right, 5 + 384);

    EXPECT_TRUE(showsText(frame, 5, 480, "--EDIT--"));
    EXPECT_FALSE(anyWhite(frame, 0, 440, 800, 478)) << "coordinates without a selection";

    editor.key("h");
    frame = editor.waitForFrame([](const Frame& f) { return !helpShown(f); });
    EXPECT_FALSE(anyWhite(frame, 0, 0, 800, 200));
    EXPECT_TRUE(showsText(frame, 5, 480, "--EDIT--"));

    editor.key("h");
    frame = editor.waitForFrame(helpShown);
    EXPECT_TRUE(helpShown(frame));
}

// The Japanese help's first line, ミドルドラッグ: ポイントの移動、画面のスクロール.
const char* const kJapaneseFirstLine =
    "\x83\x7E\x83\x68\x83\x8B\x83\x68\x83\x89\x83\x62\x83\x4F: \x83\x7C\x83\x43\x83\x93\x83\x67"
    "\x82\xCC\x88\xDA\x93\xAE\x81\x41\x89\xE6\x96\xCA\x82\xCC\x83\x58\x83\x4E\x83\x8D\x81\x5B"
    "\x83\x8B";

// Whether the white pixels above the status lines are exactly the English help's glyphs, laid
// out as the editor lays them out: every line there, and nothing else, the Japanese help least.
bool showsEnglishHelp(const Frame& f) {
    static const BitmapFont font;
    const int top = std::min(f.height, 439);
    std::vector<bool> glyph(static_cast<std::size_t>(f.width) * f.height, false);
    for (const HelpLine& line : englishHelpLines()) {
        const std::vector<Ink> ink =
            textInk(font, f.width, f.height, line.x, line.y, line.text.c_str(), false);
        for (std::size_t i = 0; i < ink.size(); ++i) {
            if (ink[i] == Ink::Glyph) glyph[i] = true;
        }
    }
    for (int y = 0; y < top; ++y) {
        for (int x = 0; x < f.width; ++x) {
            if ((f.at(x, y) == kWhite) != glyph[static_cast<std::size_t>(y) * f.width + x]) {
                return false;
            }
        }
    }
    return true;
}

TEST(Overlay, F1ShowsTheEnglishHelpInPlaceOfTheJapanese) {
    TempDir dir;
    EditorProcess editor(dir.path());
    ASSERT_TRUE(editor.waitForWindow());
    Frame frame =
        editor.waitForFrame([](const Frame& f) { return showsText(f, 5, 5, kJapaneseFirstLine); });
    ASSERT_TRUE(showsText(frame, 5, 5, kJapaneseFirstLine));
    EXPECT_FALSE(showsEnglishHelp(frame));

    editor.key("F1");
    frame = editor.waitForFrame(showsEnglishHelp);
    EXPECT_TRUE(showsEnglishHelp(frame));
    EXPECT_FALSE(showsText(frame, 5, 5, kJapaneseFirstLine));
    EXPECT_TRUE(showsText(frame, 5, 480, "--EDIT--"));

    editor.key("F1");
    frame =
        editor.waitForFrame([](const Frame& f) { return showsText(f, 5, 5, kJapaneseFirstLine); });
    EXPECT_TRUE(showsText(frame, 5, 5, kJapaneseFirstLine));
    EXPECT_FALSE(showsEnglishHelp(frame));
}

TEST(Overlay, ModeLineNamesTheMode) {
    TempDir dir;
    EditorProcess editor(dir.path());
    ASSERT_TRUE(editor.waitForWindow());
    editor.key("i");
    Frame frame =
        editor.waitForFrame([](const Frame& f) { return showsText(f, 5, 480, "--INSERT--"); });
    EXPECT_TRUE(showsText(frame, 5, 480, "--INSERT--"));
    editor.key("d");
    frame = editor.waitForFrame([](const Frame& f) { return showsText(f, 5, 480, "--DELETE--"); });
    EXPECT_TRUE(showsText(frame, 5, 480, "--DELETE--"));
}

TEST(Overlay, SelectedKeyShowsItsPointAndFollowsTheBottomEdge) {
    TempDir dir;
    EditorProcess editor(dir.path());
    ASSERT_TRUE(editor.waitForWindow());
    // The x channel's second key, (100, 10), sits at window pixel (100, 240).
    editor.moveTo(100, 240);
    editor.click(2);
    Frame frame = editor.waitForFrame([](const Frame& f) { return anyWhite(f, 0, 460, 200, 476); });
    EXPECT_TRUE(showsText(frame, 5, 460, "100.00, 10.00"));
    EXPECT_TRUE(showsText(frame, 5, 480, "--EDIT--"));

    ASSERT_TRUE(xdotool({"windowsize", std::to_string(editor.window()), "640", "700"}));
    frame = editor.waitForFrame(
        [](const Frame& f) { return f.height == 700 && anyWhite(f, 0, 680, 200, 696); });
    ASSERT_EQ(frame.height, 700);
    EXPECT_TRUE(showsText(frame, 5, 660, "100.00, 10.00"));
    EXPECT_TRUE(showsText(frame, 5, 680, "--EDIT--"));
    EXPECT_FALSE(anyWhite(frame, 0, 440, 640, 500)) << "status line left at the old bottom edge";
    EXPECT_TRUE(helpShown(frame));
}

}  // namespace
}  // namespace kvr::test
