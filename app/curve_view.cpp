// Drawing the curves and keys: every vertex where the window has room for them, else the pixels
// they light.
#include "app/curve_view.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "app/camera.h"

namespace kvr {

namespace {

// The tables go to OpenGL as they lie in memory, two floats per vertex.
static_assert(sizeof(Point2) == 2 * sizeof(float), "Point2 must be two packed floats");
static_assert(sizeof(BezierKey) == 3 * sizeof(Point2), "BezierKey must be three packed points");

// The size of a key point's square, in pixels.
const int kKeyPointPixels = 7;
// The size of a selected key's square.
const int kSelectedPointPixels = 10;
// Drawn points reach this many pixels beyond their centre (the selected key's size 10 plus a
// margin); OpenGL may show part of a point whose centre lies just outside the view.
const float kPointReachPixels = 8.0f;

// The time a drawn point reaches beyond its centre.
float pointReach(const ViewMapping& view) {
    return kPointReachPixels * (view.right() - view.left()) / static_cast<float>(view.width());
}

void projectCurves(const ViewMapping& view) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(view.left(), view.right(), view.bottom(), view.top(), 1.0, 50000.0);
    glMatrixMode(GL_MODELVIEW);
}

void projectPixels(const ViewMapping& view) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, view.width(), 0.0, view.height(), 1.0, 50000.0);
    glMatrixMode(GL_MODELVIEW);
}

// The items whose time lies within left…right, of a table sorted by time, as first and end.
template <class T, class Time>
void within(const std::vector<T>& items, float left, float right, Time time, std::size_t& first,
            std::size_t& end) {
    const auto inside = std::partition_point(items.begin(), items.end(),
                                             [&](const T& item) { return time(item) < left; });
    first = static_cast<std::size_t>(inside - items.begin());
    end = static_cast<std::size_t>(
        std::partition_point(inside, items.end(),
                             [&](const T& item) { return time(item) <= right; }) -
        items.begin());
}

// The outline of a box selection under way.
void drawBox(const CurveRect& box) {
    glColor4ub(255, 255, 255, 255);
    const Point2 corners[] = {
        {box.left, box.bottom}, {box.right, box.bottom}, {box.right, box.top}, {box.left, box.top}};
    glVertexPointer(2, GL_FLOAT, sizeof(Point2), corners);
    glDrawArrays(GL_LINE_LOOP, 0, 4);
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

bool CurveView::Source::operator==(const Source& o) const {
    return std::equal(channels, channels + 3, o.channels) &&
           std::equal(revisions, revisions + 3, o.revisions) && view == o.view;
}

void CurveView::draw(const EditingCore& core) {
    const ViewMapping view = core.view().mapping();
    projectCurves(view);
    Camera camera;
    camera.apply();
    const ChannelSet channels = core.currentChannels();
    if (channels.count == 0) return;
    Source source;
    for (int c = 0; c < channels.count; ++c) {
        source.channels[c] = channels.channels[c];
        source.revisions[c] = channels.channels[c]->revision();
    }
    source.view = view;
    if (!(source == source_)) {
        make(channels, view);
        source_ = source;
    }

    // The only client state the program uses, on for the curves and off again before the text,
    // which draws in immediate mode.
    glEnableClientState(GL_VERTEX_ARRAY);
    static const GLubyte kColours[][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    static const GLubyte kYellow[3] = {255, 255, 0};
    for (int c = 0; c < channels.count; ++c) {
        const GLubyte* colour = channels.count == 1 ? kYellow : kColours[c];
        glColor4ub(colour[0], colour[1], colour[2], 255);
        drawLayer(curves_[c], channels.channels[c]->samples().data(), sizeof(Point2), GL_LINE_STRIP,
                  view);
    }
    glPointSize(static_cast<float>(kKeyPointPixels));
    glColor4ub(128, 128, 128, 255);
    for (int c = 0; c < channels.count; ++c) {
        const std::vector<BezierKey>& keys = channels.channels[c]->keys();
        if (!keys.empty())
            drawLayer(keys_[c], &keys.front().point, sizeof(BezierKey), GL_POINTS, view);
    }
    if (const BezierKey* active = core.selectedKey()) {
        glPointSize(static_cast<float>(kSelectedPointPixels));
        glColor4ub(255, 255, 255, 255);
        if (core.selection().size() > 1) drawSelectedPoints(core.selection(), view);
        drawSelectedKey(*active);
    }
    if (const std::optional<CurveRect> box = core.selectionBox()) drawBox(*box);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void CurveView::make(const ChannelSet& channels, const ViewMapping& view) {
    const bool ordered = view.left() <= view.right();
    const std::size_t columns = static_cast<std::size_t>(std::max(view.width(), 0));
    for (int c = 0; c < channels.count; ++c) {
        // Samples are sorted by time, so only those inside the view plus the first one beyond
        // each side can put a pixel in it.
        const std::vector<Point2>& samples = channels.channels[c]->samples();
        Layer& curve = curves_[c];
        curve.first = 0;
        curve.end = samples.size();
        if (ordered && !samples.empty()) {
            within(
                samples, view.left(), view.right(), [](const Point2& p) { return p.x; },
                curve.first, curve.end);
            curve.first -= curve.first > 0;
            curve.end = std::min(samples.size(), curve.end + 1);
        }
        // Only a layer drawn as pixels needs its mask cleared: a drag makes the layers anew each
        // frame, most of them vertex by vertex.
        curve.inPixels = curve.end - curve.first > columns && view.placesPoints();
        if (curve.inPixels) {
            curve.pixels.start(view.width(), view.height());
            curve.inPixels = markEnvelope(samples.data() + curve.first, curve.end - curve.first,
                                          view, curve.pixels);
        }

        // Keys out of time order (dragged past a neighbour) cannot be searched and are all taken.
        const std::vector<BezierKey>& keys = channels.channels[c]->keys();
        Layer& points = keys_[c];
        points.first = 0;
        points.end = keys.size();
        if (ordered && channels.channels[c]->keysInOrder()) {
            const float reach = pointReach(view);
            within(
                keys, view.left() - reach, view.right() + reach,
                [](const BezierKey& k) { return k.point.x; }, points.first, points.end);
        }
        points.inPixels = points.end - points.first > columns && view.placesPoints();
        points.points.clear();
        if (points.inPixels) {
            points.pixels.start(view.width(), view.height());
            markKeySquares(keys.data() + points.first, points.end - points.first, view,
                           kKeyPointPixels, points.pixels, points.points);
        }
    }
    // From the last layer drawn down to the first, each keeps only the pixels that no layer
    // drawn after it covers: every pixel is filled once.
    cover_.start(view.width(), view.height());
    for (int layer = 2 * channels.count - 1; layer >= 0; --layer) {
        Layer& l = layer >= channels.count ? keys_[layer - channels.count] : curves_[layer];
        l.rects.clear();
        if (!l.inPixels) continue;
        l.pixels.hideUnder(cover_);
        l.pixels.appendRects(l.rects);
    }
}

void CurveView::drawSelectedPoints(const KeySelection& selection, const ViewMapping& view) {
    // Only keys within reach of the view can show; with no interval to search, all are taken.
    const float left = view.left() - pointReach(view), right = view.right() + pointReach(view);
    selected_.clear();
    for (const KeySelection::ChannelKeys& chosen : selection.channels()) {
        const std::vector<BezierKey>& keys = chosen.channel->keys();
        for (std::size_t i : chosen.indices) {
            if (i >= keys.size()) continue;
            const float t = keys[i].point.x;
            if (!(left <= right) || (t >= left && t <= right)) selected_.push_back(keys[i]);
        }
    }
    if (selected_.empty()) return;
    // A selection of every key of a long timeline is drawn as the pixels its squares cover, as
    // the grey points under it are.
    if (selected_.size() > static_cast<std::size_t>(std::max(view.width(), 0)) &&
        view.placesPoints()) {
        Layer& layer = selectedLayer_;
        layer.inPixels = true;
        layer.pixels.start(view.width(), view.height());
        layer.points.clear();
        layer.rects.clear();
        markKeySquares(selected_.data(), selected_.size(), view, kSelectedPointPixels, layer.pixels,
                       layer.points);
        layer.pixels.appendRects(layer.rects);
        drawLayer(layer, nullptr, 0, GL_POINTS, view);
        return;
    }
    glVertexPointer(2, GL_FLOAT, sizeof(BezierKey), &selected_.front().point);
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(selected_.size()));
}

void CurveView::drawLayer(const Layer& layer, const void* table, GLsizei stride, GLenum mode,
                          const ViewMapping& view) {
    if (!layer.inPixels) {
        glVertexPointer(2, GL_FLOAT, stride, table);
        glDrawArrays(mode, static_cast<GLint>(layer.first),
                     static_cast<GLsizei>(layer.end - layer.first));
        return;
    }
    if (!layer.rects.empty()) {
        projectPixels(view);
        glVertexPointer(2, GL_FLOAT, sizeof(Point2), layer.rects.data());
        glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(layer.rects.size()));
        projectCurves(view);
    }
    if (!layer.points.empty()) {
        glVertexPointer(2, GL_FLOAT, sizeof(Point2), layer.points.data());
        glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(layer.points.size()));
    }
}

}  // namespace kvr
