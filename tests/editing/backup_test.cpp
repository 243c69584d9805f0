// A file that did not load completely keeps its text beside it before the first save over it.
#include <sys/stat.h>

#include "tests/editing/core_fixture.h"

namespace kvr::test {
namespace {

using BackupTest = CoreTest;

const char* const kBrokenInTheMiddle =
    "timeline3_begin('a') timeline3_insert_x(vector2.new(0, 1)) timeline3_end()\n"
    "typo()\n"
    "timeline3_begin('c') timeline3_end()\n";

std::string saveCapturingStderr(EditingCore& editor) {
    testing::internal::CaptureStderr();
    editor.save();
    return testing::internal::GetCapturedStderr();
}

TEST_F(BackupTest, TheFirstSaveAfterAnIncompleteLoadKeepsThePreviousTextOnce) {
    writeFile(dir.file("broken.lua"), kBrokenInTheMiddle);
    chmod(dir.file("broken.lua").c_str(), 0600);
    core.fileName = "broken.lua";
    testing::internal::CaptureStderr();
    core.reload();
    testing::internal::GetCapturedStderr();

    EXPECT_EQ(saveCapturingStderr(core),
              "broken.lua did not load completely; its previous text is kept in broken.lua~\n");
    EXPECT_EQ(readFile(dir.file("broken.lua~")), kBrokenInTheMiddle);
    struct stat st;
    ASSERT_EQ(stat(dir.file("broken.lua~").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const std::string saved = readFile(dir.file("broken.lua"));
    EXPECT_EQ(saved.rfind("timeline3_begin(\"a\")\n", 0), 0u) << saved;

    // The backup is made once: the second save writes the file alone.
    EXPECT_EQ(saveCapturingStderr(core), "");
    EXPECT_EQ(readFile(dir.file("broken.lua~")), kBrokenInTheMiddle);
    EXPECT_EQ(readFile(dir.file("broken.lua")), saved);
}

TEST_F(BackupTest, NoBackupWhereNothingIsLostAndNoSaveWhenItCannotBeKept) {
    // A complete load, and a missing file, have nothing to keep.
    writeFile(dir.file("good.lua"), "timeline3_begin('a') timeline3_end()\n");
    writeFile(dir.file("good.lua~"), "older\n");
    core.fileName = "good.lua";
    core.reload();
    EXPECT_EQ(saveCapturingStderr(core), "");
    EXPECT_EQ(readFile(dir.file("good.lua~")), "older\n");

    core.fileName = "missing.lua";
    testing::internal::CaptureStderr();
    core.reload();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(saveCapturingStderr(core), "");
    EXPECT_FALSE(fileExists(dir.file("missing.lua~")));

    // A backup that cannot be written refuses the save and leaves the file as it is.
    writeFile(dir.file("dup.lua"),
              "timeline3_begin('a') timeline3_end() "
              "timeline3_begin('a') timeline3_end()\n");
    ASSERT_EQ(mkdir(dir.file("dup.lua~").c_str(), 0755), 0);
    writeFile(dir.file("dup.lua~/inside"), "x");
    core.fileName = "dup.lua";
    core.reload();
    EXPECT_EQ(saveCapturingStderr(core),
              "cannot save dup.lua: cannot keep the previous text: Is a directory\n");
    EXPECT_EQ(readFile(dir.file("dup.lua")).find("timeline3_begin('a')"), 0u);
}

}  // namespace
}  // namespace kvr::test
