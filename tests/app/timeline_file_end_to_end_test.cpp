// Timeline files through the real editor: load, save, reload, and the errors that end it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/temp_dir.h"
#include "tests/support/x_session.h"

namespace kvr::test {
namespace {

// A file in exactly the form the editor writes: names in byte order, keys in time order.
const char* const kWrittenForm =
    "timeline3_begin(\"Arm\")\n"
    "timeline3_insert_x(vector2.new(-5.00, 1.00), vector2.new(0.00, 2.00), "
    "vector2.new(5.50, 3.25))\n"
    "timeline3_insert_x(vector2.new(40.00, 20.00), vector2.new(50.00, -2.50), "
    "vector2.new(60.00, -0.01))\n"
    "timeline3_insert_z(vector2.new(10.00, 10.00), vector2.new(10.00, 10.00), "
    "vector2.new(10.00, 10.00))\n"
    "timeline3_end()\n\n"
    "timeline3_begin(\"leg\")\n"
    "timeline3_end()\n\n";

std::string saveAndQuit(EditorProcess& editor, const std::string& file) {
    const std::string before = readFile(file);
    editor.key("s");
    waitUntil([&] { return readFile(file) != before; }, std::chrono::seconds(3));
    editor.key("Escape");
    EXPECT_EQ(editor.waitForExit(), 0);
    return readFile(file);
}

TEST(TimelineFileEndToEnd, AWrittenFileLoadsAndSavesToTheSameBytes) {
    TempDir dir;
    // One-channel timelines are not shown, but they are written back after the others.
    const std::string fade =
        "timeline1_begin(\"fade\")\n"
        "timeline1_push(vector2.new(0.00, 1.00), vector2.new(0.00, 1.00), vector2.new(0.00, "
        "1.00))\n"
        "timeline1_end()\n\n";
    const std::string handWritten =
        "timeline1_begin(\"fade\")\n"
        "timeline1_push(vector2.new(0, 1))\ntimeline1_end()\n" +
        std::string(kWrittenForm);
    writeFile(dir.file("arm.lua"), handWritten);
    EditorProcess editor(dir.path(), {"arm.lua"});
    ASSERT_TRUE(editor.waitForWindow());
    // "Arm" sorts first and is shown: its first x key at (0, 2) is a grey point at row 248.
    EXPECT_EQ(editor.capture().at(1, 248), (Rgb{128, 128, 128}));
    EXPECT_EQ(saveAndQuit(editor, dir.file("arm.lua")), kWrittenForm + fade);
    // The fade was not written as the editor writes it: the text it had is kept.
    EXPECT_EQ(editor.standardError(),
              "arm.lua was not in the editor's form; its previous text is kept in arm.lua~\n");
    EXPECT_EQ(readFile(dir.file("arm.lua~")), handWritten);

    // What the editor wrote loads and saves again to the same bytes, and keeps no copy.
    EditorProcess again(dir.path(), {"arm.lua"});
    ASSERT_TRUE(again.waitForWindow());
    writeFile(dir.file("arm.lua~"), "older\n");
    EXPECT_EQ(saveAndQuit(again, dir.file("arm.lua")), kWrittenForm + fade);
    EXPECT_EQ(again.standardError(), "");
    EXPECT_EQ(readFile(dir.file("arm.lua~")), "older\n");
}

TEST(TimelineFileEndToEnd, SavingAScriptThenReloadingItIsStable) {
    TempDir dir;
    const std::string file = dir.file("wave.lua");
    writeFile(file, readFile(TLEDIT_SOURCE_DIR "/examples/wave.lua"));
    EditorProcess editor(dir.path(), {"wave.lua"});
    ASSERT_TRUE(editor.waitForWindow());
    // Every save puts a new file in place, so a new inode tells that a save has happened.
    ino_t inode = inodeOf(file);
    editor.key("s");
    ASSERT_TRUE(waitUntil([&] { return inodeOf(file) != inode; }));
    const std::string first = readFile(file);
    ASSERT_EQ(first.rfind("timeline3_begin(\"bounce\")\n", 0), 0u);

    auto reloadAndSave = [&] {
        const ino_t before = inodeOf(file);
        editor.key("r");
        editor.key("s");
        EXPECT_TRUE(waitUntil([&] { return inodeOf(file) != before; }));
        return readFile(file);
    };
    // Every value reads back as it was written, so the text never changes again; the script's
    // computed values are written with as many digits as they need.
    EXPECT_TRUE(reloadAndSave() == first) << "a saved file does not reload to itself";
    EXPECT_TRUE(reloadAndSave() == first);
    EXPECT_NE(first.find("vector2.new(35.77709, -182.11145)"), std::string::npos);
    editor.key("Escape");
    EXPECT_EQ(editor.waitForExit(), 0);
}

TEST(TimelineFileEndToEnd, NestedBlocksEndTheEditorAtStart) {
    TempDir dir;
    writeFile(dir.file("bad.lua"), "timeline3_begin(\"a\")\ntimeline3_begin(\"b\")\n");
    EditorProcess editor(dir.path(), {"bad.lua"});
    EXPECT_EQ(editor.waitForExit(), 1);
    EXPECT_EQ(editor.standardOutput(), "timeline3_begin()");
    EXPECT_EQ(editor.standardError(), "");
}

TEST(TimelineFileEndToEnd, NestedBlocksEndTheEditorOnReload) {
    TempDir dir;
    writeFile(dir.file("t.lua"), kWrittenForm);
    EditorProcess editor(dir.path(), {"t.lua"});
    ASSERT_TRUE(editor.waitForWindow());
    writeFile(dir.file("t.lua"), "timeline3_begin(\"a\")\ntimeline3_begin(\"b\")\n");
    editor.key("r");
    EXPECT_EQ(editor.waitForExit(), 1);
    EXPECT_EQ(editor.standardOutput(), "timeline3_begin()");
}

TEST(TimelineFileEndToEnd, BadLibraryCallEndsTheEditorWithWhereItWas) {
    TempDir dir;
    writeFile(dir.file("t.lua"),
              "timeline3_begin(\"a\")\n\ntimeline3_insert_y(vector2.new(), vector2.new())\n");
    EditorProcess editor(dir.path(), {"t.lua"});
    EXPECT_EQ(editor.waitForExit(), 1);
    EXPECT_EQ(editor.standardOutput(),
              "lua::math3d error at timeline3_insert_y file:@t.lua line:3\n");
}

TEST(TimelineFileEndToEnd, AMissingFileShowsNothingAndSavesAnEmptyFile) {
    TempDir dir;
    EditorProcess editor(dir.path(), {"missing.lua"});
    ASSERT_TRUE(editor.waitForWindow());
    // Nothing of curves: only the text overlay may be lit, left of x 400 and outside rows 200-300.
    const Frame frame = editor.waitForFrame([](const Frame& f) { return f.width == 800; });
    EXPECT_FALSE(frame.anyLit(0, 200, 800, 300));
    EXPECT_NE(editor.standardError().find("missing.lua"), std::string::npos);
    editor.key("s");
    EXPECT_TRUE(waitUntil([&] { return fileExists(dir.file("missing.lua")); }));
    editor.key("Escape");
    EXPECT_EQ(editor.waitForExit(), 0);
    EXPECT_EQ(readFile(dir.file("missing.lua")), "");
}

}  // namespace
}  // namespace kvr::test
