// The pixels of long curves and many keys: column envelopes, key squares, the mask that holds them.
#include "app/long_curves.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kvr {

namespace {

const float kInf = std::numeric_limits<float>::infinity();
// Long tables are read once a frame, from memory rather than cache: fetching this many bytes
// ahead of use lets the loads stream instead of stalling on each.
const std::size_t kAhead = 6144;

void fetchAhead(const void* p) {
    __builtin_prefetch(static_cast<const char*>(p) + kAhead);
}

// Extremes over points of a strip inside one pixel column, in window pixels: of y, and of
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
Extent extentOf(const Point2* samples, std::size_t first, std::size_t end, const ViewMapping& view,
                float centre) {
    Extent result;
    std::size_t i = first;
#if defined(__SSE2__)
    // Four samples at a time, their window positions worked out as windowX and windowY do.
    const __m128 left = _mm_set1_ps(view.left()), bottom = _mm_set1_ps(view.bottom());
    const __m128 perTime = _mm_set1_ps(view.pixelsPerTime());
    const __m128 perValue = _mm_set1_ps(view.pixelsPerValue());
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    __m128 low = _mm_set1_ps(kInf), high = _mm_set1_ps(-kInf), peak = high, trough = low;
    __m128 bad = _mm_setzero_ps();  // stays zero while every position is finite
    for (; i + 4 <= end; i += 4) {
        fetchAhead(samples + i);
        const __m128 a = _mm_loadu_ps(&samples[i].x), b = _mm_loadu_ps(&samples[i + 2].x);
        const __m128 x =
            _mm_mul_ps(_mm_sub_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)), left), perTime);
        const __m128 y =
            _mm_mul_ps(_mm_sub_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)), bottom), perValue);
        const __m128 off = _mm_and_ps(_mm_sub_ps(x, _mm_set1_ps(centre)), magnitude);
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
#endif
    for (; i < end; ++i) {
        result.include(view.windowX(samples[i].x), view.windowY(samples[i].y), centre);
    }
    return result;
}

}  // namespace

void PixelMask::start(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    words_ = static_cast<std::size_t>(width_) / 64 + 1;
    bits_.assign(words_ * static_cast<std::size_t>(height_), 0);
}

// Calls f(word, bits) for the words that hold the rectangle's pixels, while it returns true.
template <class Self, class F>
bool PixelMask::forWords(Self& self, int left, int right, int bottom, int top, F f) {
    left = std::max(left, 0);
    right = std::min(right, self.width_ - 1);
    for (int row = std::max(bottom, 0); row <= std::min(top, self.height_ - 1); ++row) {
        auto* line = &self.bits_[static_cast<std::size_t>(row) * self.words_];
        for (int word = left / 64; left <= right && word <= right / 64; ++word) {
            const int a = std::max(left, word * 64) - word * 64;
            const int b = std::min(right, word * 64 + 63) - word * 64;
            if (!f(line[word], (~std::uint64_t{0} >> (63 - (b - a))) << a)) return false;
        }
    }
    return true;
}

void PixelMask::fill(int left, int right, int bottom, int top) {
    forWords(*this, left, right, bottom, top, [](std::uint64_t& word, std::uint64_t bits) {
        word |= bits;
        return true;
    });
}

bool PixelMask::holds(int left, int right, int bottom, int top) const {
    return forWords(
        *this, left, right, bottom, top,
        [](const std::uint64_t& word, std::uint64_t bits) { return (word & bits) == bits; });
}

void PixelMask::hideUnder(PixelMask& cover) {
    for (std::size_t i = 0; i < bits_.size() && i < cover.bits_.size(); ++i) {
        const std::uint64_t own = bits_[i];
        bits_[i] &= ~cover.bits_[i];
        cover.bits_[i] |= own;
    }
}

int PixelMask::next(const std::uint64_t* line, int from, bool set) const {
    std::size_t word = static_cast<std::size_t>(from) / 64;
    std::uint64_t bits = (set ? line[word] : ~line[word]) & (~std::uint64_t{0} << (from % 64));
    while (bits == 0) {
        if (++word == words_) return width_;
        bits = set ? line[word] : ~line[word];
    }
    return std::min(width_, static_cast<int>(word * 64) + __builtin_ctzll(bits));
}

void PixelMask::appendRects(std::vector<Point2>& rects) const {
    // The runs of the row below, each with where its rectangle starts in rects.
    struct Run {
        int left, right;
        std::size_t at;
    };
    std::vector<Run> below, row;
    for (int y = 0; y < height_; ++y) {
        const std::uint64_t* line = &bits_[static_cast<std::size_t>(y) * words_];
        const float bottom = static_cast<float>(y), top = bottom + 1;
        row.clear();
        auto under = below.begin();
        for (int left = next(line, 0, true); left < width_;) {
            const int right = next(line, left, false);
            while (under != below.end() && under->left < left) ++under;
            if (under != below.end() && under->left == left && under->right == right) {
                rects[under->at + 2].y = top;
                rects[under->at + 3].y = top;
                row.push_back(*under);
            } else {
                const float l = static_cast<float>(left), r = static_cast<float>(right);
                row.push_back({left, right, rects.size()});
                rects.insert(rects.end(), {{l, bottom}, {r, bottom}, {r, top}, {l, top}});
            }
            left = right < width_ ? next(line, right, true) : width_;
        }
        std::swap(below, row);
    }
}

bool markEnvelope(const Point2* samples, std::size_t count, const ViewMapping& view,
                  PixelMask& mask) {
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
        return static_cast<std::size_t>(
            std::partition_point(samples + low, samples + std::min(high, count), before) - samples);
    };
    const auto at = [&](std::size_t i) {
        return Point2{view.windowX(samples[i].x), view.windowY(samples[i].y)};
    };
    // The strip's height at window x, between two of its points in window pixels.
    const auto between = [](Point2 a, Point2 b, float x) {
        return static_cast<float>(a.y + (static_cast<double>(b.y) - a.y) *
                                            ((static_cast<double>(x) - a.x) / (b.x - a.x)));
    };
    // Positions far outside the window are brought near it, where they still lie outside.
    const float limit = static_cast<float>(view.height()) + 4;
    const auto near = [&](float y) { return std::min(std::max(y, -4.0f), limit); };

    std::size_t first = firstBeyond(0, 1, 0.0f), runLength = 1;
    for (int column = 0; column < view.width() && first < count; ++column) {
        const float left = static_cast<float>(column), right = left + 1, centre = left + 0.5f;
        const std::size_t end = firstBeyond(first, runLength, right);
        Extent extent = extentOf(samples, first, end, view, centre);
        // Where the strip enters and leaves the column, if it runs on beyond it, and where it
        // crosses the centre line.
        const bool enters = first > 0, leaves = end > 0 && end < count;
        const Point2 in{left, enters ? between(at(first - 1), at(first), left) : 0};
        const Point2 out{right, leaves ? between(at(end - 1), at(end), right) : 0};
        if (enters) extent.include(in.x, in.y, centre);
        if (leaves) extent.include(out.x, out.y, centre);
        const std::size_t middle = firstBeyond(first, (end - first) / 2 + 1, centre);
        if ((middle > first || enters) && (middle < end || leaves)) {
            const Point2 a = middle > first ? at(middle - 1) : in;
            extent.include(centre, between(a, middle < end ? at(middle) : out, centre), centre);
        }
        if (!extent.finite) return false;
        runLength = std::max<std::size_t>(end - first, 1);
        first = end;
        if (!(extent.low <= extent.high)) continue;
        // The rows from the lowest to the highest centre line crossed, and next to them those
        // whose diamonds the strip reaches into; a strip that only touches a diamond's corner
        // lights the row it runs in.
        const int lowest = static_cast<int>(std::ceil(near(extent.low) - 0.5f));
        const int highest = static_cast<int>(std::floor(near(extent.high) - 0.5f));
        int row0 = near(extent.trough) < static_cast<float>(lowest) ? lowest - 1 : lowest;
        int row1 = near(extent.peak) > static_cast<float>(highest + 1) ? highest + 1 : highest;
        if (row0 > row1) {
            row0 = row1 = static_cast<int>(std::floor(near((extent.low + extent.high) / 2)));
        }
        mask.fill(column, column, row0, row1);
    }
    return true;
}

void markKeySquares(const BezierKey* keys, std::size_t count, const ViewMapping& view, int size,
                    PixelMask& mask, std::vector<Point2>& points) {
    // Rasterisers round a point onto a grid of 1/256 pixel or finer, moving it by half a step at
    // most; a whole step leaves room for their float arithmetic, which far from the origin of a
    // narrow view loses more: a few units in the last place of the view edges' magnitude.
    const auto slack = [](float low, float high, int pixels) {
        const float magnitude = (std::fabs(low) + std::fabs(high)) / (high - low);
        return 1.0f / 256 + 8 * FLT_EPSILON * magnitude * static_cast<float>(pixels);
    };
    const float slackX = slack(view.left(), view.right(), view.width());
    const float slackY = slack(view.bottom(), view.top(), view.height());
    const float sureX = 0.5f - slackX, sureY = 0.5f - slackY;
    const float right = static_cast<float>(view.width()) + slackX;
    const float top = static_cast<float>(view.height()) + slackY;
    // A square of odd size is centred on the pixel its point falls in; one of even size on the
    // pixel corner nearest its point, which is where a point half a pixel further on falls.
    const int half = size / 2, extra = size % 2;
    const float shift = extra ? 0.0f : 0.5f;
    // A point near a pixel edge, and the pixels its square covers wherever it falls.
    struct Unsure {
        Point2 point;
        int left, right, bottom, top;
    };
    std::vector<Unsure> unsure;
    int lastColumn = -2, lastRow = -2;
    const auto one = [&](const Point2& point, float x, float y) {
        if (!(x >= -slackX && x < right && y >= -slackY && y < top)) return;
        x += shift;
        y += shift;
        // Both lie above -1, where truncating one up is flooring.
        const int column = static_cast<int>(x + 1) - 1, row = static_cast<int>(y + 1) - 1;
        const float offX = x - static_cast<float>(column) - 0.5f;
        const float offY = y - static_cast<float>(row) - 0.5f;
        const bool nearX = std::fabs(offX) > sureX, nearY = std::fabs(offY) > sureY;
        if (nearX || nearY) {
            unsure.push_back({point, column - half - (nearX && offX < 0),
                              column + half - 1 + extra + (nearX && offX > 0),
                              row - half - (nearY && offY < 0),
                              row + half - 1 + extra + (nearY && offY > 0)});
        } else if (column != lastColumn || row != lastRow) {
            lastColumn = column;
            lastRow = row;
            mask.fill(column - half, column + half - 1 + extra, row - half, row + half - 1 + extra);
        }
    };
    std::size_t i = 0;
#if defined(__SSE2__)
    // Four keys at a time, placed as windowX and windowY place them: when all four fall well
    // inside the pixel of the key before, as most keys of a long curve do, they add nothing.
    const __m128 left4 = _mm_set1_ps(view.left()), bottom4 = _mm_set1_ps(view.bottom());
    const __m128 perTime = _mm_set1_ps(view.pixelsPerTime());
    const __m128 perValue = _mm_set1_ps(view.pixelsPerValue());
    const __m128 one4 = _mm_set1_ps(1), half4 = _mm_set1_ps(0.5f), shift4 = _mm_set1_ps(shift);
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    for (; i + 4 <= count; i += 4) {
        fetchAhead(keys + i);
        const auto pair = [&](std::size_t k) {
            return _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(&keys[k].point)));
        };
        const __m128 a = _mm_movelh_ps(pair(i), pair(i + 1));
        const __m128 b = _mm_movelh_ps(pair(i + 2), pair(i + 3));
        const __m128 x =
            _mm_mul_ps(_mm_sub_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)), left4), perTime);
        const __m128 y = _mm_mul_ps(
            _mm_sub_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)), bottom4), perValue);
        // One more than the pixel above -1; anything else differs from the key before.
        const __m128 sx = _mm_add_ps(x, shift4), sy = _mm_add_ps(y, shift4);
        const __m128i columns = _mm_cvttps_epi32(_mm_add_ps(sx, one4));
        const __m128i rows = _mm_cvttps_epi32(_mm_add_ps(sy, one4));
        const __m128 offX = _mm_add_ps(_mm_sub_ps(sx, _mm_cvtepi32_ps(columns)), half4);
        const __m128 offY = _mm_add_ps(_mm_sub_ps(sy, _mm_cvtepi32_ps(rows)), half4);
        const __m128 sure =
            _mm_and_ps(_mm_cmple_ps(_mm_and_ps(offX, magnitude), _mm_set1_ps(sureX)),
                       _mm_cmple_ps(_mm_and_ps(offY, magnitude), _mm_set1_ps(sureY)));
        const __m128i same = _mm_and_si128(_mm_cmpeq_epi32(columns, _mm_set1_epi32(lastColumn + 1)),
                                           _mm_cmpeq_epi32(rows, _mm_set1_epi32(lastRow + 1)));
        if (_mm_movemask_ps(_mm_and_ps(_mm_castsi128_ps(same), sure)) == 0xf) continue;
        float xs[4], ys[4];
        _mm_storeu_ps(xs, x);
        _mm_storeu_ps(ys, y);
        for (int k = 0; k < 4; ++k) one(keys[i + k].point, xs[k], ys[k]);
    }
#endif
    for (; i < count; ++i) {
        one(keys[i].point, view.windowX(keys[i].point.x), view.windowY(keys[i].point.y));
    }
    for (const Unsure& u : unsure) {
        if (!mask.holds(u.left, u.right, u.bottom, u.top)) points.push_back(u.point);
    }
}

}  // namespace kvr
