// The steps every save and backup shares: a private temporary file beside the target, writing
// with SIGPIPE held back, syncing, and the rename that puts the file in place.
#pragma once

#include <sys/types.h>

#include <string>

#include "editing/text_sink.h"

namespace kvr {

// "." for a bare name, "/" for a name in the root.
std::string directoryOf(const std::string& path);

// A new file DIR/.tledit-XXXXXX, created exclusively and readable by its creator alone until it
// is given its final permissions. A name of its own rather than one made from the target's: that
// would pass the file system's limit for a target whose name is already near it.
class TemporaryFile {
public:
    TemporaryFile() = default;
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // False, with errno set and reason saying why, when the directory takes no new file.
    bool create(const std::string& directory, std::string& reason);
    int descriptor() const { return fd_; }
    // Hands the text to the file, syncs and closes it.
    bool write(const TextSource& text, std::string& reason);
    // Renames the written file to target (a link or file standing there is replaced, never
    // followed) and makes the rename durable. On failure errno tells why and the file is kept
    // until destruction.
    bool moveTo(const std::string& target, std::string& reason);

private:
    std::string directory_;
    std::string path_;
    int fd_ = -1;
    bool moved_ = false;
};

// Hands the text to fd, syncs it if asked and closes it whatever happens; on failure reason says
// why. A pipe whose reader has gone fails the write with "Broken pipe" instead of raising a
// signal that would end the program.
bool writeAndClose(int fd, bool sync, const TextSource& text, std::string& reason);

}  // namespace kvr
