// Saving a text file without ever leaving it half written or giving it away.
#include "editing/text_file_save.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "editing/file_writing.h"

namespace kvr {

namespace {

// Where the bytes really go: the target of a symbolic link, so the link survives the save.
std::string resolveTarget(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    if (char* resolved = realpath(path.c_str(), nullptr)) {
        std::string target = resolved;
        std::free(resolved);
        return target;
    }
    // A dangling link: create the file it names.
    char link[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
    if (n <= 0) return path;
    link[n] = '\0';
    if (link[0] == '/') return link;
    return directoryOf(path) + "/" + link;
}

// What a new file gets when it is created by the save.
mode_t newFilePermissions() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// For what cannot be replaced by a rename: a device or pipe is written to, and a file with other
// hard links is rewritten so that every link sees the new text. Not atomic, as opening the file
// for writing never is, but the file stays the same file: same owner, group and links.
bool writeInPlace(const std::string& target, bool regular, const TextSource& text,
                  std::string& reason) {
    reason.clear();
    // Without O_NONBLOCK a pipe that nobody reads would hold the editor until somebody does.
    int fd = open(target.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return writeAndClose(fd, regular, text, reason);
}

// Gives the new file the old one's owner and group; false when that is not allowed (another
// user's file, or a group the user is not in, for anyone but root).
bool keepOwnerAndGroup(int fd, const struct stat& old) {
    if (old.st_uid == geteuid() && old.st_gid == getegid()) return true;
    return fchown(fd, old.st_uid, old.st_gid) == 0;
}

bool refusedByDirectory(int error) {
    return error == EPERM || error == EACCES;
}

}  // namespace

bool saveTextFile(const std::string& path, const std::string& text, std::string& reason) {
    return saveTextFile(path, [&](const TextSink& sink) { return sink(text); }, reason);
}

bool saveTextFile(const std::string& path, const TextSource& text, std::string& reason) {
    const std::string target = resolveTarget(path);
    struct stat existing;
    const bool exists = stat(target.c_str(), &existing) == 0 && !S_ISDIR(existing.st_mode);
    if (exists) {
        // A file the user may not write stays as it is, as it would for a plain open for writing;
        // a rename beside it would otherwise replace it.
        if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
            reason = std::strerror(errno);
            return false;
        }
        if (!S_ISREG(existing.st_mode) || existing.st_nlink > 1) {
            return writeInPlace(target, S_ISREG(existing.st_mode), text, reason);
        }
    }

    TemporaryFile temporary;
    if (!temporary.create(directoryOf(target), reason)) {
        // A file the user may write in a directory they may not: only writing in place can save.
        if (exists && refusedByDirectory(errno)) return writeInPlace(target, true, text, reason);
        return false;
    }
    // A replacement that would silently become the saver's own is not made: the file is written
    // where it is and stays its owner's.
    if (exists && !keepOwnerAndGroup(temporary.descriptor(), existing)) {
        return writeInPlace(target, true, text, reason);
    }
    // The final permissions, set after the owner (a change of owner may clear set-id bits) and
    // before the first byte; the file stays open for writing whatever mode it is given.
    if (fchmod(temporary.descriptor(), exists ? existing.st_mode & 07777 : newFilePermissions()) !=
        0) {
        reason = std::strerror(errno);
        return false;
    }
    if (!temporary.write(text, reason)) return false;
    if (!temporary.moveTo(target, reason)) {
        // A sticky directory keeps other users' files from being replaced, though they may be
        // written.
        if (exists && refusedByDirectory(errno)) return writeInPlace(target, true, text, reason);
        return false;
    }
    return true;
}

}  // namespace kvr
