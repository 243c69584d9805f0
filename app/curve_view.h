// CurveView: draws the shown timeline's curves and key points, keeping what long ones cost to
// make between frames of an unchanged view.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <vector>

#include "app/key_squares.h"
#include "app/pixel_mask.h"
#include "editing/editing_core.h"
#include "editing/view_mapping.h"

namespace kvr {

class CurveView {
public:
    // Sets the curve projection for the view and draws the channels' curves (x, y, z in red,
    // green and blue, the one channel of a one-channel timeline in yellow), their key points
    // in grey, and then each highlighted key with its handles in white.
    void draw(const ChannelSet& channels, const ViewMapping& view,
              const std::vector<const BezierKey*>& highlighted);

private:
    // What was made for one channel in a view. Most frames show what the one before showed (the
    // pointer moved, a key was pressed), so while the channel's revision and the view are the
    // same it is drawn again rather than made anew.
    struct Made {
        const Channel* channel = nullptr;
        std::uint64_t revision = 0;
        ViewMapping view{0, 1, 0, 1, 0, 0};
        bool curveMade = false, keysMade = false;
        // False when the curve could not be reduced to its envelope and is drawn in full.
        bool curveReduced = false;
        std::vector<Point2> curve, keys;  // rectangles in window pixels
        std::vector<Point2> keyPoints;     // key points left to OpenGL, in curve units
    };

    void drawCurve(const Channel& channel, const ViewMapping& view, Made& made);
    void drawKeyPoints(const Channel& channel, const ViewMapping& view, Made& made);
    // Draws rectangles given in window pixels, then returns to the curve projection.
    static void drawRects(const std::vector<Point2>& rects, const ViewMapping& view);

    Made made_[3];
    PixelMask curvePixels_;
    KeySquares squares_;
};

}  // namespace kvr
