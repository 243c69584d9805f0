// The editor's keys and mouse gestures in one table, which --help prints and the English help
// overlay (F1) draws, so that the two never tell different stories.
#pragma once

#include <string>
#include <vector>

namespace kvr {

// One key or gesture: the group it is listed under, the keys as a user presses them, and what
// they do, each short enough for a column of the overlay.
struct KeyHelpRow {
    const char* group;
    const char* keys;
    const char* does;
};

// Every row, the rows of a group together, the groups in the order they are listed: view,
// editing, keys, timelines, file.
const std::vector<KeyHelpRow>& keyHelpRows();

// Which colour is which channel, shown with the keys.
extern const char* const kChannelColours;

// The table as --help prints it: a line per group name, under it a line per row with the keys
// in a column of their own, then the channel colours.
std::string keyHelpText();

// One line of the English overlay: its text with its first cell's top-left corner at window
// pixel (x, y).
struct HelpLine {
    int x = 0;
    int y = 0;
    std::string text;
};

// The overlay's lines, laid out for the first window (800 × 500): the channel colours on top,
// the groups below in two columns, clear of the status lines at the bottom. A description too
// long for its column goes on under itself.
std::vector<HelpLine> englishHelpLines();

}  // namespace kvr
