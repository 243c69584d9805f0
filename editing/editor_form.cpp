// Comparing a file with the writer's text for the timelines loaded from it, piece by piece.
#include "editing/editor_form.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "editing/timeline_writer.h"

namespace kvr {

namespace {

// The file's bytes, handed out in the order they stand; false at the end or on an error.
class FileBytes {
public:
    explicit FileBytes(int fd) : fd_(fd), buffer_(1 << 16) {}

    // The next bytes not yet taken, at least one; empty at the end or on an error.
    std::string_view next() {
        if (at_ == have_) {
            ssize_t n;
            do {
                n = read(fd_, buffer_.data(), buffer_.size());
            } while (n < 0 && errno == EINTR);
            if (n <= 0) return {};
            have_ = static_cast<std::size_t>(n);
            at_ = 0;
        }
        return {buffer_.data() + at_, have_ - at_};
    }
    void take(std::size_t count) { at_ += count; }

private:
    int fd_;
    std::vector<char> buffer_;
    std::size_t have_ = 0;
    std::size_t at_ = 0;
};

}  // namespace

bool holdsEditorForm(const std::string& path, const TimelineRegistry& registry) {
    // Not blocking: a pipe named as the file must not hold the editor up here.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return true;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return true;
    }
    FileBytes file(fd);
    bool same = true;
    const auto compare = [&](std::string_view piece) {
        while (!piece.empty()) {
            const std::string_view bytes = file.next();
            const std::size_t count = std::min(piece.size(), bytes.size());
            if (count == 0 || std::memcmp(piece.data(), bytes.data(), count) != 0) {
                same = false;
                return false;
            }
            file.take(count);
            piece.remove_prefix(count);
        }
        return true;
    };
    // Where the writer stops early, the file is known to differ; where it ends, the file must
    // end too.
    same = writeTimelines(registry, compare) && same && file.next().empty();
    close(fd);
    return same;
}

}  // namespace kvr
