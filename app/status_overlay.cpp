// Help overlays and status line: the editor's text, drawn over the curves with the built-in font.
#include <cstdio>
#include <string>

#include "app/editor_window.h"
#include "app/key_help.h"
#include "app/overlay_metrics.h"
#include "text/outlined_text.h"

namespace kvr {

namespace {

// The window shows Shift-JIS text; the Japanese of each line is given beside its bytes.
const char* const kHelpLines[] = {
    // ミドルドラッグ: ポイントの移動、画面のスクロール
    ("\x83\x7E\x83\x68\x83\x8B\x83\x68\x83\x89\x83\x62\x83\x4F: \x83\x7C\x83\x43\x83\x93\x83\x67"
     "\x82\xCC\x88\xDA\x93\xAE\x81\x41\x89\xE6\x96\xCA\x82\xCC\x83\x58\x83\x4E\x83\x8D\x81\x5B"
     "\x83\x8B"),
    // 右/左ドラッグ: 接線の移動
    "\x89\x45/\x8D\xB6\x83\x68\x83\x89\x83\x62\x83\x4F: \x90\xDA\x90\xFC\x82\xCC\x88\xDA\x93\xAE",
    // h: このメッセージの表示/非表示
    ("h: \x82\xB1\x82\xCC\x83\x81\x83\x62\x83\x5A\x81\x5B\x83\x57\x82\xCC\x95\x5C\x8E\xA6/\x94\xF1"
     "\x95\x5C\x8E\xA6"),
    // s: 保存
    "s: \x95\xDB\x91\xB6",
    // r: 再読み込み
    "r: \x8D\xC4\x93\xC7\x82\xDD\x8D\x9E\x82\xDD",
    // e: エディットモード
    "e: \x83\x47\x83\x66\x83\x42\x83\x62\x83\x67\x83\x82\x81\x5B\x83\x68",
    // i: インサートモード
    "i: \x83\x43\x83\x93\x83\x54\x81\x5B\x83\x67\x83\x82\x81\x5B\x83\x68",
    // d: デリートモード
    "d: \x83\x66\x83\x8A\x81\x5B\x83\x67\x83\x82\x81\x5B\x83\x68",
    // +/-: 拡大/縮小
    "+/-: \x8A\x67\x91\xE5/\x8F\x6B\x8F\xAC",
};

const char* modeText(EditMode mode) {
    switch (mode) {
        case EditMode::Insert:
            return "--INSERT--";
        case EditMode::Delete:
            return "--DELETE--";
        case EditMode::Edit:
        default:
            return "--EDIT--";
    }
}

using overlay::kMargin;
const int kLineHeight = overlay::kStatusLineHeight;

}  // namespace

// The English help takes the Japanese one's place while it is shown.
void EditorWindow::drawHelp() {
    switch (core.view().shownHelp()) {
        case ShownHelp::Japanese: {
            int y = kMargin;
            for (const char* line : kHelpLines) {
                drawOutlinedText(kMargin, y, line, font);
                y += kLineHeight;
            }
            break;
        }
        case ShownHelp::English: {
            // Laid out once: the table does not change while the editor runs.
            static const std::vector<HelpLine> lines = englishHelpLines();
            for (const HelpLine& line : lines) {
                drawOutlinedText(line.x, line.y, line.text.c_str(), font);
            }
            break;
        }
        case ShownHelp::None:
            break;
    }
}

// The status line keeps to the bottom edge: coordinates two lines up, the mode on the last line
// with the quit guard's warning after it while it stands, and above them how many keys are
// selected when there are several.
void EditorWindow::drawStatus() {
    char buffer[256];
    if (core.selection().size() > 1) {
        std::snprintf(buffer, sizeof buffer, "%zu keys selected", core.selection().size());
        drawOutlinedText(kMargin, core.view().windowHeight() - 3 * kLineHeight, buffer, font);
    }
    if (const BezierKey* selected = core.selectedKey()) {
        std::snprintf(buffer, sizeof buffer, "%.2f, %.2f", static_cast<double>(selected->point.x),
                      static_cast<double>(selected->point.y));
        drawOutlinedText(kMargin, core.view().windowHeight() - 2 * kLineHeight, buffer, font);
    }
    const std::string warning = core.quitWarning();
    std::snprintf(buffer, sizeof buffer, warning.empty() ? "%s" : "%s  %s",
                  modeText(core.view().mode()), warning.c_str());
    drawOutlinedText(kMargin, core.view().windowHeight() - kLineHeight, buffer, font);
}

}  // namespace kvr
