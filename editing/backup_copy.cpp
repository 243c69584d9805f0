// Keeping a file's current text beside it before a save replaces it.
#include "editing/backup_copy.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "editing/file_writing.h"

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

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// How many bytes the sequence that lead starts takes; 1 for a byte that starts none.
std::size_t sequenceLength(char lead) {
    const auto c = static_cast<unsigned char>(lead);
    if (c >= 0xF0 && c < 0xF8) return 4;
    if (c >= 0xE0) return c < 0xF0 ? 3 : 1;
    if (c >= 0xC0) return 2;
    return 1;
}

// The first length bytes of name, less the start of a UTF-8 sequence that would be cut.
std::string cutAtSequence(const std::string& name, std::size_t length) {
    if (length >= name.size()) return name;
    std::size_t start = length;
    for (int back = 0; back < 3 && start > 0 && isContinuationByte(name[start]); ++back) --start;
    if (start < length && start + sequenceLength(name[start]) > length) return name.substr(0, start);
    return name.substr(0, length);
}

long nameLimitOf(const std::string& directory) {
    errno = 0;
    const long limit = pathconf(directory.c_str(), _PC_NAME_MAX);
    return limit > 0 ? limit : NAME_MAX;
}

}  // namespace

std::string backupPathFor(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string name = path.substr(nameStart);
    const auto limit = static_cast<std::size_t>(nameLimitOf(directoryOf(path)));
    if (name.size() + 1 <= limit) return path + "~";
    std::string kept = cutAtSequence(name, limit - 1);
    // A name that ends in '~' cut by one byte would name the file itself.
    if (kept + "~" == name) kept = cutAtSequence(name, kept.size() - 1);
    return path.substr(0, nameStart) + kept + "~";
}

BackupResult keepCopy(const std::string& path, const std::string& backupPath, std::string& reason) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return BackupResult::Nothing;
        reason = std::strerror(errno);
        return BackupResult::Failed;
    }
    struct stat original;
    if (fstat(fd, &original) != 0 || !S_ISREG(original.st_mode)) {
        // A pipe or a device has no text of its own to keep.
        close(fd);
        return BackupResult::Nothing;
    }
    TemporaryFile copy;
    int readError = 0;
    bool kept = copy.create(directoryOf(backupPath), reason);
    if (kept) {
        // The owner first where allowed (root keeps another user's file theirs; anyone keeps the
        // group if they are in it), then the permissions, which a change of owner may clear.
        const int copyFd = copy.descriptor();
        if (fchown(copyFd, original.st_uid, original.st_gid) != 0 &&
            fchown(copyFd, static_cast<uid_t>(-1), original.st_gid) != 0) {
            // Kept as the saver's own, as private as the original's permissions make it.
        }
        kept = fchmod(copyFd, original.st_mode & 0777) == 0;
        if (!kept) reason = std::strerror(errno);
    }
    kept = kept &&
           copy.write([&](const TextSink& sink) { return copyTo(fd, sink, readError); }, reason);
    close(fd);
    if (!kept && readError != 0) reason = std::strerror(readError);
    if (kept) kept = copy.moveTo(backupPath, reason);
    return kept ? BackupResult::Kept : BackupResult::Failed;
}

}  // namespace kvr
