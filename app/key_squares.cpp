// Covering the window's pixels with key squares.
#include "app/key_squares.h"

#include <cfloat>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kvr {

namespace {

// Many keys are read once a frame, from memory rather than cache: fetching this many keys ahead
// of use lets the loads stream instead of stalling on each.
const std::size_t kAhead = 256;

}  // namespace

void KeySquares::start(const ViewMapping& view, int size) {
    view_ = view;
    half_ = size / 2;
    // Rasterisers put points on a grid of 1/256 pixel or finer. Positions far from the origin
    // of a narrow view lose more in OpenGL's own float arithmetic: a few units in the last place
    // of the edges' magnitude, in pixels.
    const auto slack = [](float low, float high, int pixels) {
        const float magnitude = (std::fabs(low) + std::fabs(high)) / (high - low);
        return 1.0f / 64 + 8 * FLT_EPSILON * magnitude * static_cast<float>(pixels);
    };
    slackX_ = slack(view.left(), view.right(), view.width());
    slackY_ = slack(view.bottom(), view.top(), view.height());
    mask_.start(view.width(), view.height());
    unsure_.clear();
}

void KeySquares::add(const BezierKey* keys, std::size_t count) {
    // OpenGL drops a point whose centre lies outside the window, square and all; so are points
    // without a finite position.
    const float left = -slackX_, right = static_cast<float>(view_.width()) + slackX_;
    const float bottom = -slackY_, top = static_cast<float>(view_.height()) + slackY_;
    const float sureX = 0.5f - slackX_, sureY = 0.5f - slackY_;
    int lastColumn = -2, lastRow = -2;
    const auto one = [&](const Point2& point, float x, float y) {
        if (!(x >= left && x < right && y >= bottom && y < top)) return;
        // Both lie above -1, where truncating one up is flooring.
        const int column = static_cast<int>(x + 1) - 1, row = static_cast<int>(y + 1) - 1;
        const float offX = x - static_cast<float>(column) - 0.5f;
        const float offY = y - static_cast<float>(row) - 0.5f;
        const bool nearX = std::fabs(offX) > sureX, nearY = std::fabs(offY) > sureY;
        if (nearX || nearY) {
            unsure_.push_back({point, column - half_ - (nearX && offX < 0),
                               column + half_ + (nearX && offX > 0),
                               row - half_ - (nearY && offY < 0), row + half_ + (nearY && offY > 0)});
            return;
        }
        // Dense keys often fall in the pixel of the key before.
        if (column == lastColumn && row == lastRow) return;
        lastColumn = column;
        lastRow = row;
        mask_.fill(column - half_, column + half_, row - half_, row + half_);
    };
    std::size_t i = 0;
#if defined(__SSE2__)
    // Four keys at a time, placed as windowX and windowY place them: when all four fall well
    // inside the pixel of the key before, as most keys of a long curve do, they change nothing.
    const __m128 originX = _mm_set1_ps(view_.left()), scaleX = _mm_set1_ps(view_.pixelsPerTime());
    const __m128 originY = _mm_set1_ps(view_.bottom());
    const __m128 scaleY = _mm_set1_ps(view_.pixelsPerValue());
    const __m128 one4 = _mm_set1_ps(1), half4 = _mm_set1_ps(0.5f);
    const __m128 sureX4 = _mm_set1_ps(sureX), sureY4 = _mm_set1_ps(sureY);
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    for (; i + 4 <= count; i += 4) {
        __builtin_prefetch(&keys[i] + kAhead);
        const auto pair = [&](std::size_t k) {
            return _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(&keys[k].point)));
        };
        const __m128 low = _mm_movelh_ps(pair(i), pair(i + 1));
        const __m128 high = _mm_movelh_ps(pair(i + 2), pair(i + 3));
        const __m128 x = _mm_mul_ps(
            _mm_sub_ps(_mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0)), originX), scaleX);
        const __m128 y = _mm_mul_ps(
            _mm_sub_ps(_mm_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1)), originY), scaleY);
        // One more than the pixel, for positions above -1; anything else differs from the last.
        const __m128i columns = _mm_cvttps_epi32(_mm_add_ps(x, one4));
        const __m128i rows = _mm_cvttps_epi32(_mm_add_ps(y, one4));
        const __m128 offX = _mm_sub_ps(_mm_sub_ps(x, _mm_cvtepi32_ps(columns)), _mm_sub_ps(half4, one4));
        const __m128 offY = _mm_sub_ps(_mm_sub_ps(y, _mm_cvtepi32_ps(rows)), _mm_sub_ps(half4, one4));
        const __m128i same = _mm_and_si128(_mm_cmpeq_epi32(columns, _mm_set1_epi32(lastColumn + 1)),
                                           _mm_cmpeq_epi32(rows, _mm_set1_epi32(lastRow + 1)));
        const __m128 sure = _mm_and_ps(_mm_cmple_ps(_mm_and_ps(offX, magnitude), sureX4),
                                       _mm_cmple_ps(_mm_and_ps(offY, magnitude), sureY4));
        if (_mm_movemask_ps(_mm_and_ps(_mm_castsi128_ps(same), sure)) == 0xf) continue;
        float xs[4], ys[4];
        _mm_storeu_ps(xs, x);
        _mm_storeu_ps(ys, y);
        for (int k = 0; k < 4; ++k) one(keys[i + k].point, xs[k], ys[k]);
    }
#endif
    for (; i < count; ++i) {
        __builtin_prefetch(&keys[i] + kAhead);
        one(keys[i].point, view_.windowX(keys[i].point.x), view_.windowY(keys[i].point.y));
    }
}

void KeySquares::finish(std::vector<Point2>& rects, std::vector<Point2>& points) const {
    mask_.appendRects(rects);
    for (const Unsure& u : unsure_) {
        if (!mask_.holds(u.left, u.right, u.bottom, u.top)) points.push_back(u.point);
    }
}

}  // namespace kvr
