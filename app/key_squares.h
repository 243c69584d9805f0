// KeySquares: many key points as the pixels their squares cover, each pixel drawn once.
#pragma once

#include <cstddef>
#include <vector>

#include "app/pixel_mask.h"
#include "editing/view_mapping.h"
#include "timeline/point2.h"

namespace kvr {

// The pixels of the window that the squares of key points cover. A square is `size` pixels wide
// (odd) and centred on the pixel its point falls in; a point whose centre lies outside the
// window shows nothing. A point too close to a pixel edge to tell on which side of it OpenGL
// puts it (its arithmetic and sub-pixel grid are its own) is handed back to be drawn as a
// point, unless the squares cover wherever it may fall.
class KeySquares {
public:
    // Starts with no square, for the view's window.
    void start(const ViewMapping& view, int size);
    // Covers the squares of the keys' points.
    void add(const BezierKey* keys, std::size_t count);
    // Appends the covered pixels to rects (see PixelMask::appendRects), and to points, in curve
    // units, the points left to OpenGL.
    void finish(std::vector<Point2>& rects, std::vector<Point2>& points) const;

private:
    // A point near a pixel edge and the pixels its square covers wherever it falls.
    struct Unsure {
        Point2 point;
        int left, right, bottom, top;
    };

    ViewMapping view_{0, 1, 0, 1, 0, 0};
    int half_ = 0;
    // How near a pixel edge a point may lie and still fall on its other side, on each axis.
    float slackX_ = 0, slackY_ = 0;
    PixelMask mask_;
    std::vector<Unsure> unsure_;
};

}  // namespace kvr
