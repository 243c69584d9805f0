// Saves that fail part-way or at the end: the old file stays as it was and the editor goes on;
// and targets a rename cannot simply replace.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <set>
#include <thread>

#include "editing/text_file_save.h"
#include "editing/timeline_writer.h"
#include "tests/editing/core_fixture.h"

namespace kvr::test {
namespace {

using SaveFaultTest = CoreTest;

TEST_F(SaveFaultTest, ARenameOntoADirectoryLeavesItAndNoTemporaryFile) {
    // Everything is written and synced before the rename fails.
    ASSERT_EQ(mkdir(dir.file("out.lua").c_str(), 0755), 0);
    writeFile(dir.file("out.lua/inside"), "kept\n");
    const std::set<std::string> before = entriesOf(dir.path());
    core.setFileName("out.lua");
    testing::internal::CaptureStderr();
    core.save();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "cannot save out.lua: Is a directory\n");
    EXPECT_EQ(entriesOf(dir.path()), before);
    EXPECT_EQ(readFile(dir.file("out.lua/inside")), "kept\n");
    EXPECT_EQ(core.document().currentName(), "no_name");

    core.setFileName("out2.lua");
    core.save();
    EXPECT_EQ(readFile(dir.file("out2.lua")).rfind("timeline3_begin(\"no_name\")", 0), 0u);
}

TEST_F(SaveFaultTest, ALinkIntoAMissingDirectoryStaysAsItWas) {
    ASSERT_EQ(symlink("gone/real.lua", dir.file("link.lua").c_str()), 0);
    const std::set<std::string> before = entriesOf(dir.path());
    core.setFileName("link.lua");
    testing::internal::CaptureStderr();
    core.save();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "cannot save link.lua: No such file or directory\n");
    EXPECT_EQ(entriesOf(dir.path()), before);
    char target[64] = {};
    ASSERT_GT(readlink(dir.file("link.lua").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "gone/real.lua");
}

TEST(SaveTarget, HardLinksAndPipesAreWrittenInPlace) {
    TempDir dir;
    std::string reason;
    // A rename would cut the file off from its other link.
    writeFile(dir.file("a.lua"), "old\n");
    ASSERT_EQ(link(dir.file("a.lua").c_str(), dir.file("b.lua").c_str()), 0);
    const ino_t inode = inodeOf(dir.file("a.lua"));
    ASSERT_TRUE(saveTextFile(dir.file("a.lua"), "new\n", reason)) << reason;
    EXPECT_EQ(readFile(dir.file("b.lua")), "new\n");
    EXPECT_EQ(inodeOf(dir.file("a.lua")), inode);

    // A pipe nobody reads refuses at once instead of holding the editor.
    const std::string pipe = dir.file("pipe.lua");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_FALSE(saveTextFile(pipe, "text\n", reason));
    EXPECT_EQ(reason, "No such device or address");

    // One that is read gets the text and stays a pipe.
    std::string received;
    std::thread reader([&] {
        const int fd = open(pipe.c_str(), O_RDONLY);
        char buffer[256];
        for (ssize_t n; fd >= 0 && (n = read(fd, buffer, sizeof buffer)) > 0;) {
            received.append(buffer, static_cast<std::size_t>(n));
        }
        if (fd >= 0) close(fd);
    });
    bool saved = false;
    // The reader may not have opened its end yet.
    for (int attempt = 0; attempt < 500 && !saved; ++attempt) {
        saved = saveTextFile(pipe, "text\n", reason);
        if (!saved) usleep(10000);
    }
    reader.join();
    EXPECT_TRUE(saved) << reason;
    EXPECT_EQ(received, "text\n");
    struct stat st;
    ASSERT_EQ(lstat(pipe.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// Waits until the pipe holds text (or its writer has gone), then reads it all if asked.
std::string readPipe(int fd, bool toTheEnd) {
    std::string text;
    char buffer[65536];
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 20000) != 1 || !toTheEnd) break;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno != EAGAIN)) break;
        if (n > 0) text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

TEST_F(SaveFaultTest, APipeWhoseReaderHasGoneFailsTheSaveAndTheNextOneWorks) {
    // Far more text than a pipe holds, so the writer is still writing when the reader leaves.
    for (int i = 0; i < 20000; ++i) {
        const Point2 p{static_cast<float>(200 + i), static_cast<float>(i % 7)};
        current().x.insertKey(p, p, p);
    }
    current().rebuildAll();
    ASSERT_EQ(mkfifo(dir.file("pipe.lua").c_str(), 0644), 0);
    core.setFileName("pipe.lua");
    // The default action, which ends the process, as a program that saves would have it.
    const auto oldHandler = std::signal(SIGPIPE, SIG_DFL);

    int reader = open(dir.file("pipe.lua").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::thread leaves([&] {
        readPipe(reader, false);
        close(reader);
    });
    testing::internal::CaptureStderr();
    core.save();
    leaves.join();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "cannot save pipe.lua: Broken pipe\n");
    // Nothing of the signal is left behind for the program: neither pending nor blocked.
    sigset_t signals;
    ASSERT_EQ(sigpending(&signals), 0);
    EXPECT_FALSE(sigismember(&signals, SIGPIPE));
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, nullptr, &signals), 0);
    EXPECT_FALSE(sigismember(&signals, SIGPIPE));

    reader = open(dir.file("pipe.lua").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::string received;
    std::thread reads([&] { received = readPipe(reader, true); });
    testing::internal::CaptureStderr();
    core.save();
    reads.join();
    close(reader);
    std::signal(SIGPIPE, oldHandler);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(received == formatTimelines(TimelineRegistry::instance()))
        << received.size() << " bytes received";
}

TEST_F(SaveFaultTest, ANameAtTheFileSystemsLimitSaves) {
    // With ".lua", 250 bytes: no room for a temporary name made from it.
    const std::string name = std::string(246, 'n') + ".lua";
    core.setFileName(name);
    testing::internal::CaptureStderr();
    core.save();
    const ino_t first = inodeOf(dir.file(name));
    core.save();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(readFile(dir.file(name)), formatTimelines(TimelineRegistry::instance()));
    EXPECT_EQ(entriesOf(dir.path()), std::set<std::string>{name});
    // Replaced by a rename, not written over in place.
    EXPECT_NE(inodeOf(dir.file(name)), first);
}

// Saves as a user without root's rights, in a child process: "<ok> <reason>" per save.
std::string saveAsOrdinaryUser(const std::vector<std::string>& paths) {
    int fds[2];
    if (pipe(fds) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(1);
        std::string out;
        for (const std::string& path : paths) {
            std::string reason;
            out += saveTextFile(path, "new\n", reason) ? "1 " : "0 ";
            out += reason + ";";
        }
        const ssize_t n = write(fds[1], out.data(), out.size());
        _exit(n == static_cast<ssize_t>(out.size()) ? 0 : 1);
    }
    close(fds[1]);
    std::string out;
    char buffer[256];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, n);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : "child failed";
}

TEST(SaveTarget, PermissionsDecideAsForAPlainWrite) {
    TempDir dir;
    // Anyone may enter and write the directory, so only the file's own mode protects it.
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    writeFile(dir.file("read-only.lua"), "old\n");
    ASSERT_EQ(chmod(dir.file("read-only.lua").c_str(), 0444), 0);
    // A file anyone may write, in a directory nobody but root may add to.
    ASSERT_EQ(mkdir(dir.file("closed").c_str(), 0777), 0);
    writeFile(dir.file("closed/shared.lua"), "old\n");
    ASSERT_EQ(chmod(dir.file("closed/shared.lua").c_str(), 0666), 0);
    ASSERT_EQ(chmod(dir.file("closed").c_str(), 0555), 0);

    EXPECT_EQ(saveAsOrdinaryUser({dir.file("read-only.lua"), dir.file("closed/shared.lua")}),
              "0 Permission denied;1 ;");
    EXPECT_EQ(readFile(dir.file("read-only.lua")), "old\n");
    EXPECT_EQ(readFile(dir.file("closed/shared.lua")), "new\n");
    ASSERT_EQ(chmod(dir.file("closed").c_str(), 0755), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("closed")),
                            std::filesystem::directory_iterator()),
              1);
}

struct Ownership {
    uid_t uid;
    gid_t gid;
    mode_t mode;
    ino_t inode;
    bool operator==(const Ownership& o) const {
        return uid == o.uid && gid == o.gid && mode == o.mode && inode == o.inode;
    }
};

Ownership ownershipOf(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return {st.st_uid, st.st_gid, st.st_mode & 07777, st.st_ino};
}

TEST(SaveTarget, AnotherUsersFileStaysTheirs) {
    TempDir dir;
    std::string reason;
    writeFile(dir.file("mine.lua"), "old\n");
    ASSERT_TRUE(saveTextFile(dir.file("mine.lua"), "new\n", reason)) << reason;
    EXPECT_EQ(ownershipOf(dir.file("mine.lua")).uid, geteuid());
    EXPECT_EQ(ownershipOf(dir.file("mine.lua")).gid, getegid());
    if (geteuid() != 0) GTEST_SKIP() << "making another user's file takes root";

    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    // A shared folder as /tmp is, where only owners may replace their files, and an open one.
    const std::string sticky = dir.file("sticky"), open = dir.file("open");
    ASSERT_EQ(mkdir(sticky.c_str(), 0777), 0);
    ASSERT_EQ(chmod(sticky.c_str(), 01777), 0);
    ASSERT_EQ(mkdir(open.c_str(), 0777), 0);
    ASSERT_EQ(chmod(open.c_str(), 0777), 0);
    const auto make = [](const std::string& path, uid_t uid, gid_t gid) {
        writeFile(path, "old\n");
        return chown(path.c_str(), uid, gid) == 0 && chmod(path.c_str(), 0666) == 0;
    };
    // Files anyone may write, of another user, and of the saver in a group they are not in.
    const std::vector<std::string> files = {sticky + "/theirs.lua", open + "/theirs.lua",
                                            open + "/group.lua"};
    ASSERT_TRUE(make(files[0], 4242, 4242) && make(files[1], 4242, 4242) &&
                make(files[2], 65534, 4242));
    std::vector<Ownership> before;
    for (const std::string& file : files) before.push_back(ownershipOf(file));

    EXPECT_EQ(saveAsOrdinaryUser(files), "1 ;1 ;1 ;");
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(readFile(files[i]), "new\n") << files[i];
        EXPECT_TRUE(ownershipOf(files[i]) == before[i]) << files[i];
    }
    EXPECT_EQ(entriesOf(sticky), std::set<std::string>{"theirs.lua"});
    EXPECT_EQ(entriesOf(open), (std::set<std::string>{"theirs.lua", "group.lua"}));

    // Root can give the new file away, so the file is replaced whole and stays theirs.
    ASSERT_TRUE(saveTextFile(files[1], "root\n", reason)) << reason;
    const Ownership after = ownershipOf(files[1]);
    EXPECT_EQ(readFile(files[1]), "root\n");
    EXPECT_NE(after.inode, before[1].inode);
    EXPECT_TRUE((Ownership{4242, 4242, 0666, after.inode} == after));
}

}  // namespace
}  // namespace kvr::test
