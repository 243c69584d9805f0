// The margins and the row arithmetic that the parts of the polyline reducer share.
#pragma once

#include <limits>

namespace kvr::polyline {

// Every decision of the reducer keeps this many pixels away from its threshold, or leaves the
// vertices that decide it alone. OpenGL's window positions differ from ours by a few float ulps,
// and the rasteriser snaps them to 1/256 pixel, moving a vertex by up to 1/512 on each axis.
constexpr float kDoubt = 1.0f / 128;
// A vertex that turns within this of a pixel row's centre line may be snapped onto it, where the
// rasteriser's tie rules decide whether the row is lit; y alone moves by at most 1/512.
constexpr float kTie = 1.0f / 256;
// Our window positions and OpenGL's differ by less than this.
constexpr float kSlack = 1.0f / 1024;

// Whether the strip reaches into a row's diamond: surely not, surely, or too close to tell.
enum class Reach { no, yes, doubt };

constexpr int kNone = std::numeric_limits<int>::min();

// Floor and ceiling of window positions already checked to be finite and near the window,
// without the library call that they cost on processors without SSE4.1.
inline int floorOf(float v) {
    const int i = static_cast<int>(v);
    return v < static_cast<float>(i) ? i - 1 : i;
}
inline int ceilOf(float v) {
    const int i = static_cast<int>(v);
    return v > static_cast<float>(i) ? i + 1 : i;
}

// Whether y lies within margin of the centre line of some pixel row.
inline bool nearCentreLine(float y, float margin) {
    const float below = y - 0.5f - static_cast<float>(floorOf(y - 0.5f));
    return below < margin || below > 1 - margin;
}

inline Reach reachAbove(float value, float threshold) {
    if (value > threshold + kDoubt) return Reach::yes;
    if (value < threshold - kDoubt) return Reach::no;
    return Reach::doubt;
}

// The rows a run or a segment lights in a column, from its extremes there (see reduceColumn):
// from the lowest to the highest centre line it crosses clearly, then the rows above and below
// as far as it reaches into their diamonds. A turn within kTie of a centre line is in doubt.
struct LitRows {
    int lowest, highest;
    Reach up, down;
    int lit0() const { return down == Reach::yes ? lowest - 1 : lowest; }
    int lit1() const { return up == Reach::yes ? highest + 1 : highest; }
};

inline LitRows litRows(float low, float high, float peak, float trough) {
    const int lowest = ceilOf(low + kTie - 0.5f);
    const int highest = floorOf(high - kTie - 0.5f);
    return {lowest, highest, reachAbove(peak, static_cast<float>(highest + 1)),
            reachAbove(static_cast<float>(lowest), trough)};
}

}  // namespace kvr::polyline
