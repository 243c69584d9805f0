// Many key points drawn as few: the same squares on screen from one point per covered stretch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/window_mapping.h"
#include "timeline/point2.h"

namespace kvr {

// A key point is drawn as a square of an odd number of pixels centred on the pixel its position
// falls in, so points in the same pixel cover the same pixels, and along one pixel row the
// squares of points up to that size apart leave no gap between them. A key whose position lies
// within rounding distance of a pixel edge is passed on unless the squares kept already cover
// wherever its own may fall.
class KeyPointSieve {
public:
    // Appends to out the points of keys[0, count) that the union of all their squares needs,
    // given the squares' size in pixels. With keys in time order, along each pixel row only the
    // ends of each unbroken stretch of squares and enough points between to close it remain;
    // either way no point whose square is already covered. Points whose centre lies outside the
    // window, which OpenGL clips away whole, are dropped.
    void sift(const BezierKey* keys, std::size_t count, bool inTimeOrder, int size,
              const WindowMapping& window, std::vector<Point2>& out);
    // Points of one frame may cover each other across calls of sift; a new frame starts afresh.
    void startFrame() { fresh_ = true; }

private:
    // Marks the pixels of the rectangle as covered by a kept square, or tells whether they are.
    void cover(int left, int right, int bottom, int top);
    bool isCovered(int left, int right, int bottom, int top) const;
    template <class F>
    bool forWords(int left, int right, F f) const;

    // A point near a pixel edge and the rectangle its square lies in wherever it falls.
    struct Unsure {
        Point2 point;
        int left, right, bottom, top;
    };
    // The last point kept on a pixel row and the farthest one since that the row may still need.
    struct RowStretch {
        int kept;
        int candidate;
        Point2 candidatePoint;
    };
    std::vector<RowStretch> rows_;
    std::vector<Unsure> unsure_;
    int width_ = 0, height_ = 0, origin_ = 0;
    std::size_t words_ = 0;
    std::vector<std::uint64_t> covered_;
    bool fresh_ = true;
};

}  // namespace kvr
