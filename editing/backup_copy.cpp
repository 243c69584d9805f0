// Keeping a file's current text beside it before a save replaces it.
#include "editing/backup_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "editing/timeline_writer.h"

namespace kvr {

namespace {

// Hands the file to the sink a piece at a time, so that a large file is never held whole.
bool copyTo(int fd, const TextSink& sink, int& error) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        if (!sink(std::string_view(buffer, static_cast<std::size_t>(n)))) return false;
    }
}

}  // namespace

BackupResult keepCopy(const std::string& path, const std::string& backupPath, std::string& reason) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return BackupResult::Nothing;
        reason = std::strerror(errno);
        return BackupResult::Failed;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        // A pipe or a device has no text of its own to keep.
        close(fd);
        return BackupResult::Nothing;
    }
    int readError = 0;
    const bool kept = replaceFileContents(
        backupPath, [&](const TextSink& sink) { return copyTo(fd, sink, readError); }, reason);
    close(fd);
    if (!kept) {
        if (readError != 0) reason = std::strerror(readError);
        return BackupResult::Failed;
    }
    // The copy is as private as the file it keeps.
    chmod(backupPath.c_str(), st.st_mode & 07777);
    return BackupResult::Kept;
}

}  // namespace kvr
