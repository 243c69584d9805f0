// Comparing the digest of a loaded file with that of the writer's text for what it loaded.
#include "editing/editor_form.h"

#include <sys/stat.h>

#include <string_view>

#include "editing/timeline_writer.h"
#include "script/text_digest.h"

namespace kvr {

bool holdsEditorForm(const std::string& path, const LoadReport& load,
                     const TimelineRegistry& registry) {
    if (!load.fileText) {
        struct stat st;
        return stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode);
    }
    TextDigest written;
    const bool complete = writeTimelines(registry, [&](std::string_view piece) {
        written.add(piece.data(), piece.size());
        return true;
    });
    return complete && written == *load.fileText;
}

}  // namespace kvr
