// The polyline reducer's decisions about single rows and single segments.
#include <algorithm>
#include <cmath>

#include "app/polyline_margins.h"
#include "app/polyline_reducer.h"

namespace kvr {

using namespace polyline;

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
    const LitRows rows = litRows(low, high, peak, trough);
    if (rows.up == Reach::doubt || rows.down == Reach::doubt) return false;
    return rows.lit0() == lit0 && rows.lit1() == lit1;
}

}  // namespace kvr
