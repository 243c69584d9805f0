// Reducing line strips to what a frame shows, with margins against rounding.
#include "app/polyline_reducer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/polyline_margins.h"

namespace kvr {

namespace {

// Runs of a column shorter than this gain nothing from reducing.
const std::size_t kShortRun = 5;
// How far from the column's centre line the stroke over a run's rows runs: its ends, a quarter
// pixel inside their rows, then lie beside the rows' diamonds (|x - c| + 1/4 > 1/2), its crossings
// of their centre lines inside them.
const float kStrokeOff = 3.0f / 8;

}  // namespace

using namespace polyline;

void PolylineReducer::reduce(const Point2* samples, std::size_t count, const WindowMapping& window,
                             std::vector<Point2>& out) {
    samples_ = samples;
    count_ = count;
    window_ = &window;
    out_ = &out;
    if (count == 0) return;
    const int width = window.width();
    lastX_ = windowX(count - 1);
    columns_.assign(static_cast<std::size_t>(width), ColumnRecord{});
    // Columns take the samples well inside them; the seams between take the rest. Samples are
    // about evenly spaced in time, so each search starts where the last one's distance points.
    std::size_t first = find(0, 0, kEdge, false);
    std::size_t runLength = 0, seamLength = 0;
    emit(0, first);
    for (int column = 0; column < width; ++column) {
        ColumnRecord& record = columns_[static_cast<std::size_t>(column)];
        const float edge = static_cast<float>(column + 1);
        const std::size_t end = find(first, first + runLength, edge - kEdge, true);
        record.outBegin = out.size();
        reduceColumn(column, first, end, record);
        record.outEnd = out.size();
        if (column + 1 == width) {
            emit(end, count);
            break;
        }
        const std::size_t next = find(end, end + seamLength, edge + kEdge, false);
        const bool nextRun = next < count && windowX(next) <= edge + 1 - kEdge;
        record.joined = reduceSeam(column + 1, end, next, end > first && nextRun);
        if (end > first) runLength = end - first;
        seamLength = next - end;
        first = next;
    }
    lengthenChords();
}

// Exponential search from the guess, then binary search in the bracket it finds.
std::size_t PolylineReducer::find(std::size_t from, std::size_t guess, float x, bool orAt) const {
    const auto before = [&](std::size_t i) {
        const float at = windowX(i);
        return orAt ? at <= x : at < x;
    };
    std::size_t low = from, high = count_;
    guess = std::min(std::max(guess, from), count_);
    if (guess < count_ && before(guess)) {
        low = guess + 1;
        for (std::size_t step = 1; guess + step < count_; step *= 2) {
            if (!before(guess + step)) {
                high = guess + step;
                break;
            }
            low = guess + step + 1;
        }
    } else {
        high = guess;
        for (std::size_t step = 1; step <= guess - from; step *= 2) {
            if (before(guess - step)) {
                low = guess - step + 1;
                break;
            }
            high = guess - step;
        }
    }
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (before(middle)) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

void PolylineReducer::emit(std::size_t from, std::size_t to) {
    if (from < to) out_->insert(out_->end(), samples_ + from, samples_ + to);
}

// The samples [first, end) of one column, all at least kEdge inside it. With c the column's
// centre line x, the strip between them is a graph over time; it passes through the diamond
// |x - c| + |y - r| < 1/2 around a pixel centre (c, r) exactly when it crosses the row's centre
// line, or stays below it with some point where y - |x - c| exceeds r - 1/2, or above it with
// y + |x - c| under r + 1/2. Both expressions change linearly along a segment that does not
// cross the line x = c, so over the strip their extremes lie at the samples or at its crossing
// of x = c. Every diamond of the column that the run touches is left again, since a later sample
// lies in the next column, so the run lights exactly the rows it touches.
//
// The replacement: the first and last sample, joined through a stroke from the lowest to the
// highest row certainly lit. A segment between two points on one side of x = c stays below a
// diamond's lower corner region when both ends do, so the joins to the stroke touch no other
// row; a row in doubt keeps every sample near its threshold together with one clear neighbour on
// each side, and the joins end only on clear samples. The rasteriser follows the rule exactly
// except where it has to break a tie: a sample snapped onto a row's centre line.
void PolylineReducer::reduceColumn(int column, std::size_t first, std::size_t end,
                                   ColumnRecord& record) {
    // The diamonds are only ever left for a later sample beyond the column.
    const float edge = static_cast<float>(column + 1);
    if (end - first < kShortRun || !(lastX_ >= edge + kEdge)) {
        emit(first, end);
        return;
    }
    const float centre = static_cast<float>(column) + 0.5f;
    ties_.clear();
    const RunExtent extent = window_->measure(samples_, first, end, centre, &ties_, kTie);
    if (!extent.clear ||
        (crossesWindowEdge(extent.low, extent.high) &&
         clipsNearApex(first > 0 ? first - 1 : first, std::min(end + 1, count_), centre))) {
        emit(first, end);
        return;
    }
    const float low = extent.low, high = extent.high;
    float peak = extent.peak, trough = extent.trough;
    // The segment across x = c, when the run has samples on both sides of it.
    const float firstX = windowX(first), lastX = windowX(end - 1);
    const float along = lastX > firstX ? (centre - firstX) / (lastX - firstX) : 0.0f;
    const std::size_t right =
        find(first,
             first + static_cast<std::size_t>(std::min(std::max(along, 0.0f), 1.0f) *
                                              static_cast<float>(end - 1 - first)),
             centre, false);
    const bool spans = right > first && right < end;
    float crossY = 0;
    if (spans) {
        const float x0 = windowX(right - 1), x1 = windowX(right);
        const float y0 = windowY(right - 1), y1 = windowY(right);
        crossY = y0 + (y1 - y0) * ((centre - x0) / (x1 - x0));
        peak = std::max(peak, crossY);
        trough = std::min(trough, crossY);
    }

    LitRows rows = litRows(low, high, peak, trough);
    const int above = rows.highest + 1;
    const int below = rows.lowest - 1;
    const int height = window_->height();
    // A row whose only ways out of its diamond start on its centre line is left to the
    // rasteriser's tie rules (see exitsOnlyByTies): at the edge of the lit rows it is in doubt,
    // among them the run stays as it is.
    for (const std::size_t i : ties_) {
        const int row = exitsOnlyByTies(i, first, end, centre);
        if (row == kNone) continue;
        if (row == above) {
            rows.up = Reach::doubt;
        } else if (row == below) {
            rows.down = Reach::doubt;
        } else if (row > below && row < above) {
            emit(first, end);
            return;
        }
    }
    // A run whose every row is decided can join a longer chord (see lengthenChords).
    record.clean = rows.up != Reach::doubt && rows.down != Reach::doubt;
    record.first = first;
    record.last = end - 1;
    record.lit0 = rows.lit0();
    record.lit1 = rows.lit1();
    const int lit0 = record.lit0, lit1 = record.lit1;
    // Rows outside the window may come out either way.
    const bool upDoubt = rows.up == Reach::doubt && above >= 0 && above < height;
    const bool downDoubt = rows.down == Reach::doubt && below >= 0 && below < height;
    // Often the straight segment from the first sample to the last lights the same rows, with
    // no decision of its own in doubt; then it alone replaces the run.
    if (record.clean && chordLights(first, end - 1, column, lit0, lit1)) {
        emit(first, first + 1);
        emit(end - 1, end);
        return;
    }
    const bool stroke = lit0 <= lit1 && lit1 >= 0 && lit0 < height;

    kept_.clear();
    keep(first, first);
    if (upDoubt || downDoubt) {
        const float upLimit = static_cast<float>(above) - kDoubt;
        const float downLimit = static_cast<float>(rows.lowest) + kDoubt;
        const float upTie = static_cast<float>(above) + 0.5f - kTie;
        const float downTie = static_cast<float>(below) + 0.5f + kTie;
        for (std::size_t i = first; i < end; ++i) {
            const float y = windowY(i);
            const float off = std::fabs(windowX(i) - centre);
            if ((upDoubt && (y - off >= upLimit || y >= upTie)) ||
                (downDoubt && (y + off <= downLimit || y <= downTie))) {
                keep(i == first ? first : i - 1, std::min(i + 1, end - 1));
            }
        }
        if (spans && ((upDoubt && crossY >= upLimit) || (downDoubt && crossY <= downLimit))) {
            keep(right - 1, right);
        }
    }
    keep(end - 1, end - 1);
    mergeKept();

    // Where the stroke goes: between kept samples, never on a join across x = c. Between a
    // sample left of c and one right of it, it runs from 3/8 pixel left of c to 3/8 right;
    // elsewhere it stands 3/8 pixel from c on the side of the samples around it.
    const std::size_t none = std::numeric_limits<std::size_t>::max();
    std::size_t gap = none;  // the stroke follows kept_[gap]
    for (std::size_t k = 0; k + 1 < kept_.size() && spans; ++k) {
        if (kept_[k].second < right && kept_[k + 1].first >= right) {
            if (stroke) {
                gap = k;
            } else {
                keep(right - 1, right);
                mergeKept();
            }
            break;
        }
    }
    float from = 0, to = 0;
    if (gap != none) {
        from = -kStrokeOff;
        to = kStrokeOff;
    } else if (stroke && kept_.size() > 1) {
        gap = 0;
        from = to = windowX(kept_[0].second) < centre ? -kStrokeOff : kStrokeOff;
    } else if (stroke) {
        record.clean = false;
        emit(first, end);
        return;
    }
    for (std::size_t k = 0; k < kept_.size(); ++k) {
        emit(kept_[k].first, kept_[k].second + 1);
        if (k != gap) continue;
        // Its ends lie a quarter pixel inside the end rows, beside their diamonds: the stroke
        // passes through every diamond between and leaves it, whatever comes next, and no
        // centre line lies on its ends, where the rasteriser's tie rules would decide.
        const int row0 = std::max(lit0, -1), row1 = std::min(lit1, height);
        out_->push_back(
            {window_->valueInColumn(column, 0.5 + from), window_->valueInRow(row0, 0.25)});
        out_->push_back(
            {window_->valueInColumn(column, 0.5 + to), window_->valueInRow(row1, 0.75)});
    }
    // The new segments must not leave the window too near a diamond's apex either.
    if (crossesWindowEdge(low, high)) {
        const std::vector<Point2>& out = *out_;
        for (std::size_t k = record.outBegin; k + 1 < out.size(); ++k) {
            if (clipNearApex(window_->windowX(out[k].x), window_->windowY(out[k].y),
                             window_->windowX(out[k + 1].x), window_->windowY(out[k + 1].y),
                             centre)) {
                out_->resize(record.outBegin);
                record.clean = false;
                emit(first, end);
                return;
            }
        }
    }
}

// One segment from the first sample of a column to the last of a later one replaces all between
// when every column on the way was reduced with its rows decided, every seam between lit
// nothing, and the segment lights the same rows in each column. The output shrinks in place.
void PolylineReducer::lengthenChords() {
    std::vector<Point2>& out = *out_;
    const int width = window_->width();
    const std::size_t size = out.size();
    std::size_t write = columns_.front().outBegin;
    const auto carry = [&](std::size_t from, std::size_t to) {
        if (write != from) std::copy(out.begin() + from, out.begin() + to, out.begin() + write);
        write += to - from;
    };
    const auto holds = [&](int from, int to) {
        for (int column = from; column <= to; ++column) {
            const ColumnRecord& r = columns_[static_cast<std::size_t>(column)];
            if (!r.clean || (column < to && !r.joined)) return false;
        }
        const std::size_t a = columns_[static_cast<std::size_t>(from)].first;
        const std::size_t b = columns_[static_cast<std::size_t>(to)].last;
        const auto lights = [&](int column) {
            const ColumnRecord& r = columns_[static_cast<std::size_t>(column)];
            return chordLights(a, b, column, r.lit0, r.lit1);
        };
        // The end column first: its last sample is where a new chord most often fails.
        if (!lights(to)) return false;
        for (int column = from; column < to; ++column) {
            if (!lights(column)) return false;
        }
        return true;
    };
    for (int column = 0; column < width;) {
        // Doubling until a span fails, then halving the gap between the longest that held and
        // the shortest that failed.
        int last = column, failed = width;
        for (int span = 2; column + span <= width; span *= 2) {
            if (!holds(column, column + span - 1)) {
                failed = column + span - 1;
                break;
            }
            last = column + span - 1;
        }
        while (failed - last > 1) {
            const int middle = last + (failed - last) / 2;
            if (holds(column, middle)) {
                last = middle;
            } else {
                failed = middle;
            }
        }
        const ColumnRecord& from = columns_[static_cast<std::size_t>(column)];
        const ColumnRecord& to = columns_[static_cast<std::size_t>(last)];
        if (last > column) {
            out[write++] = samples_[from.first];
            out[write++] = samples_[to.last];
        } else {
            carry(from.outBegin, from.outEnd);
        }
        carry(to.outEnd,
              last + 1 < width ? columns_[static_cast<std::size_t>(last) + 1].outBegin : size);
        column = last + 1;
    }
    out.resize(write);
}

void PolylineReducer::mergeKept() {
    std::sort(kept_.begin(), kept_.end());
    std::size_t merged = 0;
    for (std::size_t k = 1; k < kept_.size(); ++k) {
        if (kept_[k].first <= kept_[merged].second + 1) {
            kept_[merged].second = std::max(kept_[merged].second, kept_[k].second);
        } else {
            kept_[++merged] = kept_[k];
        }
    }
    kept_.resize(merged + 1);
}

// The samples [first, end) within kEdge of the column edge at x = edge. There a diamond of
// either column reaches only within kEdge of its centre line, so a stretch of the strip that
// stays clear of every centre line lights nothing and its inner samples can go. With both
// neighbouring columns reduced, the same holds for the stretch from the last sample of one to
// the first of the next, at their distance from the edge.
bool PolylineReducer::reduceSeam(int edge, std::size_t first, std::size_t end, bool join) {
    const float x = static_cast<float>(edge);
    const auto clearOfCentres = [&](std::size_t from, std::size_t to, float margin) {
        const RunExtent extent = window_->measure(samples_, from, to, x);
        return extent.clear &&
               floorOf(extent.low - 0.5f - margin) == floorOf(extent.high - 0.5f + margin);
    };
    if (join) {
        const float reach = std::max(x - windowX(first - 1), windowX(end) - x);
        if (reach < 0.25f && clearOfCentres(first - 1, end + 1, reach + kTie)) return true;
    }
    if (end - first >= 3 && clearOfCentres(first, end, kEdge + kTie)) {
        emit(first, first + 1);
        emit(end - 1, end);
    } else {
        emit(first, end);
    }
    return false;
}

}  // namespace kvr
