// The text form of timeline files as the editor writes them.
#pragma once

#include <string>

#include "editing/text_sink.h"
#include "timeline/point2.h"
#include "timeline/timeline_registry.h"

namespace kvr {

// "vector2.new(X, Y), vector2.new(...), vector2.new(...)": in-handle, point, out-handle. Each
// number is what "%.2f" prints where that reads back to the same float, else the shortest
// decimal that does; infinities and NaN are 1/0, -1/0 and 0/0, and a minus zero is 0.00.
std::string formatKey(const BezierKey& key);

// Every three-channel timeline in name order as timeline3_begin ... timeline3_end blocks, then
// every one-channel timeline in name order as timeline1_begin ... timeline1_end blocks.
std::string formatTimelines(const TimelineRegistry& registry);

// The text of formatTimelines handed to the sink in pieces of about a megabyte, so that a
// large file is never held in memory whole. False when the sink refused a piece.
bool writeTimelines(const TimelineRegistry& registry, const TextSink& sink);

}  // namespace kvr
