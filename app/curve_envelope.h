// A long curve as its envelope in each pixel column: a few rectangles instead of many vertices.
#pragma once

#include <cstddef>

#include "app/pixel_mask.h"
#include "editing/view_mapping.h"
#include "timeline/point2.h"

namespace kvr {

// Adds to mask the pixels that the line strip through samples[0, count) (in ascending time)
// lights in each pixel column of the view's window, from the lowest to the highest value the
// strip takes inside the column, counting where it crosses the column's edges. Neighbouring
// columns share those crossings, so their spans meet and the curve stays one connected line.
// Returns false, the mask left part filled, when a sample has no finite window position.
bool markEnvelope(const Point2* samples, std::size_t count, const ViewMapping& view,
                  PixelMask& mask);

}  // namespace kvr
