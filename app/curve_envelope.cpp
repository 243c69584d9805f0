// The envelope of a line strip in each pixel column of the window.
#include "app/curve_envelope.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kvr {

namespace {

const float kInf = std::numeric_limits<float>::infinity();
// How many samples ahead of use the scan fetches them.
const std::size_t kAhead = 1024;

// Extremes over points of the strip inside one pixel column, in window pixels: of y, and of
// y - |x - c| and y + |x - c| about the column's centre line x = c. A line lights the pixel of a
// row when it passes through the diamond |x - c| + |y - r| < 1/2 about the pixel's centre
// (c, r): it does when it crosses the row's centre line y = r inside the column, or, staying
// below it, reaches y - |x - c| > r - 1/2, or, staying above it, y + |x - c| < r + 1/2. Along a
// segment that keeps to one side of x = c both expressions change linearly, so their extremes
// lie at the samples, at the column's edges and where the strip crosses x = c.
struct Extent {
    float low = kInf, high = -kInf, peak = -kInf, trough = kInf;
    bool finite = true;

    void include(float x, float y, float centre) {
        const float off = std::fabs(x - centre);
        low = std::min(low, y);
        high = std::max(high, y);
        peak = std::max(peak, y - off);
        trough = std::min(trough, y + off);
        finite = finite && std::isfinite(x) && std::isfinite(y);
    }
};

// The extent of samples[first, end) about the centre line at window x = centre.
Extent extentOf(const Point2* samples, std::size_t first, std::size_t end,
                const ViewMapping& view, float centre) {
    Extent result;
    std::size_t i = first;
#if defined(__SSE2__)
    // Four samples at a time, their window positions worked out as windowX and windowY do.
    if (end - first >= 8) {
        const __m128 left = _mm_set1_ps(view.left()), bottom = _mm_set1_ps(view.bottom());
        const __m128 perTime = _mm_set1_ps(view.pixelsPerTime());
        const __m128 perValue = _mm_set1_ps(view.pixelsPerValue());
        const __m128 centres = _mm_set1_ps(centre);
        const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
        __m128 low = _mm_set1_ps(kInf), high = _mm_set1_ps(-kInf);
        __m128 peak = high, trough = low;
        __m128 bad = _mm_setzero_ps();  // stays zero while every position is finite
        for (; i + 4 <= end; i += 4) {
            // A long curve is read once a frame from memory, not cache: fetching ahead lets the
            // loads stream instead of stalling on each.
            __builtin_prefetch(&samples[i] + kAhead);
            const __m128 a = _mm_loadu_ps(&samples[i].x), b = _mm_loadu_ps(&samples[i + 2].x);
            const __m128 x = _mm_sub_ps(
                _mm_mul_ps(_mm_sub_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)), left),
                           perTime),
                centres);
            const __m128 y = _mm_mul_ps(
                _mm_sub_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)), bottom), perValue);
            const __m128 off = _mm_and_ps(x, magnitude);
            bad = _mm_add_ps(bad, _mm_add_ps(_mm_sub_ps(x, x), _mm_sub_ps(y, y)));
            low = _mm_min_ps(low, y);
            high = _mm_max_ps(high, y);
            peak = _mm_max_ps(peak, _mm_sub_ps(y, off));
            trough = _mm_min_ps(trough, _mm_add_ps(y, off));
        }
        float lanes[5][4];
        _mm_storeu_ps(lanes[0], low);
        _mm_storeu_ps(lanes[1], high);
        _mm_storeu_ps(lanes[2], peak);
        _mm_storeu_ps(lanes[3], trough);
        _mm_storeu_ps(lanes[4], bad);
        for (int k = 0; k < 4; ++k) {
            result.low = std::min(result.low, lanes[0][k]);
            result.high = std::max(result.high, lanes[1][k]);
            result.peak = std::max(result.peak, lanes[2][k]);
            result.trough = std::min(result.trough, lanes[3][k]);
            result.finite = result.finite && lanes[4][k] == 0;
        }
    }
#endif
    for (; i < end; ++i) {
        result.include(view.windowX(samples[i].x), view.windowY(samples[i].y), centre);
    }
    return result;
}

}  // namespace

bool markEnvelope(const Point2* samples, std::size_t count, const ViewMapping& view,
                  PixelMask& mask) {
    const int width = view.width(), height = view.height();
    // The first sample from `from` on at or beyond window x `edge`: columns hold about as many
    // samples as the one before, so the search gallops out from that distance.
    const auto firstBeyond = [&](std::size_t from, std::size_t guess, float edge) {
        const auto before = [&](const Point2& p) { return view.windowX(p.x) < edge; };
        std::size_t low = from, high = from + guess;
        while (high < count && before(samples[high])) {
            low = high + 1;
            guess *= 2;
            high = low + guess;
        }
        high = std::min(high, count);
        return static_cast<std::size_t>(
            std::partition_point(samples + low, samples + high, before) - samples);
    };
    const auto at = [&](std::size_t i) {
        return Point2{view.windowX(samples[i].x), view.windowY(samples[i].y)};
    };
    // The strip's height at window x between two of its points in window pixels.
    const auto between = [](Point2 a, Point2 b, float x) {
        return static_cast<float>(a.y + (static_cast<double>(b.y) - a.y) *
                                            ((static_cast<double>(x) - a.x) / (b.x - a.x)));
    };

    std::size_t first = firstBeyond(0, 1, 0.0f), runLength = 1;
    for (int column = 0; column < width && first < count; ++column) {
        const float left = static_cast<float>(column), right = left + 1, centre = left + 0.5f;
        const std::size_t end = firstBeyond(first, runLength, right);
        Extent extent = extentOf(samples, first, end, view, centre);
        // Where the strip enters and leaves the column, if it runs on beyond it, and where it
        // crosses the centre line.
        const bool entered = first > 0, leaves = end > 0 && end < count;
        const Point2 in{left, entered ? between(at(first - 1), at(first), left) : 0};
        const Point2 out{right, leaves ? between(at(end - 1), at(end), right) : 0};
        if (entered) extent.include(in.x, in.y, centre);
        if (leaves) extent.include(out.x, out.y, centre);
        const std::size_t middle = firstBeyond(first, std::max<std::size_t>(1, (end - first) / 2),
                                               centre);
        if ((middle > first || entered) && (middle < end || leaves)) {
            extent.include(centre,
                           between(middle > first ? at(middle - 1) : in,
                                   middle < end ? at(middle) : out, centre),
                           centre);
        }
        if (!extent.finite) return false;
        runLength = std::max<std::size_t>(end - first, 1);
        first = end;
        if (!(extent.low <= extent.high)) continue;

        // The rows from the lowest to the highest centre line crossed, and the rows next to
        // them whose diamonds the strip reaches into. Positions far outside the window are
        // brought near it, where they still lie outside.
        const float limit = static_cast<float>(height) + 4;
        const auto near = [&](float y) { return std::min(std::max(y, -4.0f), limit); };
        const int lowest = static_cast<int>(std::ceil(near(extent.low) - 0.5f));
        const int highest = static_cast<int>(std::floor(near(extent.high) - 0.5f));
        int row0 = near(extent.trough) < static_cast<float>(lowest) ? lowest - 1 : lowest;
        int row1 = near(extent.peak) > static_cast<float>(highest + 1) ? highest + 1 : highest;
        // A strip that only touches a diamond's corner lights the row it runs in.
        if (row0 > row1) {
            row0 = row1 = static_cast<int>(std::floor(near((extent.low + extent.high) / 2)));
        }
        mask.fill(column, column, row0, row1);
    }
    return true;
}

}  // namespace kvr
