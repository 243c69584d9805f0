// Window positions of curve points, one at a time or a run of them at once.
#include "app/window_mapping.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kvr {

namespace {

// Beyond this many pixels from the window the float positions are too coarse for the margins
// that the reductions keep.
const float kFar = 1.0e6f;

#if defined(__SSE2__)
// Cold samples otherwise stall every load; fetching this many bytes ahead lets them stream.
const std::size_t kAhead = 8192;

// The address kAhead bytes on, for a prefetch, which may point past the end harmlessly.
const char* aheadOf(const void* p) {
    return reinterpret_cast<const char*>(reinterpret_cast<std::uintptr_t>(p) + kAhead);
}
#endif

}  // namespace

WindowMapping::WindowMapping(float left, float right, float bottom, float top, int width,
                             int height)
    : width_(width), height_(height) {
    // The projection matrix's entries as glOrtho makes them from its arguments in floats.
    scaleX_ = 2.0f / (right - left);
    offsetX_ = -(right + left) / (right - left);
    scaleY_ = 2.0f / (top - bottom);
    offsetY_ = -(top + bottom) / (top - bottom);
    halfWidth_ = static_cast<float>(width) / 2;
    halfHeight_ = static_cast<float>(height) / 2;
    usable_ = width > 0 && height > 0 && scaleX_ > 0 && scaleY_ > 0 && std::isfinite(scaleX_) &&
              std::isfinite(scaleY_) && std::isfinite(offsetX_) && std::isfinite(offsetY_);
}

float WindowMapping::valueInRow(int row, double fraction) const {
    const double ndc = (static_cast<double>(row) + fraction) / halfHeight_ - 1.0;
    return static_cast<float>((ndc - offsetY_) / scaleY_);
}

float WindowMapping::valueInColumn(int column, double fraction) const {
    const double ndc = (static_cast<double>(column) + fraction) / halfWidth_ - 1.0;
    return static_cast<float>((ndc - offsetX_) / scaleX_);
}

RunExtent WindowMapping::measure(const Point2* samples, std::size_t first, std::size_t end,
                                 float centre, std::vector<std::size_t>* ties, float band) const {
    // Whether y lies near a centre line; the caller looks again exactly.
    const auto nearCentre = [&](float y) {
        const float t = y - 0.5f;
        const float below = t - std::floor(t);
        return !(below >= band && below <= 1 - band);
    };
    const float inf = std::numeric_limits<float>::infinity();
    RunExtent result{inf, -inf, -inf, inf, true};
    std::size_t i = first;
#if defined(__SSE2__)
    if (end - first >= 8) {
        // Each axis folded into one multiply and add, a few ulps off windowX and windowY: far
        // below the margins.
        const __m128 scaleX = _mm_set1_ps(scaleX_ * halfWidth_);
        const __m128 shiftX = _mm_set1_ps(offsetX_ * halfWidth_ + halfWidth_ - centre);
        const __m128 scaleY = _mm_set1_ps(scaleY_ * halfHeight_);
        const __m128 shiftY = _mm_set1_ps(offsetY_ * halfHeight_ + halfHeight_);
        const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
        __m128 lowest = _mm_set1_ps(inf), highest = _mm_set1_ps(-inf);
        __m128 peak = highest, trough = lowest;
        // Stays zero while every position is finite.
        __m128 finite = _mm_setzero_ps();
        // The distance from the nearest centre line: y - 1/2 less itself rounded, by adding and
        // taking away 1.5 * 2^23. The rounding of the folded y is well inside the widened band.
        const __m128 half = _mm_set1_ps(0.5f), round = _mm_set1_ps(12582912.0f);
        const __m128 near = _mm_set1_ps(band + 1.0f / 1024);
        for (; i + 4 <= end; i += 4) {
            _mm_prefetch(aheadOf(samples + i), _MM_HINT_T0);
            const __m128 a = _mm_loadu_ps(&samples[i].x), b = _mm_loadu_ps(&samples[i + 2].x);
            const __m128 xs = _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
            const __m128 ys = _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
            const __m128 off = _mm_and_ps(_mm_add_ps(_mm_mul_ps(xs, scaleX), shiftX), magnitude);
            const __m128 y = _mm_add_ps(_mm_mul_ps(ys, scaleY), shiftY);
            lowest = _mm_min_ps(y, lowest);
            highest = _mm_max_ps(y, highest);
            const __m128 rise = _mm_sub_ps(y, off), sink = _mm_add_ps(y, off);
            peak = _mm_max_ps(rise, peak);
            trough = _mm_min_ps(sink, trough);
            finite = _mm_add_ps(finite, _mm_sub_ps(rise, rise));
            if (ties) {
                const __m128 t = _mm_sub_ps(y, half);
                const __m128 apart = _mm_sub_ps(t, _mm_sub_ps(_mm_add_ps(t, round), round));
                int hits = _mm_movemask_ps(_mm_cmplt_ps(_mm_and_ps(apart, magnitude), near));
                for (int k = 0; hits != 0; ++k, hits >>= 1) {
                    if (hits & 1) ties->push_back(i + static_cast<std::size_t>(k));
                }
            }
        }
        float lanes[4][4];
        _mm_storeu_ps(lanes[0], lowest);
        _mm_storeu_ps(lanes[1], highest);
        _mm_storeu_ps(lanes[2], peak);
        _mm_storeu_ps(lanes[3], trough);
        for (int k = 0; k < 4; ++k) {
            result.low = std::min(result.low, lanes[0][k]);
            result.high = std::max(result.high, lanes[1][k]);
            result.peak = std::max(result.peak, lanes[2][k]);
            result.trough = std::min(result.trough, lanes[3][k]);
        }
        result.clear = _mm_movemask_ps(_mm_cmpeq_ps(finite, finite)) == 0xf;
    }
#endif
    for (; i < end; ++i) {
        const float y = windowY(samples[i].y);
        const float off = std::fabs(windowX(samples[i].x) - centre);
        result.low = y < result.low ? y : result.low;
        result.high = y > result.high ? y : result.high;
        result.peak = y - off > result.peak ? y - off : result.peak;
        result.trough = y + off < result.trough ? y + off : result.trough;
        result.clear = result.clear && std::isfinite(y - off);
        if (ties && nearCentre(y)) ties->push_back(i);
    }
    result.clear = result.clear && result.low >= -kFar && result.high <= kFar;
    return result;
}

}  // namespace kvr
