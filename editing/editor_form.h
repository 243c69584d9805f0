// Whether a file holds exactly what the editor would write: a file that does not is a
// hand-written one, whose comments, loops and computed values a save would flatten.
#pragma once

#include <string>

#include "timeline/timeline_registry.h"

namespace kvr {

// Whether the file at path holds, byte for byte, the text the writer makes of the registry. The
// text is made and compared a piece at a time, never held whole, and stops at the first
// difference. What is not a regular file, or cannot be opened, counts as in the form: a save
// could lose nothing of it that a copy could keep. A file that cannot be read to its end does
// not.
bool holdsEditorForm(const std::string& path, const TimelineRegistry& registry);

}  // namespace kvr
