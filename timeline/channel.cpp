// Channel: key insertion and removal, Bezier sampling and evaluation of one curve.
#include "timeline/channel.h"

#include <algorithm>

namespace kvr {

namespace {

// Time order for keys and samples. A script can compute a NaN time (0/0); putting NaN after
// every number keeps the ordering strict-weak, so the sorts and the ordered insertion agree.
bool earlier(float a, float b) {
    return a < b || (b != b && a == a);
}

bool keyEarlier(const BezierKey& a, const BezierKey& b) {
    return earlier(a.point.x, b.point.x);
}

bool sampleEarlier(const Point2& a, const Point2& b) {
    return earlier(a.x, b.x);
}

bool isDegenerate(const Point2& handle, const Point2& point) {
    return handle == point;
}

// Quadratic Bezier; the weights are rounded to float before use, like every curve value.
Point2 quadratic(const Point2& p0, const Point2& p1, const Point2& p2, float u) {
    const float v = 1.0f - u;
    const float w0 = v * v;
    const float w1 = 2.0f * u * v;
    const float w2 = u * u;
    return {w0 * p0.x + w1 * p1.x + w2 * p2.x, w0 * p0.y + w1 * p1.y + w2 * p2.y};
}

Point2 cubic(const Point2& p0, const Point2& p1, const Point2& p2, const Point2& p3, float u) {
    const float v = 1.0f - u;
    const float w0 = v * v * v;
    const float w1 = 3.0f * u * v * v;
    const float w2 = 3.0f * u * u * v;
    const float w3 = u * u * u;
    return {w0 * p0.x + w1 * p1.x + w2 * p2.x + w3 * p3.x,
            w0 * p0.y + w1 * p1.y + w2 * p2.y + w3 * p3.y};
}

}  // namespace

Channel::Channel(float step) : step(step) {}

void Channel::addPoint(Point2 p) {
    insertPoint(p);
    rebuild();
}

void Channel::addKey(Point2 inHandle, Point2 point, Point2 outHandle) {
    insertKey(inHandle, point, outHandle);
    rebuild();
}

void Channel::removeKey(std::size_t index) {
    if (index >= keys.size()) return;
    keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(index));
    rebuild();
}

void Channel::insertPoint(Point2 p) {
    // A handle reaching past the new key in time would make its segment fold back over it.
    const std::size_t right = partitionPoint(p.x);
    if (right > 0) {
        Point2& handle = keys[right - 1].outHandle;
        if (handle.x > p.x) handle.x = p.x;
    }
    if (right < keys.size()) {
        Point2& handle = keys[right].inHandle;
        if (handle.x < p.x) handle.x = p.x;
    }
    insertSorted({p, p, p});
}

void Channel::insertKey(Point2 inHandle, Point2 point, Point2 outHandle) {
    insertSorted({inHandle, point, outHandle});
}

void Channel::insertSorted(const BezierKey& key) {
    if (keysInOrder_) {
        // Scripts load keys in time order, so this is nearly always an append; a full sort per
        // key would make loading long channels quadratic.
        keys.insert(std::upper_bound(keys.begin(), keys.end(), key, keyEarlier), key);
        return;
    }
    keys.push_back(key);
    std::stable_sort(keys.begin(), keys.end(), keyEarlier);
    keysInOrder_ = true;
}

void Channel::rebuild() {
    keysInOrder_ = true;
    for (std::size_t i = 1; i < keys.size() && keysInOrder_; ++i) {
        keysInOrder_ = !keyEarlier(keys[i], keys[i - 1]);
    }
    samples.clear();
    if (keys.size() == 1) {
        samples.push_back(keys.front().point);
    } else if (keys.size() > 1) {
        appendSegmentSamples(0, keys.size() - 1, samples);
    }
    sortSamples();
}

void Channel::appendSegmentSamples(std::size_t firstPair, std::size_t endPair,
                                   std::vector<Point2>& out) const {
    for (std::size_t i = firstPair; i < endPair; ++i) {
        const float end = keys[i + 1].point.x;
        for (float x = keys[i].point.x; x <= end;) {
            out.push_back(curvePoint(x));
            const float next = x + step;
            // Far from zero (or with a step that is not positive) the addition stops moving x;
            // without this the loop would never end.
            if (!(next > x)) break;
            x = next;
        }
    }
}

void Channel::sortSamples() {
    // Stable, so samples at equal times keep the order of their pairs from one rebuild to the
    // next and the drawn line does not flicker between them.
    std::stable_sort(samples.begin(), samples.end(), sampleEarlier);
}

float Channel::evaluate(float t) const {
    if (samples.empty()) return 0.0f;
    // Written as negated comparisons so a NaN t (or end sample) is answered here rather than by
    // a search that assumes front.x < t < back.x.
    if (!(t > samples.front().x)) return samples.front().y;
    if (!(t < samples.back().x)) return samples.back().y;

    // The front passes x < t and the back passes x > t, so both searches stay inside.
    const auto below = std::partition_point(samples.begin(), samples.end(),
                                            [t](const Point2& s) { return s.x < t; });
    const auto above =
        std::partition_point(below, samples.end(), [t](const Point2& s) { return s.x <= t; });
    const Point2& p = *(below - 1);
    const Point2& q = *above;
    return p.y + (t - p.x) * (q.y - p.y) / (q.x - p.x);
}

Point2 Channel::curvePoint(float t) const {
    if (keys.empty()) return {0.0f, 0.0f};
    if (!(t > keys.front().point.x)) return {t, keys.front().point.y};
    if (!(t < keys.back().point.x)) return {t, keys.back().point.y};

    // keys[0] passes point.x <= t and keys[last] fails it, so the search ends between two
    // adjacent keys even when the editor has dragged keys out of order.
    const std::size_t right = partitionPoint(t);
    const BezierKey& l = keys[right - 1];
    const BezierKey& r = keys[right];
    const float width = r.point.x - l.point.x;

    const bool outFlat = isDegenerate(l.outHandle, l.point);
    const bool inFlat = isDegenerate(r.inHandle, r.point);
    if (outFlat && inFlat) {
        return {t, l.point.y + (t - l.point.x) * (r.point.y - l.point.y) / width};
    }
    // u follows time, not the curve's x, so a segment with uneven handles yields samples off
    // the time grid; the sort in rebuild puts them back in order.
    const float u = (t - l.point.x) / width;
    if (outFlat) return quadratic(l.point, r.inHandle, r.point, u);
    if (inFlat) return quadratic(l.point, l.outHandle, r.point, u);
    return cubic(l.point, l.outHandle, r.inHandle, r.point, u);
}

std::pair<const BezierKey*, const BezierKey*> Channel::bracket(float t) const {
    const std::size_t right = partitionPoint(t);
    const BezierKey* l = right > 0 ? &keys[right - 1] : nullptr;
    const BezierKey* r = right < keys.size() ? &keys[right] : nullptr;
    return {l, r};
}

std::size_t Channel::partitionPoint(float t) const {
    // Hand-written rather than std::partition_point, whose precondition (a partitioned range)
    // does not hold once keys are dragged out of order; this search is still well defined then.
    std::size_t first = 0;
    std::size_t count = keys.size();
    while (count > 0) {
        const std::size_t half = count / 2;
        const std::size_t middle = first + half;
        if (keys[middle].point.x <= t) {
            first = middle + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    return first;
}

}  // namespace kvr
