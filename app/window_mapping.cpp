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

RunExtent WindowMapping::measure(const Point2* samples, std::size_t first, std::size_t end,
                                 float centre) const {
    const WindowMapping& w = *this;
    const float inf = std::numeric_limits<float>::infinity();
    RunExtent result{inf, -inf, -inf, inf, true};
    std::size_t i = first;
#if defined(__SSE2__)
    if (end - first >= 8) {
        // Each axis folded into one multiply and add, a few ulps off windowX and windowY: far
        // below the margins.
        const __m128 scaleX = _mm_set1_ps(w.scaleX_ * w.halfWidth_);
        const __m128 shiftX = _mm_set1_ps(w.offsetX_ * w.halfWidth_ + w.halfWidth_ - centre);
        const __m128 scaleY = _mm_set1_ps(w.scaleY_ * w.halfHeight_);
        const __m128 shiftY = _mm_set1_ps(w.offsetY_ * w.halfHeight_ + w.halfHeight_);
        const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
        __m128 low = _mm_set1_ps(inf), high = _mm_set1_ps(-inf);
        __m128 peak = high, trough = low;
        // Stays zero while every position is finite.
        __m128 finite = _mm_setzero_ps();
        for (; i + 4 <= end; i += 4) {
            _mm_prefetch(aheadOf(samples + i), _MM_HINT_T0);
            const __m128 a = _mm_loadu_ps(&samples[i].x), b = _mm_loadu_ps(&samples[i + 2].x);
            const __m128 xs = _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
            const __m128 ys = _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
            const __m128 off = _mm_and_ps(_mm_add_ps(_mm_mul_ps(xs, scaleX), shiftX), magnitude);
            const __m128 y = _mm_add_ps(_mm_mul_ps(ys, scaleY), shiftY);
            low = _mm_min_ps(y, low);
            high = _mm_max_ps(y, high);
            const __m128 rise = _mm_sub_ps(y, off), sink = _mm_add_ps(y, off);
            peak = _mm_max_ps(rise, peak);
            trough = _mm_min_ps(sink, trough);
            finite = _mm_add_ps(finite, _mm_sub_ps(rise, rise));
        }
        float lanes[4][4];
        _mm_storeu_ps(lanes[0], low);
        _mm_storeu_ps(lanes[1], high);
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
        const float y = w.windowY(samples[i].y);
        const float off = std::fabs(w.windowX(samples[i].x) - centre);
        result.low = y < result.low ? y : result.low;
        result.high = y > result.high ? y : result.high;
        result.peak = y - off > result.peak ? y - off : result.peak;
        result.trough = y + off < result.trough ? y + off : result.trough;
        result.clear = result.clear && std::isfinite(y - off);
    }
    result.clear = result.clear && result.low >= -kFar && result.high <= kFar;
    return result;
}

bool WindowMapping::turnsSteeplyAt(const Point2* samples, std::size_t count, std::size_t first,
                                   std::size_t end, float from, float to, bool peak) const {
    const auto steep = [&](std::size_t a, std::size_t b) {
        const float dx = windowX(samples[b].x) - windowX(samples[a].x);
        const float dy = windowY(samples[b].y) - windowY(samples[a].y);
        // A little short of 45 degrees still counts, for the rounding of both.
        return !(std::fabs(dy) < 0.99f * std::fabs(dx));
    };
    // Whether the neighbour's y lies on the far side of the turn, or there is none.
    const auto back = [&](float y, std::size_t neighbour) {
        const float other = windowY(samples[neighbour].y);
        return peak ? !(other > y) : !(other < y);
    };
    // Segments of no length draw nothing, so a repeated sample is passed over to the next
    // different one; none is count.
    const auto before = [&](std::size_t i) {
        std::size_t j = i;
        while (j > 0 && samples[j - 1] == samples[i]) --j;
        return j > 0 ? j - 1 : count;
    };
    const auto after = [&](std::size_t i) {
        std::size_t j = i + 1;
        while (j < count && samples[j] == samples[i]) ++j;
        return j;
    };
    const auto check = [&](std::size_t i) {
        const float y = windowY(samples[i].y);
        if (!(y >= from && y <= to)) return false;
        const std::size_t p = before(i), n = after(i);
        if ((p < count && !back(y, p)) || (n < count && !back(y, n))) return false;
        return (p < count && steep(p, i)) || (n < count && steep(i, n));
    };
    std::size_t i = first;
#if defined(__SSE2__)
    // Few samples lie in so narrow a band: four at a time are passed over when none does.
    const __m128 scaleY = _mm_set1_ps(scaleY_ * halfHeight_);
    const __m128 shiftY = _mm_set1_ps(offsetY_ * halfHeight_ + halfHeight_);
    const __m128 low = _mm_set1_ps(from - 1.0f / 64), high = _mm_set1_ps(to + 1.0f / 64);
    for (; i + 4 <= end; i += 4) {
        const __m128 a = _mm_loadu_ps(&samples[i].x), b = _mm_loadu_ps(&samples[i + 2].x);
        const __m128 y =
            _mm_add_ps(_mm_mul_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)), scaleY), shiftY);
        const __m128 within = _mm_and_ps(_mm_cmpge_ps(y, low), _mm_cmple_ps(y, high));
        if (_mm_movemask_ps(within) == 0) continue;
        for (std::size_t k = i; k < i + 4; ++k) {
            if (check(k)) return true;
        }
    }
#endif
    for (; i < end; ++i) {
        if (check(i)) return true;
    }
    return false;
}

}  // namespace kvr
