// CurveView: draws the shown timeline's curves and key points, keeping what long ones cost to
// make between frames of an unchanged view.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/long_curves.h"
#include "editing/editing_core.h"
#include "editing/view_mapping.h"

namespace kvr {

class CurveView {
public:
    // Sets the curve projection for the core's view and draws the shown timeline's curves (x, y,
    // z in red, green and blue, the one channel of a one-channel timeline in yellow), their key
    // points in grey, then in white every selected key's point, the active key's handles and
    // the box of a box selection under way.
    void draw(const EditingCore& core);

private:
    // One channel's curve or key points: the samples or keys [first, end) that can show, drawn
    // vertex by vertex, or, where they outnumber the window's pixel columns, as the pixels they
    // light: rectangles and the points left to OpenGL.
    struct Layer {
        std::size_t first = 0, end = 0;
        bool inPixels = false;
        PixelMask pixels;
        std::vector<Point2> rects, points;
    };
    // What the layers were made from. Most frames show what the one before showed (the pointer
    // moved, a key was pressed), so while the channels' revisions and the view stay the same the
    // layers are drawn again rather than made anew.
    struct Source {
        const Channel* channels[3] = {nullptr, nullptr, nullptr};
        std::uint64_t revisions[3] = {0, 0, 0};
        ViewMapping view{0, 1, 0, 1, 0, 0};
        bool operator==(const Source& o) const;
    };

    void make(const ChannelSet& channels, const ViewMapping& view);
    // Draws a layer of the table's vertices (stride apart) in the mode, or its pixels.
    static void drawLayer(const Layer& layer, const void* table, GLsizei stride, GLenum mode,
                          const ViewMapping& view);

    // The selected keys' points in white over the layers, every frame: the selection changes
    // without the channels' revisions.
    void drawSelectedPoints(const KeySelection& selection, const ViewMapping& view);

    Source source_;
    Layer curves_[3], keys_[3];
    PixelMask cover_;
    std::vector<BezierKey> selected_;  // the selected keys within reach, gathered anew each frame
    Layer selectedLayer_;              // their squares, when there are more than columns
};

}  // namespace kvr
