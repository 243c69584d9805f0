// Drawing the curves and keys: every vertex where the window has room for them, else each pixel
// column's envelope and the pixels that the key squares cover.
#include "app/curve_view.h"

#include <algorithm>
#include <cstddef>
#include <tuple>
#include <utility>

#include "app/camera.h"
#include "app/curve_envelope.h"

namespace kvr {

namespace {

// The tables go to OpenGL as they lie in memory, two floats per vertex.
static_assert(sizeof(Point2) == 2 * sizeof(float), "Point2 must be two packed floats");
static_assert(sizeof(BezierKey) == 3 * sizeof(Point2), "BezierKey must be three packed points");

// The size of a key point's square, in pixels.
const int kKeyPointPixels = 7;
// Drawn points reach this many pixels beyond their centre (the selected key's size 10 plus a
// margin); OpenGL may show part of a point whose centre lies just outside the view.
const float kPointReachPixels = 8.0f;

void curveProjection(const ViewMapping& view) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(view.left(), view.right(), view.bottom(), view.top(), 1.0, 50000.0);
    glMatrixMode(GL_MODELVIEW);
}

// The indices [first, end) of the items whose time lies within left…right, in a table sorted by
// time.
template <class T, class Time>
std::pair<std::size_t, std::size_t> within(const std::vector<T>& items, float left, float right,
                                           Time time) {
    const auto inside = std::partition_point(items.begin(), items.end(),
                                             [&](const T& item) { return time(item) < left; });
    const auto beyond = std::partition_point(
        inside, items.end(), [&](const T& item) { return time(item) <= right; });
    return {static_cast<std::size_t>(inside - items.begin()),
            static_cast<std::size_t>(beyond - items.begin())};
}

void drawSelectedKey(const BezierKey& key) {
    const Point2 points[] = {key.point, key.inHandle, key.outHandle};
    glVertexPointer(2, GL_FLOAT, sizeof(Point2), points);
    glDrawArrays(GL_POINTS, 0, 3);
    const Point2 handles[] = {key.inHandle, key.point, key.outHandle};
    glVertexPointer(2, GL_FLOAT, sizeof(Point2), handles);
    glDrawArrays(GL_LINE_STRIP, 0, 3);
}

}  // namespace

void CurveView::draw(const ChannelSet& channels, const ViewMapping& view,
                     const std::vector<const BezierKey*>& highlighted) {
    curveProjection(view);
    Camera camera;
    camera.apply();
    if (channels.count == 0) return;

    for (int c = 0; c < channels.count; ++c) {
        const Channel& channel = *channels.channels[c];
        Made& made = made_[c];
        if (made.channel != &channel || made.revision != channel.revision() || made.view != view) {
            made.channel = &channel;
            made.revision = channel.revision();
            made.view = view;
            made.curveMade = made.keysMade = false;
        }
    }

    // The only client state the program uses, on for the curves and off again before the text,
    // which draws in immediate mode.
    glEnableClientState(GL_VERTEX_ARRAY);
    static const GLubyte kColours[][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    static const GLubyte kYellow[3] = {255, 255, 0};
    for (int c = 0; c < channels.count; ++c) {
        const GLubyte* colour = channels.count == 1 ? kYellow : kColours[c];
        glColor4ub(colour[0], colour[1], colour[2], 255);
        drawCurve(*channels.channels[c], view, made_[c]);
    }
    glPointSize(static_cast<float>(kKeyPointPixels));
    glColor4ub(128, 128, 128, 255);
    for (int c = 0; c < channels.count; ++c) drawKeyPoints(*channels.channels[c], view, made_[c]);
    if (!highlighted.empty()) {
        glPointSize(10.0f);
        glColor4ub(255, 255, 255, 255);
        for (const BezierKey* key : highlighted) drawSelectedKey(*key);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
}

// Samples are sorted by time, so only those inside the view plus the first one beyond each side
// can put a pixel in it.
void CurveView::drawCurve(const Channel& channel, const ViewMapping& view, Made& made) {
    const std::vector<Point2>& samples = channel.samples();
    if (samples.empty()) return;
    std::size_t first = 0, end = samples.size();
    if (view.left() <= view.right()) {
        std::tie(first, end) =
            within(samples, view.left(), view.right(), [](const Point2& p) { return p.x; });
        if (first > 0) --first;
        end = std::min(samples.size(), end + 1);
    }
    if (end - first > static_cast<std::size_t>(view.width()) && view.placesPoints()) {
        if (!made.curveMade) {
            curvePixels_.start(view.width(), view.height());
            made.curveReduced =
                markEnvelope(samples.data() + first, end - first, view, curvePixels_);
            made.curve.clear();
            if (made.curveReduced) curvePixels_.appendRects(made.curve);
            made.curveMade = true;
        }
        if (made.curveReduced) {
            drawRects(made.curve, view);
            return;
        }
    }
    glVertexPointer(2, GL_FLOAT, sizeof(Point2), samples.data());
    glDrawArrays(GL_LINE_STRIP, static_cast<GLint>(first), static_cast<GLsizei>(end - first));
}

// The key points, read straight out of the keys with the key size as stride. Keys out of time
// order (dragged past a neighbour) cannot be searched and are all taken.
void CurveView::drawKeyPoints(const Channel& channel, const ViewMapping& view, Made& made) {
    const std::vector<BezierKey>& keys = channel.keys();
    if (keys.empty()) return;
    std::size_t first = 0, end = keys.size();
    if (view.left() <= view.right() && channel.keysInOrder()) {
        const float reach =
            kPointReachPixels * (view.right() - view.left()) / static_cast<float>(view.width());
        std::tie(first, end) = within(keys, view.left() - reach, view.right() + reach,
                                      [](const BezierKey& k) { return k.point.x; });
        if (first == end) return;
    }
    if (end - first > static_cast<std::size_t>(view.width()) && view.placesPoints()) {
        if (!made.keysMade) {
            squares_.start(view, kKeyPointPixels);
            squares_.add(keys.data() + first, end - first);
            made.keys.clear();
            made.keyPoints.clear();
            squares_.finish(made.keys, made.keyPoints);
            made.keysMade = true;
        }
        drawRects(made.keys, view);
        if (made.keyPoints.empty()) return;
        glVertexPointer(2, GL_FLOAT, sizeof(Point2), made.keyPoints.data());
        glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(made.keyPoints.size()));
        return;
    }
    glVertexPointer(2, GL_FLOAT, sizeof(BezierKey), &keys.front().point);
    glDrawArrays(GL_POINTS, static_cast<GLint>(first), static_cast<GLsizei>(end - first));
}

void CurveView::drawRects(const std::vector<Point2>& rects, const ViewMapping& view) {
    if (rects.empty()) return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, view.width(), 0.0, view.height(), 1.0, 50000.0);
    glMatrixMode(GL_MODELVIEW);
    glVertexPointer(2, GL_FLOAT, sizeof(Point2), rects.data());
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(rects.size()));
    curveProjection(view);
}

}  // namespace kvr
