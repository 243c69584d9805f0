// The window-less command line through the real executable, with no display to open a window on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/support/x_session.h"

namespace kvr::test {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs tledit in dir with DISPLAY unset: any attempt at a window would fail.
Outcome tledit(const TempDir& dir, const std::vector<std::string>& args) {
    EditorProcess process(dir.path(), args, {"DISPLAY"});
    Outcome run;
    run.status = process.waitForExit();
    run.out = process.standardOutput();
    run.err = process.standardError();
    return run;
}

const std::string kWave = std::string(TLEDIT_SOURCE_DIR) + "/examples/wave.lua";

TEST(CommandLine, HelpAndVersionPrintAndEnd) {
    TempDir dir;
    for (const char* option : {"--help", "-h"}) {
        SCOPED_TRACE(option);
        const Outcome run = tledit(dir, {option});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out.rfind("Usage: tledit [FILE]", 0), 0u) << run.out;
        for (const char* part : {"--check FILE...", "--export FILE", "Escape", "README.md"}) {
            EXPECT_NE(run.out.find(part), std::string::npos) << part;
        }
    }
    const Outcome version = tledit(dir, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(testing::internal::RE::FullMatch(version.out, "tledit [0-9]+\\.[0-9]+\\.[0-9]+\n"))
        << version.out;
}

TEST(CommandLine, OtherArgumentsKeepTheirMeaningAndMiscountsAreMistakes) {
    TempDir dir;
    // Two arguments go to the editor, which ignores them and wants a window. (SDL's failed start
    // leaves allocations of its own, which the sanitizer build would report.)
    EditorProcess editor(dir.path(), {"--help", "more"},
                         {"DISPLAY", "LSAN_OPTIONS=detect_leaks=0"});
    EXPECT_EQ(editor.waitForExit(), 1);
    EXPECT_EQ(editor.standardOutput(), "No available video device");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--check"}, {"--export"}, {"--export", "a.lua", "b.lua"}}) {
        SCOPED_TRACE(args.back());
        const Outcome run = tledit(dir, args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("tledit: " + args[0], 0), 0u) << run.err;
    }
}

TEST(CommandLine, CheckSummarisesEachFileAndFailsWhenAnyIsIncomplete) {
    TempDir dir;
    writeFile(dir.file("good.lua"),
              "timeline3_begin('a') timeline3_insert_x(vector2.new(0, 1))\n"
              "timeline3_insert_y(vector2.new(0, 1)) timeline3_insert_y(vector2.new(5, 1))\n"
              "timeline3_end() timeline3_begin('b') timeline3_end()\n"
              "timeline1_begin('f') for t = 1, 3 do timeline1_push(vector2.new(t, t)) end\n"
              "timeline1_end()\n");
    const std::string block =
        "timeline3_begin('a') timeline3_insert_z(vector2.new(0, 0)) "
        "timeline3_end()\n";
    writeFile(dir.file("error.lua"), block + "oops()\n");
    writeFile(dir.file("open.lua"), block + "timeline1_begin('open')\n");
    writeFile(dir.file("dup.lua"), block + block);
    writeFile(dir.file("library.lua"), "timeline3_begin('a') timeline3_insert_x()\n");

    const Outcome good = tledit(dir, {"--check", "good.lua", kWave});
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.err, "");
    // wave.lua: bounce 6 + 15 + 3 keys, orbit 3 x 13, wave 3 x 33, fade 4.
    EXPECT_EQ(good.out, "good.lua: 3 timelines, 6 keys\n" + kWave + ": 4 timelines, 166 keys\n");

    const Outcome bad = tledit(dir, {"--check", "good.lua", "error.lua", "open.lua", "dup.lua",
                                     "library.lua", "missing.lua"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out,
              "good.lua: 3 timelines, 6 keys\n"
              "error.lua: 1 timelines, 1 keys\n"
              "open.lua: 1 timelines, 1 keys\n"
              "dup.lua: 1 timelines, 1 keys\n"
              "library.lua: failed\n"
              "missing.lua: 0 timelines, 0 keys\n");
    EXPECT_EQ(bad.err,
              "error.lua:2: attempt to call global 'oops' (a nil value)\n"
              "open.lua: timeline1 \"open\" is still open at the end of the file; it was not "
              "loaded\n"
              "dup.lua:2: timeline3 \"a\" is already defined; this block was dropped\n"
              "library.lua: lua::math3d error at timeline3_insert_x file:@library.lua line:1\n"
              "cannot open missing.lua: No such file or directory\n");
}

TEST(CommandLine, ExportWritesEveryTimelineAsJson) {
    TempDir dir;
    writeFile(dir.file("t.lua"),
              "timeline3_begin('b')\n"
              "timeline3_insert_x(vector2.new(0, 0.1))\n"
              "timeline3_insert_y(vector2.new(-1, 2), vector2.new(0, 100), vector2.new(1, 1e-5))\n"
              "timeline3_insert_z(vector2.new(1/0, 0/0))\n"
              "timeline3_end()\n"
              "timeline1_begin('fade') timeline1_push(vector2.new(2.5, 16777217))\n"
              "local zero = 0 timeline1_push(vector2.new(-zero, 3.4028235e38)) timeline1_end()\n"
              "timeline3_begin('a') timeline3_end()\n"
              "timeline3_begin('\\255x') timeline3_end()\n");
    const Outcome run = tledit(dir, {"--export", "t.lua"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    // Names in byte order, the one that is not UTF-8 with U+FFFD; keys of a channel by time;
    // floats in their shortest form, integers without a fraction (also beyond 2^24), non-finite
    // values as null.
    EXPECT_EQ(run.out,
              "{\"timelines3\":["
              "{\"name\":\"a\",\"x\":[],\"y\":[],\"z\":[]},"
              "{\"name\":\"b\","
              "\"x\":[{\"in\":[0,0.1],\"point\":[0,0.1],\"out\":[0,0.1]}],"
              "\"y\":[{\"in\":[-1,2],\"point\":[0,100],\"out\":[1,1e-05]}],"
              "\"z\":[{\"in\":[null,null],\"point\":[null,null],\"out\":[null,null]}]},"
              "{\"name\":\"\xEF\xBF\xBDx\",\"x\":[],\"y\":[],\"z\":[]}],"
              "\"timelines1\":[{\"name\":\"fade\",\"channel\":["
              "{\"in\":[-0.0,3.4028235e+38],\"point\":[-0.0,3.4028235e+38],"
              "\"out\":[-0.0,3.4028235e+38]},"
              "{\"in\":[2.5,16777216],\"point\":[2.5,16777216],\"out\":[2.5,16777216]}]}]}\n");
}

TEST(CommandLine, ExportOfAnIncompleteOrFailedLoadWritesNothing) {
    TempDir dir;
    writeFile(dir.file("error.lua"), "timeline3_begin('a') timeline3_end()\noops()\n");
    writeFile(dir.file("library.lua"), "timeline3_begin('a')\ntimeline3_begin('b')\n");
    const Outcome incomplete = tledit(dir, {"--export", "error.lua"});
    EXPECT_EQ(incomplete.status, 1);
    EXPECT_EQ(incomplete.out, "");
    EXPECT_EQ(incomplete.err, "error.lua:2: attempt to call global 'oops' (a nil value)\n");
    const Outcome failed = tledit(dir, {"--export", "library.lua"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err, "library.lua: timeline3_begin()\n");
    // Output that cannot be written is a failure, not a truncated success.
    const CommandResult full = runCommand(
        {"sh", "-c", "\"$0\" --export \"$1\" >/dev/full 2>/dev/null", TLEDIT_BINARY, kWave});
    EXPECT_EQ(full.status, 1);
}

}  // namespace
}  // namespace kvr::test
