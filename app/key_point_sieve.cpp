// Sifting key points down to those whose squares make up the drawn picture.
#include "app/key_point_sieve.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kvr {

namespace {

// How many keys ahead of use the loop fetches memory.
const std::size_t kAhead = 512;
const int kNone = std::numeric_limits<int>::min() / 2;

}  // namespace

void KeyPointSieve::sift(const BezierKey* keys, std::size_t count, bool inTimeOrder, int size,
                         const WindowMapping& window, std::vector<Point2>& out) {
    // Pixels are counted from the corner of a margin around the window wide enough for any
    // square that still shows, so that truncation gives the pixel.
    const int half = size / 2;
    const int reach = half + 1;
    width_ = window.width() + 2 * reach;
    height_ = window.height() + 2 * reach;
    origin_ = half + 1;
    words_ = static_cast<std::size_t>(width_ + 2 * origin_) / 64 + 1;
    const float margin = static_cast<float>(reach);
    const float inLeft = margin - kEdge;
    const float inRight = margin + static_cast<float>(window.width()) + kEdge;
    const float inBottom = margin - kEdge;
    const float inTop = margin + static_cast<float>(window.height()) + kEdge;
    const std::size_t cells = static_cast<std::size_t>(width_) * height_;
    const std::size_t coverSize = words_ * static_cast<std::size_t>(height_ + 2 * origin_);
    if (fresh_ || covered_.size() != coverSize) covered_.assign(coverSize, 0);
    fresh_ = false;
    unsure_.clear();
    if (inTimeOrder) {
        rows_.assign(static_cast<std::size_t>(height_), RowStretch{kNone, kNone, Point2{}});
    }
    // A square already covered, by this channel's points or another's earlier in the frame,
    // adds nothing.
    const auto keep = [&](const Point2& p, int column, int row) {
        if (isCovered(column - half, column + half, row - half, row + half)) return;
        cover(column - half, column + half, row - half, row + half);
        out.push_back(p);
    };
    std::size_t lastCell = cells;
    float lastColumn = -1, lastRow = -1;
    // One key at its window position, shifted by the margin.
    const auto sift1 = [&](const Point2& p, float x, float y) {
        // A point whose centre lies outside the window is clipped away whole; one without a
        // position goes on as before.
        if (!(x >= inLeft && x <= inRight && y >= inBottom && y <= inTop)) {
            if (std::isnan(x) || std::isnan(y)) out.push_back(p);
            return;
        }
        const int column = static_cast<int>(x), row = static_cast<int>(y);
        const float alongX = x - static_cast<float>(column), alongY = y - static_cast<float>(row);
        if (alongX < kEdge || alongX > 1 - kEdge || alongY < kEdge || alongY > 1 - kEdge) {
            // It may land in this pixel or the neighbour across the near edge (or, at the
            // window's edge, be clipped): its square lies within the squares of both.
            const int left = alongX < kEdge ? column - 1 : column;
            const int bottom = alongY < kEdge ? row - 1 : row;
            const int right = alongX > 1 - kEdge ? column + 1 : column;
            const int top = alongY > 1 - kEdge ? row + 1 : row;
            unsure_.push_back({p, left - half, right + half, bottom - half, top + half});
            return;
        }
        const std::size_t cell = static_cast<std::size_t>(row) * width_ + column;
        if (cell == lastCell) return;
        lastCell = cell;
        lastColumn = static_cast<float>(column);
        lastRow = static_cast<float>(row);
        if (!inTimeOrder) {
            keep(p, column, row);
            return;
        }
        // Columns only grow along a row. A point within `size` of the last one kept leaves no
        // gap; the farthest such is kept once a later point would leave one without it.
        RowStretch& stretch = rows_[static_cast<std::size_t>(row)];
        for (;;) {
            if (column <= stretch.kept + size) {
                if (column > stretch.kept) {
                    stretch.candidate = column;
                    stretch.candidatePoint = p;
                }
                return;
            }
            if (stretch.candidate != kNone && column - stretch.candidate <= size) {
                keep(stretch.candidatePoint, stretch.candidate, row);
                stretch.kept = stretch.candidate;
                stretch.candidate = kNone;
                continue;
            }
            // A gap: the stretch before it ends with its last point, a new one starts here.
            if (stretch.candidate != kNone) keep(stretch.candidatePoint, stretch.candidate, row);
            keep(p, column, row);
            stretch.kept = column;
            stretch.candidate = kNone;
            return;
        }
    };
    std::size_t i = 0;
#if defined(__SSE2__)
    // Positions four at a time, as windowX and windowY compute them, then each key on its own.
    const __m128 scaleX = _mm_set1_ps(window.scaleX_), offsetX = _mm_set1_ps(window.offsetX_);
    const __m128 scaleY = _mm_set1_ps(window.scaleY_), offsetY = _mm_set1_ps(window.offsetY_);
    const __m128 halfWidth = _mm_set1_ps(window.halfWidth_);
    const __m128 halfHeight = _mm_set1_ps(window.halfHeight_);
    const __m128 shift = _mm_set1_ps(margin);
    const __m128 low = _mm_set1_ps(kEdge), high = _mm_set1_ps(1 - kEdge);
    for (; i + 4 <= count; i += 4) {
        _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<std::uintptr_t>(keys + i) +
                                                   kAhead * sizeof(BezierKey)),
                     _MM_HINT_T0);
        const auto pair = [&](std::size_t k) {
            return _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(&keys[k].point)));
        };
        const __m128 first = _mm_movelh_ps(pair(i), pair(i + 1));
        const __m128 second = _mm_movelh_ps(pair(i + 2), pair(i + 3));
        const __m128 xs = _mm_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 ys = _mm_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1));
        const __m128 x = _mm_add_ps(
            _mm_add_ps(_mm_mul_ps(_mm_add_ps(_mm_mul_ps(scaleX, xs), offsetX), halfWidth),
                       halfWidth),
            shift);
        const __m128 y = _mm_add_ps(
            _mm_add_ps(_mm_mul_ps(_mm_add_ps(_mm_mul_ps(scaleY, ys), offsetY), halfHeight),
                       halfHeight),
            shift);
        // Most keys of a dense curve fall in the pixel of the key before: when four in a row
        // do so well inside it, they change nothing.
        const __m128 columns = _mm_cvtepi32_ps(_mm_cvttps_epi32(x));
        const __m128 rows = _mm_cvtepi32_ps(_mm_cvttps_epi32(y));
        const __m128 alongX = _mm_sub_ps(x, columns), alongY = _mm_sub_ps(y, rows);
        const __m128 same = _mm_and_ps(
            _mm_and_ps(_mm_and_ps(_mm_cmpeq_ps(columns, _mm_set1_ps(lastColumn)),
                                  _mm_cmpeq_ps(rows, _mm_set1_ps(lastRow))),
                       _mm_and_ps(_mm_cmpge_ps(alongX, low), _mm_cmple_ps(alongX, high))),
            _mm_and_ps(_mm_cmpge_ps(alongY, low), _mm_cmple_ps(alongY, high)));
        if (_mm_movemask_ps(same) == 0xf) continue;
        float lanesX[4], lanesY[4];
        _mm_storeu_ps(lanesX, x);
        _mm_storeu_ps(lanesY, y);
        for (int k = 0; k < 4; ++k) sift1(keys[i + k].point, lanesX[k], lanesY[k]);
    }
#endif
    for (; i < count; ++i) {
        const Point2& p = keys[i].point;
        sift1(p, window.windowX(p.x) + margin, window.windowY(p.y) + margin);
    }
    if (inTimeOrder) {
        for (int row = 0; row < height_; ++row) {
            const RowStretch& stretch = rows_[static_cast<std::size_t>(row)];
            if (stretch.candidate != kNone) keep(stretch.candidatePoint, stretch.candidate, row);
        }
    }
    // A point near a pixel edge is left out when the squares kept already cover wherever its
    // own square may fall.
    for (const Unsure& u : unsure_) {
        if (!isCovered(u.left, u.right, u.bottom, u.top)) out.push_back(u.point);
    }
}

// The coverage bitmap starts origin_ pixels before the margin's corner on both axes, so that
// every square of a pixel inside the margin, or next to it, fits.
void KeyPointSieve::cover(int left, int right, int bottom, int top) {
    for (int row = bottom; row <= top; ++row) {
        std::uint64_t* line = &covered_[static_cast<std::size_t>(row + origin_) * words_];
        forWords(left, right, [&](std::size_t word, std::uint64_t mask) {
            line[word] |= mask;
            return true;
        });
    }
}

bool KeyPointSieve::isCovered(int left, int right, int bottom, int top) const {
    for (int row = bottom; row <= top; ++row) {
        const std::uint64_t* line = &covered_[static_cast<std::size_t>(row + origin_) * words_];
        const bool all = forWords(left, right, [&](std::size_t word, std::uint64_t mask) {
            return (line[word] & mask) == mask;
        });
        if (!all) return false;
    }
    return true;
}

// Calls f(word, mask) for each word of a row holding columns left to right, while it returns
// true.
template <class F>
bool KeyPointSieve::forWords(int left, int right, F f) const {
    const int first = left + origin_, last = right + origin_;
    for (int word = first / 64; word <= last / 64; ++word) {
        const int from = std::max(first, word * 64) - word * 64;
        const int to = std::min(last, word * 64 + 63) - word * 64;
        const std::uint64_t mask = (~std::uint64_t{0} >> (63 - (to - from))) << from;
        if (!f(static_cast<std::size_t>(word), mask)) return false;
    }
    return true;
}

}  // namespace kvr
