// Whether a loaded file held exactly what the editor would write: a file that did not is a
// hand-written one, whose comments, loops and computed values a save would flatten.
#pragma once

#include <string>

#include "script/load_report.h"
#include "timeline/timeline_registry.h"

namespace kvr {

// Whether the file at path, as the load reported it, held byte for byte the text the writer
// makes of the registry it filled. The text is made a piece at a time and only its digest is
// compared with the digest of the bytes loaded; neither text is held whole. A regular file whose
// bytes the load did not take as they stand (a "#" first line, a precompiled chunk) is not in
// the form; what is not a regular file, or is no longer there, counts as in it: a save could
// lose nothing of it that a copy could keep.
bool holdsEditorForm(const std::string& path, const LoadReport& load,
                     const TimelineRegistry& registry);

}  // namespace kvr
