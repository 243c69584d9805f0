// Keeping each axis of the view rectangle drawable.
#include "editing/view_span.h"

#include <cfloat>
#include <cmath>

namespace kvr {

bool usableSpan(float low, float high) {
    return std::isfinite(low) && std::isfinite(high) && low < high && std::isfinite(high - low);
}

void keepSpanUsable(float& low, float& high, double centre, double half) {
    if (usableSpan(low, high)) return;
    const double limit = FLT_MAX;
    // fmin and fmax pass over an undefined operand, so even a NaN centre lands in the range.
    const double c = std::fmax(-limit, std::fmin(limit, centre));
    const double h = std::fmin(std::fmin(half, limit / 2), limit - std::fabs(c));
    // Both lie within ±FLT_MAX, so rounding them to float keeps them finite.
    low = static_cast<float>(c - h);
    high = static_cast<float>(c + h);
    // Rounding outward can carry an extent of FLT_MAX just past it.
    while (!std::isfinite(high - low)) {
        low = std::nextafter(low, 0.0f);
        high = std::nextafter(high, 0.0f);
    }
    if (!(low < high)) {
        const float middle = static_cast<float>(c);
        low = std::nextafter(middle, -INFINITY);
        high = std::nextafter(middle, INFINITY);
        if (!std::isfinite(low)) low = middle;
        if (!std::isfinite(high)) high = middle;
    }
}

namespace {

double middleOf(float low, float high) {
    return (static_cast<double>(low) + high) / 2;
}

double halfOf(float low, float high) {
    return (static_cast<double>(high) - low) / 2;
}

}  // namespace

void zoomSpan(float& low, float& high, float anchor, float fraction) {
    const double centre = middleOf(low, high);
    const double half = halfOf(low, high) * (1.0 - fraction);
    // Moving away by -fraction gives exactly the same floats as subtracting fraction's share.
    low += (anchor - low) * fraction;
    high += (anchor - high) * fraction;
    keepSpanUsable(low, high, centre, half);
}

void shiftSpan(float& low, float& high, float by) {
    const double centre = middleOf(low, high) + by;
    const double half = halfOf(low, high);
    low += by;
    high += by;
    keepSpanUsable(low, high, centre, half);
}

}  // namespace kvr
