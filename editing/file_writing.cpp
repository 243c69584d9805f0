// The steps every save and backup shares: a private temporary file beside the target, writing
// with SIGPIPE held back, syncing, and the rename that puts the file in place.
#include "editing/file_writing.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kvr {

namespace {

bool writeAll(int fd, std::string_view text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
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

}  // namespace

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool writeAndClose(int fd, bool sync, const TextSource& text, std::string& reason) {
    const PipeSignalHold hold;
    const TextSink toFile = [fd](std::string_view piece) { return writeAll(fd, piece); };
    bool ok = text(toFile) && (!sync || fsync(fd) == 0);
    int savedErrno = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) reason = std::strerror(savedErrno);
    return ok;
}

TemporaryFile::~TemporaryFile() {
    const int savedErrno = errno;
    if (fd_ >= 0) close(fd_);
    if (!path_.empty() && !moved_) unlink(path_.c_str());
    errno = savedErrno;
}

bool TemporaryFile::create(const std::string& directory, std::string& reason) {
    directory_ = directory;
    std::string path = directory + "/.tledit-XXXXXX";
    // mkstemp creates the file with O_EXCL and mode 0600: nothing that stands at the name is
    // opened, and nobody else can read it before its final permissions are set.
    fd_ = mkostemp(&path[0], O_CLOEXEC);
    if (fd_ < 0) {
        reason = std::strerror(errno);
        return false;
    }
    path_ = path;
    return true;
}

bool TemporaryFile::write(const TextSource& text, std::string& reason) {
    const int fd = fd_;
    fd_ = -1;
    return writeAndClose(fd, true, text, reason);
}

bool TemporaryFile::moveTo(const std::string& target, std::string& reason) {
    if (rename(path_.c_str(), target.c_str()) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    moved_ = true;
    // Make the rename itself durable; failing here loses nothing already written.
    const int dir = open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

}  // namespace kvr
