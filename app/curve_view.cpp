// Drawing one frame: the current timeline's curves, its keys, the selected key, then the text.
#include <GL/gl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>
#include <vector>

#include "app/camera.h"
#include "app/key_point_sieve.h"
#include "app/polyline_reducer.h"
#include "app/timeline_editor.h"

namespace kvr {

namespace {

// The tables go to OpenGL as they lie in memory, two floats per vertex.
static_assert(sizeof(Point2) == 2 * sizeof(float), "Point2 must be two packed floats");
static_assert(sizeof(BezierKey) == 3 * sizeof(Point2), "BezierKey must be three packed points");

// Drawn key points reach this many pixels beyond their centre (the selected key's size 10 plus
// a margin); a point whose centre lies just outside the view can still show a few pixels.
const float kPointReachPixels = 8.0f;
// The size of a key point's square, in pixels; the sieve relies on it.
const int kKeyPointPixels = 7;

// The time span drawn: what the view shows, widened for key points by their reach.
struct TimeSpan {
    float left;
    float right;
    // Where the view lands in the window, for spans with more vertices than pixel columns.
    const WindowMapping& window;
    // False when the view is not a proper interval; then everything is drawn.
    bool valid() const { return left <= right; }
};

PolylineReducer polylineReducer;
KeyPointSieve keyPointSieve;

// What the reductions made of each channel in the last frame. Most frames show what the one
// before showed (the pointer moved, a key was pressed), so while the channels, the view and the
// window are the same the reduced vertices are drawn again instead of made anew.
struct ReducedFrame {
    struct Key {
        std::uint64_t revisions[3] = {0, 0, 0};
        const Channel* channels[3] = {nullptr, nullptr, nullptr};
        float view[4] = {0, 0, 0, 0};
        int width = 0;
        int height = 0;
        bool operator==(const Key& o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
    };
    Key key;
    std::vector<Point2> strips[3];
    std::vector<Point2> points[3];
};
ReducedFrame reducedFrame;

// A line strip through the samples. Samples are sorted by time, so only those inside the span
// plus the first one beyond each side can put a pixel in the view; the others lie wholly
// outside it and would be clipped away. More of them than pixel columns are reduced to the few
// per column that light the same pixels.
// reduced holds the reduction of these samples when fresh is false; else it is made there.
void drawPolyline(const std::vector<Point2>& samples, TimeSpan span, std::vector<Point2>& reduced,
                  bool fresh) {
    if (samples.empty()) return;
    std::size_t first = 0;
    std::size_t end = samples.size();
    if (span.valid()) {
        const auto inside = std::partition_point(samples.begin(), samples.end(),
                                                 [&](const Point2& p) { return p.x < span.left; });
        const auto beyond = std::partition_point(
            inside, samples.end(), [&](const Point2& p) { return p.x <= span.right; });
        first = static_cast<std::size_t>(inside - samples.begin());
        if (first > 0) --first;
        end = std::min(samples.size(), static_cast<std::size_t>(beyond - samples.begin()) + 1);
        if (end - first > static_cast<std::size_t>(span.window.width()) && span.window.usable()) {
            if (fresh) {
                reduced.clear();
                polylineReducer.reduce(samples.data() + first, end - first, span.window, reduced);
            }
            glVertexPointer(2, GL_FLOAT, sizeof(Point2), reduced.data());
            glDrawArrays(GL_LINE_STRIP, 0, static_cast<GLsizei>(reduced.size()));
            return;
        }
    }
    glVertexPointer(2, GL_FLOAT, sizeof(Point2), samples.data());
    glDrawArrays(GL_LINE_STRIP, static_cast<GLint>(first), static_cast<GLsizei>(end - first));
}

// The key points, read straight out of the keys with the key size as stride. Keys out of time
// order (dragged past a neighbour) cannot be searched and are all drawn. More of them than pixel
// columns are sifted down to those whose squares the picture needs.
void drawKeyPoints(const Channel& channel, TimeSpan span, std::vector<Point2>& reduced,
                   bool fresh) {
    const std::vector<BezierKey>& keys = channel.keys();
    if (keys.empty()) return;
    std::size_t first = 0;
    std::size_t end = keys.size();
    if (span.valid() && channel.keysInOrder()) {
        const auto inside = std::partition_point(
            keys.begin(), keys.end(), [&](const BezierKey& k) { return k.point.x < span.left; });
        const auto beyond = std::partition_point(
            inside, keys.end(), [&](const BezierKey& k) { return k.point.x <= span.right; });
        first = static_cast<std::size_t>(inside - keys.begin());
        end = static_cast<std::size_t>(beyond - keys.begin());
        if (first == end) return;
    }
    if (end - first > static_cast<std::size_t>(span.window.width()) && span.window.usable()) {
        if (fresh) {
            reduced.clear();
            keyPointSieve.sift(keys.data() + first, end - first, channel.keysInOrder(),
                               kKeyPointPixels, span.window, reduced);
        }
        if (reduced.empty()) return;
        glVertexPointer(2, GL_FLOAT, sizeof(Point2), reduced.data());
        glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(reduced.size()));
        return;
    }
    glVertexPointer(2, GL_FLOAT, sizeof(BezierKey), &keys.front().point);
    glDrawArrays(GL_POINTS, static_cast<GLint>(first), static_cast<GLsizei>(end - first));
}

// The points of every selected key, in the view's time span, in the colour and size of the
// active key; only the active key's handles are drawn.
void drawSelectedPoints(const KeySelection& selection, TimeSpan span) {
    std::vector<Point2> points;
    for (const KeySelection::ChannelKeys& selected : selection.channels()) {
        const std::vector<BezierKey>& keys = selected.channel->keys();
        for (std::size_t i : selected.indices) {
            if (i >= keys.size()) continue;
            const Point2 p = keys[i].point;
            if (!span.valid() || (p.x >= span.left && p.x <= span.right)) points.push_back(p);
        }
    }
    if (points.empty()) return;
    glVertexPointer(2, GL_FLOAT, sizeof(Point2), points.data());
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(points.size()));
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

void TimelineEditor::draw() {
    const EditView& v = core.view();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(v.left(), v.right(), v.bottom(), v.top(), 1.0, 50000.0);
    glMatrixMode(GL_MODELVIEW);
    Camera camera;
    camera.apply();

    const ChannelSet channels = core.currentChannels();
    if (channels.count > 0) {
        const WindowMapping window(v.left(), v.right(), v.bottom(), v.top(), v.windowWidth(),
                                   v.windowHeight());
        const TimeSpan view{v.left(), v.right(), window};
        const float reach =
            kPointReachPixels * (v.right() - v.left()) / static_cast<float>(v.windowWidth());
        const TimeSpan keySpan{v.left() - reach, v.right() + reach, window};

        ReducedFrame::Key key;
        for (int c = 0; c < channels.count; ++c) {
            key.channels[c] = channels.channels[c];
            key.revisions[c] = channels.channels[c]->revision();
        }
        const float edges[] = {v.left(), v.right(), v.bottom(), v.top()};
        std::copy(std::begin(edges), std::end(edges), key.view);
        key.width = v.windowWidth();
        key.height = v.windowHeight();
        const bool fresh = !(key == reducedFrame.key);
        reducedFrame.key = key;

        // The only client state the program uses, on for the curves and off again before the
        // text, which draws in immediate mode.
        glEnableClientState(GL_VERTEX_ARRAY);
        // x, y and z in red, green and blue; the one curve of a one-channel timeline in yellow.
        static const GLubyte kColours[][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
        static const GLubyte kYellow[3] = {255, 255, 0};
        for (int c = 0; c < channels.count; ++c) {
            const GLubyte* colour = channels.count == 1 ? kYellow : kColours[c];
            glColor4ub(colour[0], colour[1], colour[2], 255);
            drawPolyline(channels.channels[c]->samples(), view, reducedFrame.strips[c], fresh);
        }

        glPointSize(static_cast<float>(kKeyPointPixels));
        glColor4ub(128, 128, 128, 255);
        // All grey and of one size, the channels' key points may stand in for one another.
        if (fresh) keyPointSieve.startFrame();
        for (int c = 0; c < channels.count; ++c) {
            drawKeyPoints(*channels.channels[c], keySpan, reducedFrame.points[c], fresh);
        }

        if (const BezierKey* selected = core.selectedKey()) {
            glPointSize(10.0f);
            glColor4ub(255, 255, 255, 255);
            if (core.selection().size() > 1) drawSelectedPoints(core.selection(), keySpan);
            drawSelectedKey(*selected);
        }
        if (const std::optional<CurveRect> box = core.selectionBox()) drawBox(*box);
        glDisableClientState(GL_VERTEX_ARRAY);
    }

    drawHelp();
    drawStatus();
    drawEntryPanel();
    SDL_GL_SwapBuffers();
}

}  // namespace kvr
