// The table of keys: --help prints every row of it, and the English overlay lays every row out
// inside the first window, clear of the status lines.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/key_help.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_session.h"

namespace kvr::test {
namespace {

const char* const kGroups[] = {"View", "Editing", "Keys", "Timelines", "File"};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// "KEYS", at least two spaces, "DOES": the keys and what they do, apart.
bool isRowLine(const std::string& line, const KeyHelpRow& row) {
    const std::string keys = row.keys;
    if (!startsWith(line, keys + "  ")) return false;
    const std::size_t does = line.find_first_not_of(' ', keys.size());
    return does != std::string::npos && line.substr(does) == row.does;
}

TEST(KeyHelp, HelpPrintsEveryRowUnderItsGroupInOrder) {
    TempDir dir;
    EditorProcess process(dir.path(), {"--help"}, {"DISPLAY"});
    ASSERT_EQ(process.waitForExit(), 0);
    const std::vector<std::string> lines = linesOf(process.standardOutput());
    EditorProcess shortForm(dir.path(), {"-h"}, {"DISPLAY"});
    ASSERT_EQ(shortForm.waitForExit(), 0);
    EXPECT_EQ(shortForm.standardOutput(), process.standardOutput());

    // Each group's name on a line of its own, then its rows indented by two, in table order.
    std::size_t at = 0;
    std::size_t group = 0;
    for (const KeyHelpRow& row : keyHelpRows()) {
        if (group == 0 || std::strcmp(kGroups[group - 1], row.group) != 0) {
            ASSERT_LT(group, std::size(kGroups)) << row.group;
            EXPECT_STREQ(row.group, kGroups[group]);
            while (at < lines.size() && lines[at] != std::string(row.group) + ":") ++at;
            ASSERT_LT(at, lines.size()) << "group " << row.group;
            ++group;
        }
        ++at;
        ASSERT_LT(at, lines.size()) << row.keys;
        EXPECT_TRUE(startsWith(lines[at], "  ") && isRowLine(lines[at].substr(2), row))
            << lines[at];
    }
    EXPECT_EQ(group, std::size(kGroups));
    ASSERT_LT(at + 1, lines.size());
    EXPECT_EQ(lines[at + 1], std::string(kChannelColours) + ".");
}

TEST(KeyHelp, TheOverlayShowsEveryRowInsideTheFirstWindowAboveTheStatusLines) {
    const std::vector<HelpLine> lines = englishHelpLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].text, kChannelColours);

    // Each line with its outline: one pixel round 8-pixel cells, 16 high. The status lines'
    // highest row starts at 440, so its outline at 439.
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const HelpLine& a = lines[i];
        const int right = a.x + 8 * static_cast<int>(a.text.size());
        EXPECT_GE(a.x - 1, 0) << a.text;
        EXPECT_LE(right + 1, 800) << a.text;
        EXPECT_GE(a.y - 1, 0) << a.text;
        EXPECT_LE(a.y + 17, 439) << a.text;
        for (std::size_t j = i + 1; j < lines.size(); ++j) {
            const HelpLine& b = lines[j];
            const int bRight = b.x + 8 * static_cast<int>(b.text.size());
            const bool apart = right + 1 <= b.x - 1 || bRight + 1 <= a.x - 1 ||
                               a.y + 17 <= b.y - 1 || b.y + 17 <= a.y - 1;
            EXPECT_TRUE(apart) << "\"" << a.text << "\" and \"" << b.text << "\"";
        }
    }

    // Reading each column down gives the groups and their rows in table order; a description
    // that goes on below its row continues under itself.
    std::vector<std::string> read;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& text = lines[i].text;
        if (startsWith(text, " ")) {
            ASSERT_FALSE(read.empty());
            read.back() += " " + text.substr(text.find_first_not_of(' '));
        } else {
            read.push_back(text);
        }
    }
    std::size_t at = 0;
    const char* group = nullptr;
    for (const KeyHelpRow& row : keyHelpRows()) {
        if (!group || std::strcmp(group, row.group) != 0) {
            group = row.group;
            ASSERT_LT(at, read.size());
            EXPECT_EQ(read[at++], std::string("-- ") + group + " --");
        }
        ASSERT_LT(at, read.size()) << row.keys;
        EXPECT_TRUE(isRowLine(read[at], row)) << read[at];
        ++at;
    }
    EXPECT_EQ(at, read.size());
}

}  // namespace
}  // namespace kvr::test
