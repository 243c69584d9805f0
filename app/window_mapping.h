// Where curve coordinates land in the window, computed as OpenGL computes them.
#pragma once

#include <cstddef>
#include <vector>

#include "timeline/point2.h"

namespace kvr {

// Window positions closer than this to a pixel edge may be snapped by the rasteriser (to 1/256
// pixel, plus a few float ulps of our own) into the neighbouring pixel.
constexpr float kEdge = 1.0f / 256 + 1.0f / 2048;

// Extremes over a run of samples in window pixels: of y, and of y - |x - c| and y + |x - c| for
// a vertical line x = c; clear when every sample had a finite position not too far from the
// window.
struct RunExtent {
    float low, high, peak, trough;
    bool clear;
};

// The arithmetic OpenGL does with the editor's orthographic projection (its matrix in floats)
// and a viewport over the whole window.
class WindowMapping {
public:
    WindowMapping(float left, float right, float bottom, float top, int width, int height);

    // False for an empty, inverted or non-finite view or window; nothing is reduced then.
    bool usable() const { return usable_; }
    int width() const { return width_; }
    int height() const { return height_; }
    float windowX(float x) const { return (scaleX_ * x + offsetX_) * halfWidth_ + halfWidth_; }
    float windowY(float y) const { return (scaleY_ * y + offsetY_) * halfHeight_ + halfHeight_; }
    // The value whose window position lies the given fraction up the given pixel row, and the
    // time the given fraction across the given pixel column.
    float valueInRow(int row, double fraction) const;
    float valueInColumn(int column, double fraction) const;
    // The extent of samples[first, end) about the vertical line x = centre; four samples at a
    // time where the processor can. With ties given, also appends to it the index of every
    // sample whose window y may lie within `band` of a pixel row's centre line (and maybe a few
    // more).
    RunExtent measure(const Point2* samples, std::size_t first, std::size_t end, float centre,
                      std::vector<std::size_t>* ties = nullptr, float band = 0) const;

private:
    friend class KeyPointSieve;
    float scaleX_, offsetX_, scaleY_, offsetY_, halfWidth_, halfHeight_;
    int width_, height_;
    bool usable_;
};

}  // namespace kvr
