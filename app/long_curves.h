// Long curves and many keys as the pixels they light, gathered in a mask drawn as rectangles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "editing/view_mapping.h"
#include "timeline/point2.h"

namespace kvr {

// One bit per pixel of a window, rows counted from the bottom as OpenGL counts them.
class PixelMask {
public:
    // Empties the mask and gives it the window's size.
    void start(int width, int height);
    // Adds, or tells whether the mask holds, the pixels [left, right] x [bottom, top]; what lies
    // outside the window is left out.
    void fill(int left, int right, int bottom, int top);
    bool holds(int left, int right, int bottom, int top) const;
    // Takes out the pixels that cover holds, then adds the mask's own pixels to cover: drawn
    // from the top layer down, each layer keeps only what the layers over it leave to be seen.
    void hideUnder(PixelMask& cover);
    // Appends the mask as rectangles, four window-pixel corners each (counter-clockwise from the
    // bottom left): the runs of each row, a run stacked onto the same run of the row below.
    // Rasterisers fill a few large rectangles far faster than the thin lines and small squares
    // they stand for.
    void appendRects(std::vector<Point2>& rects) const;

private:
    template <class Self, class F>
    static bool forWords(Self& self, int left, int right, int bottom, int top, F f);
    // The first column from `from` on whose bit is `set`; width_ when there is none.
    int next(const std::uint64_t* line, int from, bool set) const;

    int width_ = 0, height_ = 0;
    std::size_t words_ = 0;  // per row, with a spare one past the last column
    std::vector<std::uint64_t> bits_;
};

// Adds to mask the pixels that the line strip through samples[0, count) (in ascending time)
// lights in each pixel column of the view's window: the rows from the lowest to the highest
// point the strip reaches inside the column, counting where it crosses the column's edges.
// Neighbouring columns share those crossings, so their spans meet and the curve stays one
// connected line. False, the mask part filled, when a sample has no finite window position.
bool markEnvelope(const Point2* samples, std::size_t count, const ViewMapping& view,
                  PixelMask& mask);

// Adds to mask the squares, `size` pixels wide, of the keys' points, each centred where OpenGL
// centres a point of that size; a point whose centre lies outside the window shows nothing. A point
// too close to a pixel edge to tell on which side OpenGL puts it (its arithmetic and sub-pixel
// grid are its own) is appended to points instead, to be drawn as a point, unless the mask
// covers wherever it may fall.
void markKeySquares(const BezierKey* keys, std::size_t count, const ViewMapping& view, int size,
                    PixelMask& mask, std::vector<Point2>& points);

}  // namespace kvr
