// The table of keys and gestures, its text for --help and its layout for the English overlay.
#include "app/key_help.h"

#include "app/overlay_metrics.h"

#include <algorithm>
#include <cstring>

namespace kvr {

namespace {

// Plain ASCII throughout: the built-in font's single bytes draw it, and a terminal prints it.
const std::vector<KeyHelpRow> kRows = {
    {"View", "- / +", "zoom out / in (also =, keypad)"},
    {"View", "arrow keys", "scroll the view by 50 units"},
    {"View", "Home", "frame every key of the timeline"},
    {"View", "f", "frame the selected keys"},
    {"View", "Ctrl+wheel", "zoom about the pointer"},
    {"View", "h", "Japanese help on / off"},
    {"View", "F1", "this help on / off"},

    {"Editing", "e / i / d", "edit / insert / delete mode"},
    {"Editing", "middle press", "select a key (on space: none)"},
    {"Editing", "middle drag", "move key(s); on space, scroll"},
    {"Editing", "Alt+left", "as the middle button (touchpads)"},
    {"Editing", "left press/drag", "select a key, pull its in-handle"},
    {"Editing", "right drag", "pull the key's out-handle"},
    {"Editing", "release handle", "snaps back within 8 units"},
    {"Editing", "Ctrl+drag", "follow the pointer at any zoom"},
    {"Editing", "click (insert)", "add a key on the curve near it"},
    {"Editing", "click (delete)", "delete the key under it"},
    {"Editing", "wheel step", "in insert / delete mode, a click"},
    {"Editing", "Ctrl+Z", "undo"},
    {"Editing", "Ctrl+Y", "redo (also Ctrl+Shift+Z)"},

    {"Keys", "Ctrl+left drag", "select the keys in a box"},
    {"Keys", "Ctrl+Shift+left", "box that adds to the selection"},
    {"Keys", "a", "select every key, or none"},
    {"Keys", "Delete", "delete the selected keys"},
    {"Keys", "Ctrl+C / Ctrl+X", "copy / cut the selected keys"},
    {"Keys", "Ctrl+V", "paste at the pointer's time"},
    {"Keys", "Return", "type the key's numbers"},
    {"Keys", "Tab/Return/Esc", "in the panel: next, apply, close"},

    {"Timelines", "Tab / Shift+Tab", "next / previous timeline"},
    {"Timelines", "n", "new timeline (type its name)"},
    {"Timelines", "F2", "rename the timeline"},
    {"Timelines", "Ctrl+Delete", "delete the timeline"},

    {"File", "s", "save every timeline to the file"},
    {"File", "Ctrl+Shift+S", "save as (type a file name)"},
    {"File", "r", "reload the file (edits are lost)"},
    {"File", "Escape / close", "quit; twice with unsaved changes"},
};

// The keys' column: the longest keys and two spaces.
std::size_t keyColumnChars() {
    std::size_t widest = 0;
    for (const KeyHelpRow& row : kRows) widest = std::max(widest, std::strlen(row.keys));
    return widest + 2;
}

std::string padded(const char* text, std::size_t width) {
    std::string s = text;
    s.resize(std::max(width, s.size()), ' ');
    return s;
}

// The overlay's measures, in window pixels, for the first window (800 x 500). Text is 16 pixels
// high, and 18 with its outline, so lines 18 apart just clear each other.
using overlay::kCharWidth;
using overlay::kMargin;
const int kLineHeight = 18;
const int kGroupGap = 6;
const int kColumnWidth = 400;
const int kColumnGap = 8;
const int kStatusTop = overlay::statusTop(500);

// A description cut at spaces into pieces of at most `width` characters; a word longer than that
// stands alone.
std::vector<std::string> wrapped(const std::string& text, std::size_t width) {
    std::vector<std::string> pieces;
    std::string piece;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(at, end - at);
        if (!piece.empty() && piece.size() + 1 + word.size() > width) {
            pieces.push_back(piece);
            piece.clear();
        }
        piece += piece.empty() ? word : " " + word;
        at = end + 1;
    }
    if (!piece.empty()) pieces.push_back(piece);
    return pieces;
}

}  // namespace

const char* const kChannelColours = "Curves: x red, y green, z blue; a one-channel timeline yellow";

const std::vector<KeyHelpRow>& keyHelpRows() {
    return kRows;
}

std::string keyHelpText() {
    const std::size_t column = keyColumnChars();
    std::string text;
    const char* group = nullptr;
    for (const KeyHelpRow& row : kRows) {
        if (!group || std::strcmp(group, row.group) != 0) {
            group = row.group;
            text += std::string(group) + ":\n";
        }
        text += "  " + padded(row.keys, column) + row.does + "\n";
    }
    return text + kChannelColours + ".\n";
}

std::vector<HelpLine> englishHelpLines() {
    const std::size_t column = keyColumnChars();
    const std::size_t descriptionChars =
        static_cast<std::size_t>((kColumnWidth - kColumnGap) / kCharWidth) - column;

    // Each group as its lines: its name, then its rows, a long description going on below.
    std::vector<std::vector<std::string>> groups;
    const char* group = nullptr;
    for (const KeyHelpRow& row : kRows) {
        if (!group || std::strcmp(group, row.group) != 0) {
            group = row.group;
            groups.push_back({std::string("-- ") + group + " --"});
        }
        const std::vector<std::string> pieces = wrapped(row.does, descriptionChars);
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            groups.back().push_back(padded(i == 0 ? row.keys : "", column) + pieces[i]);
        }
    }

    std::vector<HelpLine> lines;
    lines.push_back({kMargin, kMargin, kChannelColours});
    const int top = kMargin + kLineHeight + kGroupGap;
    int x = kMargin;
    int y = top;
    for (const std::vector<std::string>& g : groups) {
        // A group stays in one column: one that would reach the status lines starts the next.
        const int height = static_cast<int>(g.size()) * kLineHeight;
        if (y != top && y + height > kStatusTop) {
            x += kColumnWidth;
            y = top;
        }
        for (const std::string& text : g) {
            lines.push_back({x, y, text});
            y += kLineHeight;
        }
        y += kGroupGap;
    }
    return lines;
}

}  // namespace kvr
