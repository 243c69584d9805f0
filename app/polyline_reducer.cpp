// Reducing line strips to what a frame shows, with margins against rounding.
#include "app/polyline_reducer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kvr {

namespace {

// Every decision below keeps this many pixels away from its threshold, or leaves the vertices
// that decide it alone. OpenGL's window positions differ from ours by a few float ulps, and the
// rasteriser snaps them to 1/256 pixel, moving a vertex by up to 1/512 on each axis.
const float kDoubt = 1.0f / 128;
// A vertex that turns within this of a pixel row's centre line may be snapped onto it, where the
// rasteriser's tie rules decide whether the row is lit; y alone moves by at most 1/512.
const float kTie = 1.0f / 256;
// Our window positions and OpenGL's differ by less than this.
const float kSlack = 1.0f / 1024;
// A vertex this close to a column's edge could be drawn into either column; its segments are
// kept unless they stay clear of every pixel.
const float kEdge = 1.0f / 256 + 1.0f / 2048;
// Runs of a column shorter than this gain nothing from reducing.
const std::size_t kShortRun = 5;
// How far from the column's centre line the stroke over a run's rows runs: its ends, a quarter
// pixel inside their rows, then lie beside the rows' diamonds (|x - c| + 1/4 > 1/2), its crossings
// of their centre lines inside them.
const float kStrokeOff = 3.0f / 8;

enum class Reach { no, yes, doubt };

const int kNone = std::numeric_limits<int>::min();

// Floor and ceiling of window positions already checked to be finite and near the window,
// without the library call that they cost on processors without SSE4.1.
int floorOf(float v) {
    const int i = static_cast<int>(v);
    return v < static_cast<float>(i) ? i - 1 : i;
}
int ceilOf(float v) {
    const int i = static_cast<int>(v);
    return v > static_cast<float>(i) ? i + 1 : i;
}

// Whether y lies within margin of the centre line of some pixel row.
bool nearCentreLine(float y, float margin) {
    const float below = y - 0.5f - static_cast<float>(floorOf(y - 0.5f));
    return below < margin || below > 1 - margin;
}

Reach reachAbove(float value, float threshold) {
    if (value > threshold + kDoubt) return Reach::yes;
    if (value < threshold - kDoubt) return Reach::no;
    return Reach::doubt;
}

}  // namespace

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

    // Rows from the lowest to the highest centre line the run crosses clearly, then the row
    // above and the row below. A run that turns within kTie of a centre line leaves that row
    // to the rasteriser's tie rules, so such a row is in doubt too.
    const int lowest = ceilOf(low + kTie - 0.5f);
    const int highest = floorOf(high - kTie - 0.5f);
    const int above = highest + 1;
    const int below = lowest - 1;
    const float aboveCentre = static_cast<float>(above) + 0.5f;
    const float belowCentre = static_cast<float>(below) + 0.5f;
    const int height = window_->height();
    const float upTie = aboveCentre - kTie, downTie = belowCentre + kTie;
    Reach up = reachAbove(peak, static_cast<float>(above));
    Reach down = reachAbove(static_cast<float>(lowest), trough);
    // A row whose only ways out of its diamond start on its centre line is left to the
    // rasteriser's tie rules (see exitsOnlyByTies): at the edge of the lit rows it is in doubt,
    // among them the run stays as it is.
    for (const std::size_t i : ties_) {
        const int row = exitsOnlyByTies(i, first, end, centre);
        if (row == kNone) continue;
        if (row == above) {
            up = Reach::doubt;
        } else if (row == below) {
            down = Reach::doubt;
        } else if (row > below && row < above) {
            emit(first, end);
            return;
        }
    }
    // A run whose every row is decided can join a longer chord (see lengthenChords).
    record.clean = up != Reach::doubt && down != Reach::doubt;
    record.first = first;
    record.last = end - 1;
    record.lit0 = down == Reach::yes ? below : lowest;
    record.lit1 = up == Reach::yes ? above : highest;
    // Rows outside the window may come out either way.
    if (up == Reach::doubt && (above < 0 || above >= height)) up = Reach::no;
    if (down == Reach::doubt && (below < 0 || below >= height)) down = Reach::no;
    const int lit0 = down == Reach::yes ? below : lowest;
    const int lit1 = up == Reach::yes ? above : highest;
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
    if (up == Reach::doubt || down == Reach::doubt) {
        const float upLimit = static_cast<float>(above) - kDoubt;
        const float downLimit = static_cast<float>(lowest) + kDoubt;
        for (std::size_t i = first; i < end; ++i) {
            const float y = windowY(i);
            const float off = std::fabs(windowX(i) - centre);
            if ((up == Reach::doubt && (y - off >= upLimit || y >= upTie)) ||
                (down == Reach::doubt && (y + off <= downLimit || y <= downTie))) {
                keep(i == first ? first : i - 1, std::min(i + 1, end - 1));
            }
        }
        if (spans && ((up == Reach::doubt && crossY >= upLimit) ||
                      (down == Reach::doubt && crossY <= downLimit))) {
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

// OpenGL cuts a segment off where it leaves the window, and where it leaves through the top or
// bottom edge right at the apex of an edge row's diamond, whether that row is lit is a tie.
bool PolylineReducer::crossesWindowEdge(float low, float high) const {
    const float top = static_cast<float>(window_->height());
    return (low < 1 && high > -1) || (low < top + 1 && high > top - 1);
}

bool PolylineReducer::clipNearApex(float xa, float ya, float xb, float yb, float centre) const {
    for (const float edge : {0.0f, static_cast<float>(window_->height())}) {
        if ((ya - edge) * (yb - edge) > 0 || ya == yb) continue;
        const float x = xa + (xb - xa) * ((edge - ya) / (yb - ya));
        if (std::fabs(x - centre) < kDoubt) return true;
    }
    return false;
}

bool PolylineReducer::clipsNearApex(std::size_t first, std::size_t end, float centre) const {
    for (std::size_t i = first; i + 1 < end; ++i) {
        if (clipNearApex(windowX(i), windowY(i), windowX(i + 1), windowY(i + 1), centre)) {
            return true;
        }
    }
    return false;
}

std::size_t PolylineReducer::nextDistinct(std::size_t i) const {
    std::size_t j = i + 1;
    while (j < count_ && samples_[j] == samples_[i]) ++j;
    return j;
}

// A sample snapped onto a row's centre line is a tie: a segment steeper than 45 degrees that
// leaves it downwards, out of the row's diamond, may or may not light the row, though by the
// diamond-exit rule it does. Only a sample just above the line snaps onto it with the segment
// drawn from there (one just below has the segment's start moved to the pixel's edge); upwards,
// and from samples off the line, the rasteriser follows the rule, and flatter segments decide by
// the column's centre line, which the strip passes only once. If sample i is such a tie, returns
// its row unless the run also leaves that row's diamond in a way clear of every threshold; kNone
// otherwise.
int PolylineReducer::exitsOnlyByTies(std::size_t i, std::size_t first, std::size_t end,
                                     float centre) const {
    const float y = windowY(i);
    const int row = floorOf(y);
    const float rowCentre = static_cast<float>(row) + 0.5f;
    const auto diamond = [&](std::size_t k) {
        return std::fabs(windowX(k) - centre) + std::fabs(windowY(k) - rowCentre);
    };
    // Whether the segment from a to b is steeper than 45 degrees and descends.
    const auto steepDown = [&](std::size_t a, std::size_t b) {
        const float ya = windowY(a), yb = windowY(b);
        return yb < ya && !(ya - yb < 0.99f * std::fabs(windowX(b) - windowX(a)));
    };
    // Whether the segment from a to b leaves downwards from a tie. A segment that came down
    // steeply into the tie has already lit the row: the two share the line, and of two such
    // ends exactly one covers the pixel's centre on it.
    const auto tieExit = [&](std::size_t a, std::size_t b) {
        const float ya = windowY(a);
        if (!(ya >= rowCentre - kSlack && ya <= rowCentre + 1.0f / 512 + kSlack)) return false;
        if (!steepDown(a, b)) return false;
        std::size_t p = a;
        while (p > 0 && samples_[p - 1] == samples_[a]) --p;
        return p == 0 || !steepDown(p - 1, a);
    };
    const std::size_t n = nextDistinct(i);
    if (n >= count_ || !tieExit(i, n) || diamond(n) < 0.5f - kDoubt) return kNone;
    // Any other clear way out: from well inside to well outside, or through it.
    for (std::size_t a = first; a < end; a = nextDistinct(a)) {
        const std::size_t b = nextDistinct(a);
        if (b >= count_) break;
        const float da = diamond(a), db = diamond(b);
        if (db < 0.5f + kDoubt) continue;
        if (da < 0.5f - kDoubt) {
            if (!tieExit(a, b)) return kNone;
            continue;
        }
        if (da < 0.5f + kDoubt) continue;
        const float xa = windowX(a), xb = windowX(b), ya = windowY(a), yb = windowY(b);
        float closest = 1;
        if ((xa - centre) * (xb - centre) < 0) {
            closest = std::fabs(ya + (yb - ya) * ((centre - xa) / (xb - xa)) - rowCentre);
        }
        if ((ya - rowCentre) * (yb - rowCentre) < 0) {
            closest = std::min(closest,
                               std::fabs(xa + (xb - xa) * ((rowCentre - ya) / (yb - ya)) - centre));
        }
        if (closest < 0.5f - kDoubt) return kNone;
    }
    return row;
}

// Whether the segment between samples a and b lights exactly rows lit0 to lit1 of the column, by
// the rules reduceColumn applies to a run, every decision clear of its threshold. Within the
// column the segment is a run of its own: its ends there are turning points, so at a sample
// they must stay clear of centre lines, and where it crosses an edge it must pass clear of the
// diamonds' corners on both sides.
bool PolylineReducer::chordLights(std::size_t a, std::size_t b, int column, int lit0,
                                  int lit1) const {
    const float xa = windowX(a), ya = windowY(a), xb = windowX(b), yb = windowY(b);
    const float left = static_cast<float>(column), right = left + 1, centre = left + 0.5f;
    const auto at = [&](float x) { return ya + (yb - ya) * ((x - xa) / (xb - xa)); };
    const float slope = xb > xa ? std::fabs((yb - ya) / (xb - xa)) : 0.0f;
    const float cornerMargin = (1 + slope) * kEdge + kTie;
    float x0 = xa, y0 = ya, x1 = xb, y1 = yb;
    if (xa < left) {
        x0 = left;
        y0 = at(left);
        if (nearCentreLine(y0, cornerMargin)) return false;
    } else if (nearCentreLine(ya, kTie)) {
        return false;
    }
    if (xb > right) {
        x1 = right;
        y1 = at(right);
        if (nearCentreLine(y1, cornerMargin)) return false;
    } else if (nearCentreLine(yb, kTie)) {
        return false;
    }
    if (clipNearApex(x0, y0, x1, y1, centre)) return false;
    const float low = std::min(y0, y1), high = std::max(y0, y1);
    float peak = std::max(y0 - std::fabs(x0 - centre), y1 - std::fabs(x1 - centre));
    float trough = std::min(y0 + std::fabs(x0 - centre), y1 + std::fabs(x1 - centre));
    if (x0 < centre && centre <= x1) {
        const float crossY = at(centre);
        peak = std::max(peak, crossY);
        trough = std::min(trough, crossY);
    }
    const int lowest = ceilOf(low + kTie - 0.5f);
    const int highest = floorOf(high - kTie - 0.5f);
    const Reach up = reachAbove(peak, static_cast<float>(highest + 1));
    const Reach down = reachAbove(static_cast<float>(lowest), trough);
    if (up == Reach::doubt || down == Reach::doubt) return false;
    return (down == Reach::yes ? lowest - 1 : lowest) == lit0 &&
           (up == Reach::yes ? highest + 1 : highest) == lit1;
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
