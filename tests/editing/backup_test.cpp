// A file that did not load completely keeps its text beside it before the first save over it.
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "editing/backup_copy.h"

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

// Loads the file, which does not load completely, and saves over it; returns what was said.
std::string loadBrokenAndSave(EditingCore& editor, const std::string& name) {
    writeFile(name, kBrokenInTheMiddle);
    editor.setFileName(name);
    testing::internal::CaptureStderr();
    editor.reload();
    testing::internal::GetCapturedStderr();
    return saveCapturingStderr(editor);
}

std::string keptMessage(const std::string& name, const std::string& backup) {
    return name + " did not load completely; its previous text is kept in " + backup + "\n";
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

TEST_F(BackupTest, TheFirstSaveAfterAnIncompleteLoadKeepsThePreviousTextOnce) {
    writeFile(dir.file("broken.lua"), kBrokenInTheMiddle);
    chmod(dir.file("broken.lua").c_str(), 0600);
    core.setFileName("broken.lua");
    testing::internal::CaptureStderr();
    core.reload();
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(core.backsUpBeforeNextSave());

    EXPECT_EQ(saveCapturingStderr(core),
              "broken.lua did not load completely; its previous text is kept in broken.lua~\n");
    EXPECT_FALSE(core.backsUpBeforeNextSave());
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
    // A complete load of a file in the editor's own form, and a missing file, have nothing to
    // keep.
    writeFile(dir.file("good.lua"), "timeline3_begin(\"a\")\ntimeline3_end()\n\n");
    writeFile(dir.file("good.lua~"), "older\n");
    core.setFileName("good.lua");
    core.reload();
    EXPECT_EQ(saveCapturingStderr(core), "");
    EXPECT_EQ(readFile(dir.file("good.lua~")), "older\n");

    core.setFileName("missing.lua");
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
    core.setFileName("dup.lua");
    core.reload();
    EXPECT_EQ(saveCapturingStderr(core),
              "cannot save dup.lua: cannot keep the previous text: Is a directory\n");
    EXPECT_EQ(readFile(dir.file("dup.lua")).find("timeline3_begin('a')"), 0u);
}

TEST_F(BackupTest, WhatStandsAtTheBackupNameIsReplacedNeverWrittenThrough) {
    // Somebody else's link to a private file of the user's.
    writeFile("notes.txt", "private notes\n");
    ASSERT_EQ(chmod("notes.txt", 0600), 0);
    ASSERT_EQ(symlink("notes.txt", "anim.lua~"), 0);
    EXPECT_EQ(loadBrokenAndSave(core, "anim.lua"), keptMessage("anim.lua", "anim.lua~"));
    EXPECT_EQ(readFile("notes.txt"), "private notes\n");
    struct stat st;
    ASSERT_EQ(stat("notes.txt", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_TRUE(isRegularFile("anim.lua~"));
    EXPECT_EQ(readFile("anim.lua~"), kBrokenInTheMiddle);

    // A link back to the file itself: the old text is really kept, not overwritten by the save.
    ASSERT_EQ(symlink("self.lua", "self.lua~"), 0);
    EXPECT_EQ(loadBrokenAndSave(core, "self.lua"), keptMessage("self.lua", "self.lua~"));
    EXPECT_TRUE(isRegularFile("self.lua~"));
    EXPECT_EQ(readFile("self.lua~"), kBrokenInTheMiddle);
    EXPECT_EQ(readFile("self.lua").rfind("timeline3_begin(\"a\")\n", 0), 0u);

    // A name of a file with other links: the other name keeps its text.
    writeFile("other.txt", "other\n");
    ASSERT_EQ(link("other.txt", "hard.lua~"), 0);
    EXPECT_EQ(loadBrokenAndSave(core, "hard.lua"), keptMessage("hard.lua", "hard.lua~"));
    EXPECT_EQ(readFile("other.txt"), "other\n");
    EXPECT_EQ(readFile("hard.lua~"), kBrokenInTheMiddle);
    EXPECT_NE(inodeOf("hard.lua~"), inodeOf("other.txt"));
    EXPECT_EQ(entriesOf(dir.path()),
              (std::set<std::string>{"notes.txt", "anim.lua", "anim.lua~", "self.lua", "self.lua~",
                                     "other.txt", "hard.lua", "hard.lua~"}));
}

TEST_F(BackupTest, NamesAtTheLengthLimitKeepTheirTextUnderAShorterName) {
    // 255 bytes: one '~' more would pass the limit.
    const std::string stem(251, 'n');
    EXPECT_EQ(loadBrokenAndSave(core, stem + ".lua"), keptMessage(stem + ".lua", stem + ".lu~"));
    EXPECT_EQ(readFile(stem + ".lu~"), kBrokenInTheMiddle);
    EXPECT_EQ(readFile(stem + ".lua").rfind("timeline3_begin(\"a\")\n", 0), 0u);

    // Never cut inside a character, and never the file's own name.
    std::string kana;
    for (int i = 0; i < 85; ++i) kana += "\xe3\x81\x82";  // 255 bytes of three-byte characters
    EXPECT_EQ(backupPathFor(dir.file(kana)), dir.file(kana.substr(0, 252) + "~"));
    const std::string tilde = std::string(254, 't') + "~";
    EXPECT_EQ(backupPathFor(tilde), std::string(253, 't') + "~");
    EXPECT_EQ(backupPathFor(dir.file("short.lua")), dir.file("short.lua~"));
    EXPECT_EQ(backupPathFor(std::string(254, 'a')), std::string(254, 'a') + "~");
}

// What happened to each name in a directory, in order, as the file system reports it.
class DirectoryEvents {
public:
    explicit DirectoryEvents(const std::string& directory)
        : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(fd_, directory.c_str(),
                          IN_CREATE | IN_ATTRIB | IN_MODIFY | IN_MOVED_FROM | IN_MOVED_TO);
    }
    ~DirectoryEvents() { close(fd_); }
    DirectoryEvents(const DirectoryEvents&) = delete;
    DirectoryEvents& operator=(const DirectoryEvents&) = delete;

    std::vector<std::pair<std::string, std::uint32_t>> take() const {
        std::vector<std::pair<std::string, std::uint32_t>> seen;
        alignas(inotify_event) char buffer[1 << 16];
        for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                seen.emplace_back(event->len ? event->name : "", event->mask);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return seen;
    }

private:
    int fd_;
};

TEST_F(BackupTest, NoFileHoldsTextBeforeItHasItsFinalPermissions) {
    writeFile("private.lua", kBrokenInTheMiddle);
    ASSERT_EQ(chmod("private.lua", 0600), 0);
    core.setFileName("private.lua");
    testing::internal::CaptureStderr();
    core.reload();
    testing::internal::GetCapturedStderr();
    const DirectoryEvents events(dir.path());
    EXPECT_EQ(saveCapturingStderr(core), keptMessage("private.lua", "private.lua~"));
    core.setFileName("new.lua");
    EXPECT_EQ(saveCapturingStderr(core), "");

    // Text goes only into temporary files that already have their permissions; the files
    // renamed into place are not touched afterwards.
    std::map<std::string, bool> permissionsSet;
    int temporaries = 0;
    for (const auto& [name, mask] : events.take()) {
        if (name.rfind(".tledit-", 0) != 0) {
            EXPECT_EQ(mask & (IN_ATTRIB | IN_MODIFY | IN_CREATE), 0u) << name;
            continue;
        }
        if (mask & IN_CREATE) ++temporaries;
        if (mask & IN_ATTRIB) permissionsSet[name] = true;
        if (mask & IN_MODIFY) {
            EXPECT_TRUE(permissionsSet[name]) << name << " written too early";
        }
    }
    EXPECT_EQ(temporaries, 3);
    const mode_t mask = umask(0);
    umask(mask);
    struct stat st;
    ASSERT_EQ(stat("private.lua~", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    ASSERT_EQ(stat("private.lua", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    ASSERT_EQ(stat("new.lua", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0666u & ~mask);
}

}  // namespace
}  // namespace kvr::test
