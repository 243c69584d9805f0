// The editor process under a file-size limit: a save that cannot be written fails with a message
// and the editor goes on.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <set>

#include "tests/support/temp_dir.h"
#include "tests/support/x_session.h"

namespace kvr::test {
namespace {

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
    // In the editor's own form, so that the save has no copy of a hand-written text to keep
    // first and it is the file's own writing that fails.
    std::string old = "timeline3_begin(\"t\")\n";
    for (int i = 0; i < 20; ++i) {
        const std::string point =
            "vector2.new(" + std::to_string(i * 10) + ".00, " + std::to_string(i) + ".00)";
        old += "timeline3_insert_x(" + point + ", " + point + ", " + point + ")\n";
    }
    old += "timeline3_end()\n\n";
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
