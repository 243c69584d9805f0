// The text form of timeline files as the editor writes them, and the save that puts it on disk.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "timeline/point2.h"
#include "timeline/timeline_registry.h"

namespace kvr {

// "vector2.new(%.2f, %.2f), vector2.new(...), vector2.new(...)": in-handle, point, out-handle.
std::string formatKey(const BezierKey& key);

// Every three-channel timeline in name order as timeline3_begin ... timeline3_end blocks, then
// every one-channel timeline in name order as timeline1_begin ... timeline1_end blocks.
std::string formatTimelines(const TimelineRegistry& registry);

// Takes text a piece at a time; returns false to stop the writing.
using TextSink = std::function<bool(std::string_view piece)>;

// The text of formatTimelines handed to the sink in pieces of about a megabyte, so that a
// large file is never held in memory whole. False when the sink refused a piece.
bool writeTimelines(const TimelineRegistry& registry, const TextSink& sink);

// Replaces the file at path with text without ever leaving it half written: the text goes to a
// temporary file beside it, which is synced and renamed over it, keeping the file's permissions
// and owner. A symbolic link keeps pointing at the new text. A file the user may not write is
// refused. What a rename cannot replace is written in place: a device or pipe, a file with other
// hard links, a writable file in a directory the user may not write. A pipe whose reader has gone
// fails the replacement ("Broken pipe") without the signal ending the program. On failure reason
// says why; the old file is untouched unless it was being written in place.
bool replaceFileContents(const std::string& path, const std::string& text, std::string& reason);
// The same with the text made by write, which hands it to the sink it is given; a false from
// write fails the replacement like a failed write.
bool replaceFileContents(const std::string& path, const std::function<bool(const TextSink&)>& write,
                         std::string& reason);

}  // namespace kvr
