// The text form of timeline files as the editor writes them, and the save that puts it on disk.
#pragma once

#include <string>

#include "timeline/point2.h"
#include "timeline/timeline_registry.h"

namespace kvr {

// "vector2.new(%.2f, %.2f), vector2.new(...), vector2.new(...)": in-handle, point, out-handle.
std::string formatKey(const BezierKey& key);

// Every three-channel timeline in name order as timeline3_begin ... timeline3_end blocks.
std::string formatTimelines(const TimelineRegistry& registry);

// Replaces the file at path with text without ever leaving it half written: the text goes to a
// temporary file beside it, which is synced and renamed over it. A symbolic link keeps pointing
// at the new text. On failure the old file is untouched and reason says why.
bool replaceFileContents(const std::string& path, const std::string& text, std::string& reason);

}  // namespace kvr
