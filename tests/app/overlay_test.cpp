// The help overlay and status line as the X server shows them: placement, toggling, resizing.
#include <gtest/gtest.h>

#include <string>

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
