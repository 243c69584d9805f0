// Replacing a file's contents atomically where it can be: temporary file, sync, rename.
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "editing/timeline_writer.h"

namespace kvr {

namespace {

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

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

bool writeAll(int fd, std::string_view text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Writing into a pipe whose reader has gone raises SIGPIPE, which would end the program with
// every unsaved edit; held back while writing, the write fails with EPIPE and the save says why.
// Blocking it in this thread instead of ignoring it keeps the program's own disposition, so
// this holds for any program that saves, and a signal raised by the writing is taken back.
class PipeSignalHold {
public:
    PipeSignalHold() {
        sigemptyset(&pipeSignal_);
        sigaddset(&pipeSignal_, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal_, &previous_);
        // One that was already waiting is not ours to take.
        sigset_t pending;
        wasPending_ = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
    }
    ~PipeSignalHold() {
        const int savedErrno = errno;
        sigset_t pending;
        if (!wasPending_ && sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1) {
            const timespec now{};
            while (sigtimedwait(&pipeSignal_, nullptr, &now) < 0 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
        errno = savedErrno;
    }
    PipeSignalHold(const PipeSignalHold&) = delete;
    PipeSignalHold& operator=(const PipeSignalHold&) = delete;

private:
    sigset_t pipeSignal_;
    sigset_t previous_;
    bool wasPending_ = false;
};

// Hands the text to fd, syncs it if asked and closes it; on failure reason says why.
bool writeAndClose(int fd, bool sync, const std::function<bool(const TextSink&)>& write,
                   std::string& reason) {
    const PipeSignalHold hold;
    const TextSink toFile = [fd](std::string_view piece) { return writeAll(fd, piece); };
    bool ok = write(toFile) && (!sync || fsync(fd) == 0);
    int savedErrno = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) reason = std::strerror(savedErrno);
    return ok;
}

// For what cannot be replaced by a rename: a device or pipe is written to, and a file with other
// hard links is rewritten so that every link sees the new text. Not atomic, as opening the file
// for writing never is.
bool writeInPlace(const std::string& target, bool regular,
                  const std::function<bool(const TextSink&)>& write, std::string& reason) {
    // Without O_NONBLOCK a pipe that nobody reads would hold the editor until somebody does.
    int fd = open(target.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return writeAndClose(fd, regular, write, reason);
}

// Gives the new file the old one's owner and group where allowed (always for root); a user who
// may not give the file away keeps at least its group if they belong to it. Returns whether the
// group at least was kept.
bool keepOwner(int fd, const struct stat& old) {
    if (old.st_uid == geteuid() && old.st_gid == getegid()) return true;
    return fchown(fd, old.st_uid, old.st_gid) == 0 ||
           fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0;
}

}  // namespace

bool replaceFileContents(const std::string& path, const std::string& text, std::string& reason) {
    return replaceFileContents(
        path, [&](const TextSink& sink) { return sink(text); }, reason);
}

bool replaceFileContents(const std::string& path, const std::function<bool(const TextSink&)>& write,
                         std::string& reason) {
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
            return writeInPlace(target, S_ISREG(existing.st_mode), write, reason);
        }
    }

    // A name of its own rather than one made from the file's: that would pass the file system's
    // limit for a file whose name is already near it.
    const std::string directory = directoryOf(target);
    std::string temporary = directory + "/.tledit-XXXXXX";

    int fd = mkstemp(&temporary[0]);
    if (fd < 0) {
        // A file the user may write in a directory they may not: only writing in place can save.
        if (exists && (errno == EACCES || errno == EPERM)) {
            return writeInPlace(target, true, write, reason);
        }
        reason = std::strerror(errno);
        return false;
    }
    // The temporary file stays open for writing whatever mode it is given.
    if (fchmod(fd, exists ? existing.st_mode & 07777 : newFilePermissions()) != 0) {
        reason = std::strerror(errno);
        close(fd);
        unlink(temporary.c_str());
        return false;
    }
    // A file that cannot keep its owner is still saved, as the user's own.
    if (exists) keepOwner(fd, existing);
    if (!writeAndClose(fd, true, write, reason)) {
        unlink(temporary.c_str());
        return false;
    }
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        reason = std::strerror(errno);
        unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable; failing here loses nothing already written.
    int dir = open(directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

}  // namespace kvr
