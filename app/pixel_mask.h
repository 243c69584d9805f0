// PixelMask: a set of the window's pixels, drawn as few rectangles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "timeline/point2.h"

namespace kvr {

// One bit per pixel of a window, rows counted from the bottom as OpenGL counts them. Filled
// with rectangles, it is drawn as rectangles again: the runs of each row, a run stacked onto
// the same run of the rows below it. Rasterisers fill large rectangles far faster than the many
// thin lines or small squares they stand for.
class PixelMask {
public:
    // Empties the mask and gives it the window's size.
    void start(int width, int height);
    // Adds, or tells whether the mask holds, the pixels [left, right] x [bottom, top]; the parts
    // outside the window are left out.
    void fill(int left, int right, int bottom, int top);
    bool holds(int left, int right, int bottom, int top) const;
    // Appends the rectangles, four window-pixel corners each (bottom-left, bottom-right,
    // top-right, top-left), that make up the mask.
    void appendRects(std::vector<Point2>& rects) const;

private:
    // Calls f(word, mask) for the words that hold the rectangle's pixels, while it returns true.
    template <class Self, class F>
    static bool forWords(Self& self, int left, int right, int bottom, int top, F f);
    // The first column from `from` on whose bit is `set`; width_ when there is none.
    int next(const std::uint64_t* line, int from, bool set) const;

    int width_ = 0, height_ = 0;
    std::size_t words_ = 0;  // per row, with a spare one past the last column
    std::vector<std::uint64_t> bits_;
    // The rectangles of the row below, as their run and their place in the output; reused.
    struct Open {
        int left, right;
        std::size_t at;
    };
    mutable std::vector<Open> below_, row_;
};

}  // namespace kvr
