// The window-less command line through the real executable, with no display to open a window on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/support/x_session.h"

namespace kvr::test {
namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Runs tledit in dir with DISPLAY unset: any attempt at a window would fail.
Outcome tledit(const TempDir& dir, const std::vector<std::string>& args) {
    EditorProcess process(dir.path(), args, {"DISPLAY"});
    const int status = process.waitForExit();
    return {status, process.standardOutput(), process.standardError()};
}

TEST(CommandLine, CheckSummarisesEachFileAndBothModesFailOnAnIncompleteOne) {
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

    const Outcome good = tledit(dir, {"--check", "good.lua"});
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.err, "");
    EXPECT_EQ(good.out, "good.lua: 3 timelines, 6 keys\n");

    const Outcome bad =
        tledit(dir, {"--check", "error.lua", "open.lua", "dup.lua", "library.lua", "missing.lua"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out,
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
    // --export loads as --check does, and of an incomplete load writes nothing.
    for (const char* file : {"error.lua", "library.lua"}) {
        const Outcome failed = tledit(dir, {"--export", file});
        EXPECT_EQ(failed.status, 1) << file;
        EXPECT_EQ(failed.out, "") << file;
        EXPECT_NE(failed.err, "") << file;
    }

    const Outcome help = tledit(dir, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: tledit [FILE]", 0), 0u) << help.out;
}

TEST(CommandLine, AnUnknownOptionIsRefusedAndOpensNoWindow) {
    TempDir dir;
    for (const char* option : {"--bogus", "-x", "-"}) {
        const Outcome refused = tledit(dir, {option});
        EXPECT_EQ(refused.status, 2) << option;
        EXPECT_EQ(refused.out, "") << option;
        EXPECT_EQ(refused.err.rfind(std::string("tledit: unknown option ") + option +
                                        "\nUsage: tledit [FILE]",
                                    0),
                  0u)
            << refused.err;
    }
    // A file of such a name is given with its directory, and two or more arguments are still
    // only ignored: both go on to open a window, which fails here for want of a display.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"./-x.lua"}, std::vector<std::string>{"--bogus", "a.lua"}}) {
        const Outcome editor = tledit(dir, args);
        EXPECT_EQ(editor.status, 1) << args[0];
        EXPECT_EQ(editor.err.find("unknown option"), std::string::npos) << editor.err;
    }
    for (const char* name : {"--bogus", "-x", "-", "-x.lua", "a.lua"}) {
        EXPECT_FALSE(fileExists(dir.file(name))) << name;
    }
}

TEST(CommandLine, ExportWritesEveryTimelineAsJson) {
    TempDir dir;
    writeFile(
        dir.file("t.lua"),
        "timeline3_begin('b')\n"
        "timeline3_insert_x(vector2.new(0, 0.1))\n"
        "timeline3_insert_y(vector2.new(-1, 2), vector2.new(0, 100), vector2.new(1, 1e-5))\n"
        "timeline3_insert_z(vector2.new(1/0, 0/0))\n"
        "timeline3_end()\n"
        "timeline1_begin('fade') timeline1_push(vector2.new(2.5, 16777217))\n"
        "local zero = 0 timeline1_push(vector2.new(-zero, 3.4028235e38)) timeline1_end()\n"
        "timeline3_begin('a') timeline3_end()\n"
        "timeline3_begin('\\255x') timeline3_end()\n"
        "timeline3_begin('a\\255b') timeline3_end() timeline3_begin('a\\254b') timeline3_end()\n"
        "timeline3_begin('\\226\\130\\172') timeline3_end()\n"
        "timeline1_begin('\\226\\130!\\255\\254') timeline1_end()\n");
    const Outcome run = tledit(dir, {"--export", "t.lua"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    // Names in byte order. Where a name is not UTF-8, each invalid byte and each character cut
    // short reads U+FFFD, and name_bytes keeps the bytes apart; a valid name (the euro sign) has
    // no name_bytes. Keys of a channel by time; floats in their shortest form, integers without
    // a fraction (also beyond 2^24), non-finite values as null.
    // (\xEF\xBF\xBD is U+FFFD; a literal ends after it where a hex digit follows.)
    EXPECT_EQ(run.out,
              "{\"timelines3\":["
              "{\"name\":\"a\",\"x\":[],\"y\":[],\"z\":[]},"
              "{\"name\":\"a\xEF\xBF\xBD"
              "b\",\"name_bytes\":\"61fe62\",\"x\":[],\"y\":[],\"z\":[]},"
              "{\"name\":\"a\xEF\xBF\xBD"
              "b\",\"name_bytes\":\"61ff62\",\"x\":[],\"y\":[],\"z\":[]},"
              "{\"name\":\"b\","
              "\"x\":[{\"in\":[0,0.1],\"point\":[0,0.1],\"out\":[0,0.1]}],"
              "\"y\":[{\"in\":[-1,2],\"point\":[0,100],\"out\":[1,1e-05]}],"
              "\"z\":[{\"in\":[null,null],\"point\":[null,null],\"out\":[null,null]}]},"
              "{\"name\":\"\xE2\x82\xAC\",\"x\":[],\"y\":[],\"z\":[]},"
              "{\"name\":\"\xEF\xBF\xBDx\",\"name_bytes\":\"ff78\",\"x\":[],\"y\":[],\"z\":[]}],"
              "\"timelines1\":[{\"name\":\"fade\",\"channel\":["
              "{\"in\":[-0.0,3.4028235e+38],\"point\":[-0.0,3.4028235e+38],"
              "\"out\":[-0.0,3.4028235e+38]},"
              "{\"in\":[2.5,16777216],\"point\":[2.5,16777216],\"out\":[2.5,16777216]}]},"
              "{\"name\":\"\xEF\xBF\xBD!\xEF\xBF\xBD\xEF\xBF\xBD\",\"name_bytes\":\"e28221fffe\","
              "\"channel\":[]}]}\n");
}

}  // namespace
}  // namespace kvr::test
