// Saving under another name from the keyboard, the copy kept of a file that was not in the
// editor's form, and the title after a load that did not complete.
#include <sys/stat.h>

#include <string>

#include "tests/editing/core_fixture.h"

namespace kvr::test {
namespace {

class SaveAsTest : public CoreTest {
protected:
    void type(const std::string& text) {
        for (char c : text)
            core.keyDown(static_cast<unsigned char>(c), {}, static_cast<char32_t>(c));
    }
    void key(int symbol) { core.keyDown(symbol, {}); }
    void openSaveAs() { ctrl(keys::S, true); }
    const std::string& panelText() const { return core.entryPanel()->fields()[0].text; }
    // Reloads the named file, and returns what was said on standard error meanwhile.
    std::string load(const std::string& name) {
        core.setFileName(name);
        testing::internal::CaptureStderr();
        core.reload();
        return testing::internal::GetCapturedStderr();
    }
    std::string saveSaying() {
        testing::internal::CaptureStderr();
        core.save();
        return testing::internal::GetCapturedStderr();
    }
};

TEST_F(SaveAsTest, ANewNameIsSavedAndBecomesTheFile) {
    openSaveAs();
    ASSERT_NE(core.entryPanel(), nullptr);
    EXPECT_EQ(core.entryPanel()->fields()[0].label, "save as");
    EXPECT_EQ(panelText(), "tl3_000.lua");
    EXPECT_TRUE(core.entryPanel()->textSelected());
    key(keys::Escape);
    EXPECT_EQ(core.entryPanel(), nullptr);
    EXPECT_FALSE(fileExists("tl3_000.lua"));

    ctrl(keys::Delete);  // an unsaved change: the title has its '*'
    openSaveAs();
    type("sub");
    key(keys::Backspace);
    type("b.lua");
    EXPECT_EQ(panelText(), "sub.lua");
    key(keys::Return);
    EXPECT_EQ(core.entryPanel(), nullptr);
    EXPECT_FALSE(fileExists("tl3_000.lua"));
    EXPECT_EQ(readFile("sub.lua"), "");  // every timeline removed: an empty file
    EXPECT_EQ(core.fileName(), "sub.lua");
    EXPECT_FALSE(core.hasUnsavedChanges());
    EXPECT_EQ(core.windowTitle(), "sub.lua - tledit");

    // Later saves and reloads go to the new file.
    writeFile("sub.lua", "timeline3_begin(\"q\")\ntimeline3_end()\n\n");
    key(keys::R);
    EXPECT_EQ(core.document().currentName(), "q");
    EXPECT_FALSE(core.backsUpBeforeNextSave());
    ctrl(keys::Delete);
    // Control+S without Shift saves under the file's own name, as 's' does.
    ctrl(keys::S);
    EXPECT_EQ(core.entryPanel(), nullptr);
    EXPECT_EQ(readFile("sub.lua"), "");
    EXPECT_FALSE(fileExists("sub.lua~"));
}

TEST_F(SaveAsTest, AFileThatExistsIsReplacedOnlyOnASecondReturn) {
    writeFile("taken.lua", "old text\n");
    openSaveAs();
    type("taken.lua");
    key(keys::Return);
    ASSERT_NE(core.entryPanel(), nullptr);
    EXPECT_EQ(core.entryPanel()->message(), "replace taken.lua? Return again");
    EXPECT_EQ(readFile("taken.lua"), "old text\n");
    EXPECT_EQ(core.fileName(), "tl3_000.lua");

    // An edit of the name withdraws the question; Escape gives the whole thing up.
    key(keys::Backspace);
    type("a");
    EXPECT_EQ(core.entryPanel()->message(), "");
    key(keys::Return);
    EXPECT_EQ(core.entryPanel()->message(), "replace taken.lua? Return again");
    key(keys::Escape);
    openSaveAs();
    type("taken.lua");
    key(keys::Return);
    EXPECT_EQ(readFile("taken.lua"), "old text\n");

    key(keys::Return);
    EXPECT_EQ(core.entryPanel(), nullptr);
    EXPECT_EQ(readFile("taken.lua").rfind("timeline3_begin(\"no_name\")\n", 0), 0u);
    EXPECT_EQ(core.fileName(), "taken.lua");
    // A file replaced at the user's word is not one that was loaded: no copy of it is kept.
    EXPECT_FALSE(fileExists("taken.lua~"));

    // The file's own name is simply saved, without a question.
    ctrl(keys::Delete);
    openSaveAs();
    key(keys::Return);
    EXPECT_EQ(core.entryPanel(), nullptr);
    EXPECT_EQ(readFile("taken.lua"), "");
}

TEST_F(SaveAsTest, AFailedSaveAsSaysWhyAndChangesNothing) {
    ctrl(keys::Delete);
    for (const char* where : {"missing/x.lua", "adir"}) {
        ASSERT_EQ(mkdir("adir", 0755) == 0 || errno == EEXIST, true);
        openSaveAs();
        key(keys::Backspace);
        key(keys::Return);
        EXPECT_EQ(core.entryPanel()->message(), "name needed");
        type(where);
        testing::internal::CaptureStderr();
        key(keys::Return);
        if (std::string(where) == "adir") {
            // Something is there: the question comes first.
            EXPECT_EQ(core.entryPanel()->message(), "replace adir? Return again");
            key(keys::Return);
        }
        const std::string said = testing::internal::GetCapturedStderr();
        ASSERT_NE(core.entryPanel(), nullptr) << where;
        const std::string message = core.entryPanel()->message();
        EXPECT_EQ(message.rfind("cannot save: ", 0), 0u) << message;
        EXPECT_TRUE(core.entryPanel()->fields()[0].marked);
        EXPECT_EQ(said, "cannot save " + std::string(where) + ": " +
                            message.substr(std::string("cannot save: ").size()) + "\n");
        key(keys::Escape);
        EXPECT_EQ(core.fileName(), "tl3_000.lua");
        EXPECT_TRUE(core.hasUnsavedChanges());
    }
    EXPECT_FALSE(fileExists("missing"));
    struct stat st;
    ASSERT_EQ(stat("adir", &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_FALSE(fileExists("tl3_000.lua"));
}

TEST_F(SaveAsTest, AHandWrittenFileIsKeptOnceBeforeTheFirstSaveOverIt) {
    // What the editor writes loads and saves again without a copy.
    core.save();
    const std::string own = readFile("tl3_000.lua");
    EXPECT_EQ(load("tl3_000.lua"), "");
    EXPECT_TRUE(core.loadedCompletely());
    EXPECT_FALSE(core.backsUpBeforeNextSave());
    EXPECT_EQ(saveSaying(), "");
    EXPECT_FALSE(fileExists("tl3_000.lua~"));

    // The same timelines by hand: a comment, a loop, a constant, a number in another form, other
    // spacing. Each loads completely and is kept before the first save, and only then.
    const std::string comment = "-- walk cycle\n" + own;
    std::string longer = own;
    longer.replace(longer.find("10.00"), 5, "10.0");
    const std::string spaced = own + "\n";
    const std::string loop =
        "local v = 10\n"
        "timeline3_begin(\"no_name\")\n"
        "for i = 0, 1 do\n"
        "  local x = vector2.new(100 * i, v)\n"
        "  local y = vector2.new(100 * i, 0)\n"
        "  local z = vector2.new(100 * i, -v)\n"
        "  timeline3_insert_x(x, x, x)\n"
        "  timeline3_insert_y(y, y, y)\n"
        "  timeline3_insert_z(z, z, z)\n"
        "end\n"
        "timeline3_end()\n";
    const std::string script = "#!/usr/bin/env lua\n" + own;
    for (const std::string& text : {comment, longer, spaced, loop, script}) {
        writeFile("hand.lua", text);
        EXPECT_EQ(load("hand.lua"), "");
        EXPECT_TRUE(core.loadedCompletely());
        EXPECT_TRUE(core.backsUpBeforeNextSave()) << text;
        EXPECT_EQ(core.windowTitle(), "no_name (1/1) - hand.lua - tledit");
        EXPECT_EQ(saveSaying(),
                  "hand.lua was not in the editor's form; its previous text is kept in "
                  "hand.lua~\n");
        EXPECT_EQ(readFile("hand.lua~"), text);
        EXPECT_EQ(readFile("hand.lua"), own) << text;
        EXPECT_EQ(saveSaying(), "");
        EXPECT_EQ(readFile("hand.lua~"), text);
    }

    // Saved under another name, the hand-written file stays as it is and needs no copy; saved
    // under its own name from the panel, it is kept as by 's'.
    writeFile("hand.lua", comment);
    load("hand.lua");
    openSaveAs();
    type("other.lua");
    key(keys::Return);
    EXPECT_FALSE(fileExists("other.lua~"));
    EXPECT_EQ(readFile("hand.lua"), comment);
    EXPECT_FALSE(core.backsUpBeforeNextSave());
    writeFile("hand.lua", comment + " ");
    load("hand.lua");
    openSaveAs();
    testing::internal::CaptureStderr();
    key(keys::Return);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("was not in the editor's form"),
              std::string::npos);
    EXPECT_EQ(readFile("hand.lua~"), comment + " ");
}

TEST_F(SaveAsTest, TheTitleSaysWhenALoadDidNotComplete) {
    writeFile("broken.lua", "timeline3_begin('a') timeline3_end()\ntypo()\n");
    load("broken.lua");
    EXPECT_FALSE(core.loadedCompletely());
    EXPECT_EQ(core.windowTitle(), "a (1/1) - broken.lua - tledit - did not load completely");
    // Until a save writes the file whole ...
    saveSaying();
    EXPECT_EQ(core.windowTitle(), "a (1/1) - broken.lua - tledit");
    // ... or a load completes.
    writeFile("broken.lua", "typo()\n");
    load("broken.lua");
    EXPECT_EQ(core.windowTitle(), "broken.lua - tledit - did not load completely");
    writeFile("broken.lua", "");
    key(keys::R);
    EXPECT_EQ(core.windowTitle(), "broken.lua - tledit");
    // A missing file is no incomplete load: there was nothing to take in.
    load("nothing.lua");
    EXPECT_EQ(core.windowTitle(), "nothing.lua - tledit");
}

}  // namespace
}  // namespace kvr::test
