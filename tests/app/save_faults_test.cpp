// Saves that fail part-way or at the end: the old file stays as it was and the editor goes on.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <set>

#include "tests/app/editor_fixture.h"
#include "tests/support/x_session.h"

namespace kvr::test {
namespace {

std::set<std::string> entriesOf(const std::string& directory) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

using SaveFaultTest = EditorTest;

TEST_F(SaveFaultTest, ARenameOntoADirectoryLeavesItAndNoTemporaryFile) {
    // Everything is written and synced before the rename fails.
    ASSERT_EQ(mkdir(dir.file("out.lua").c_str(), 0755), 0);
    writeFile(dir.file("out.lua/inside"), "kept\n");
    const std::set<std::string> before = entriesOf(dir.path());
    editor->fileName = "out.lua";
    testing::internal::CaptureStderr();
    editor->save();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "cannot save out.lua: Is a directory\n");
    EXPECT_EQ(entriesOf(dir.path()), before);
    EXPECT_EQ(readFile(dir.file("out.lua/inside")), "kept\n");
    EXPECT_EQ(editor->currentName, "no_name");

    editor->fileName = "out2.lua";
    editor->save();
    EXPECT_EQ(readFile(dir.file("out2.lua")).rfind("timeline3_begin(\"no_name\")", 0), 0u);
}

TEST_F(SaveFaultTest, ALinkIntoAMissingDirectoryStaysAsItWas) {
    ASSERT_EQ(symlink("gone/real.lua", dir.file("link.lua").c_str()), 0);
    const std::set<std::string> before = entriesOf(dir.path());
    editor->fileName = "link.lua";
    testing::internal::CaptureStderr();
    editor->save();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "cannot save link.lua: No such file or directory\n");
    EXPECT_EQ(entriesOf(dir.path()), before);
    char target[64] = {};
    ASSERT_GT(readlink(dir.file("link.lua").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "gone/real.lua");
}

// Restores the file-size limit and the signal's disposition whatever the test does.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
        // The default action: what a user's shell would hand the editor.
        savedHandler_ = std::signal(SIGXFSZ, SIG_DFL);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, savedHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*savedHandler_)(int) = nullptr;
};

TEST(SaveFaultProcess, AFileSizeLimitFailsTheSaveWithoutEndingTheEditor) {
    TempDir dir;
    std::string old = "timeline3_begin(\"t\")\n";
    for (int i = 0; i < 20; ++i) {
        old += "timeline3_insert_x(vector2.new(" + std::to_string(i * 10) + ", " +
               std::to_string(i) + "))\n";
    }
    old += "timeline3_end()\n";
    writeFile(dir.file("old.lua"), old);

    std::set<std::string> before;
    {
        // The editor inherits the limit; its text is far longer than 512 bytes.
        FileSizeLimit limit(512);
        EditorProcess editor(dir.path(), {"old.lua"});
        ASSERT_TRUE(editor.waitForWindow());
        before = entriesOf(dir.path());
        editor.key("s");
        ASSERT_TRUE(
            waitUntil([&] { return !editor.standardError().empty() || !editor.running(); }));
        EXPECT_TRUE(editor.running()) << "the editor did not survive the failed save";
        EXPECT_EQ(editor.standardError(), "cannot save old.lua: File too large\n");
        editor.key("Escape");
        EXPECT_EQ(editor.waitForExit(), 0);
    }
    EXPECT_EQ(readFile(dir.file("old.lua")), old);
    EXPECT_EQ(entriesOf(dir.path()), before);
}

}  // namespace
}  // namespace kvr::test
