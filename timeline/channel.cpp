// Channel: Bezier sampling, incremental resampling and evaluation of one curve.
#include "timeline/channel.h"

#include <algorithm>
#include <atomic>

#include "timeline/time_order.h"

namespace kvr {

namespace {

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

Channel::Channel(float step) : step_(step) {
    touch();
}

void Channel::touch() {
    // One count for every channel of the process, so that a channel made where another one was
    // never takes up its stamp; channels may be made on any thread.
    static std::atomic<std::uint64_t> count{0};
    revision_ = count.fetch_add(1, std::memory_order_relaxed) + 1;
}

void Channel::rebuild() {
    touch();
    keysInOrder_ = true;
    for (std::size_t i = 1; i < keys_.size() && keysInOrder_; ++i) {
        keysInOrder_ = !keyEarlier(keys_[i], keys_[i - 1]);
    }
    samples_.clear();
    runStarts_.clear();
    runsValid_ = false;
    if (keys_.size() == 1) {
        samples_.push_back(keys_.front().point);
        return;
    }
    if (keys_.empty()) return;

    const bool contained = appendPairRuns(0, keys_.size() - 1, samples_, runStarts_);
    // Each run is already sorted, so in the usual case of ascending keys with well-behaved
    // handles the whole table is too. Sorting runs first changes nothing in the stable order:
    // equal samples keep their pair order and, within a pair, their order of generation.
    if (!std::is_sorted(samples_.begin(), samples_.end(), sampleEarlier)) {
        // Stable, so samples at equal times keep the order of their pairs from one rebuild to
        // the next and the drawn line does not flicker between them.
        std::stable_sort(samples_.begin(), samples_.end(), sampleEarlier);
    }
    runsValid_ = contained && keysStrictlyAscending();
    if (!runsValid_) runStarts_.clear();
}

bool Channel::keyChangedInPlace(std::size_t index) {
    return keysChangedInPlace(&index, 1);
}

bool Channel::keysChangedInPlace(const std::size_t* indices, std::size_t count) {
    touch();
    const std::size_t n = keys_.size();
    if (!runsValid_ || n < 2 || runStarts_.size() != n) {
        rebuild();
        return false;
    }
    // The pairs to resample, as spans [first, end) merged where they meet.
    spans_.clear();
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t index = indices[k];
        if (index >= n || (k > 0 && index <= indices[k - 1])) {
            rebuild();
            return false;
        }
        const float t = keys_[index].point.x;
        // Among ascending keys at distinct times every bracket is the true neighbour pair, so
        // the runs of the pairs away from the moved keys cannot have changed.
        if ((index > 0 && !(keys_[index - 1].point.x < t)) ||
            (index + 1 < n && !(t < keys_[index + 1].point.x))) {
            rebuild();
            return false;
        }
        // Pair j is sampled from keys j and j + 1, except that a last sample landing exactly on
        // key j + 1's time is taken on the next segment, which also involves key j + 2. So the
        // pairs that can change are index - 2, index - 1 and index.
        const std::size_t first = index >= 2 ? index - 2 : 0;
        const std::size_t end = std::min(index + 1, n - 1);
        if (!spans_.empty() && first <= spans_.back().second) {
            spans_.back().second = std::max(spans_.back().second, end);
        } else {
            spans_.emplace_back(first, end);
        }
    }

    // Every span's new runs, one after another; scratchStarts_ holds where each of a span's
    // runs begins in scratch_, then where the span ends.
    scratch_.clear();
    scratchStarts_.clear();
    bool sameCounts = true;
    for (const auto& [first, end] : spans_) {
        const std::size_t base = scratch_.size();
        if (!appendPairRuns(first, end, scratch_, spanStarts_)) {
            rebuild();
            return false;
        }
        for (std::size_t start : spanStarts_) scratchStarts_.push_back(base + start);
        sameCounts = sameCounts && scratch_.size() - base == runStarts_[end] - runStarts_[first];
    }

    if (sameCounts || spans_.size() == 1) {
        replaceRunsInPlace();
    } else {
        replaceRunsByCopy();
    }
    return true;
}

void Channel::replaceRunsInPlace() {
    std::size_t at = 0;  // the span's first entry in scratchStarts_
    for (const auto& [first, end] : spans_) {
        const std::size_t from = scratchStarts_[at];
        const std::size_t newCount = scratchStarts_[at + end - first] - from;
        const std::size_t begin = runStarts_[first];
        const std::size_t oldCount = runStarts_[end] - begin;
        const auto target = samples_.begin() + static_cast<std::ptrdiff_t>(begin);
        if (newCount > oldCount) {
            samples_.insert(target + static_cast<std::ptrdiff_t>(oldCount), newCount - oldCount,
                            Point2{});
        } else if (newCount < oldCount) {
            samples_.erase(target + static_cast<std::ptrdiff_t>(newCount),
                           target + static_cast<std::ptrdiff_t>(oldCount));
        }
        std::copy(scratch_.begin() + static_cast<std::ptrdiff_t>(from),
                  scratch_.begin() + static_cast<std::ptrdiff_t>(from + newCount),
                  samples_.begin() + static_cast<std::ptrdiff_t>(begin));
        for (std::size_t j = first + 1; j < end; ++j) {
            runStarts_[j] = begin + scratchStarts_[at + j - first] - from;
        }
        if (newCount != oldCount) {
            for (std::size_t j = end; j < runStarts_.size(); ++j) {
                runStarts_[j] = runStarts_[j] - oldCount + newCount;
            }
        }
        at += end - first + 1;
    }
}

void Channel::replaceRunsByCopy() {
    // One pass over the table: many splices in place would each move everything after them.
    rebuilt_.clear();
    rebuilt_.reserve(samples_.size() + scratch_.size());
    std::size_t at = 0;        // the span's first entry in scratchStarts_
    std::size_t oldFrom = 0;   // the first old sample not yet carried over
    std::size_t nextPair = 0;  // the first pair whose start is not yet updated
    for (const auto& [first, end] : spans_) {
        const std::size_t oldBegin = runStarts_[first];
        const std::size_t oldEnd = runStarts_[end];
        // The untouched runs before the span keep their samples, each moved by the same amount.
        for (std::size_t j = nextPair; j <= first; ++j) {
            runStarts_[j] = runStarts_[j] - oldFrom + rebuilt_.size();
        }
        rebuilt_.insert(rebuilt_.end(), samples_.begin() + static_cast<std::ptrdiff_t>(oldFrom),
                        samples_.begin() + static_cast<std::ptrdiff_t>(oldBegin));
        const std::size_t from = scratchStarts_[at];
        const std::size_t begin = rebuilt_.size();
        rebuilt_.insert(
            rebuilt_.end(), scratch_.begin() + static_cast<std::ptrdiff_t>(from),
            scratch_.begin() + static_cast<std::ptrdiff_t>(scratchStarts_[at + end - first]));
        for (std::size_t j = first + 1; j < end; ++j) {
            runStarts_[j] = begin + scratchStarts_[at + j - first] - from;
        }
        oldFrom = oldEnd;
        nextPair = end;
        at += end - first + 1;
    }
    for (std::size_t j = nextPair; j < runStarts_.size(); ++j) {
        runStarts_[j] = runStarts_[j] - oldFrom + rebuilt_.size();
    }
    rebuilt_.insert(rebuilt_.end(), samples_.begin() + static_cast<std::ptrdiff_t>(oldFrom),
                    samples_.end());
    samples_.swap(rebuilt_);
}

bool Channel::appendPairRuns(std::size_t firstPair, std::size_t endPair, std::vector<Point2>& out,
                             std::vector<std::size_t>& starts) const {
    const std::size_t base = out.size();
    starts.clear();
    bool contained = true;
    for (std::size_t i = firstPair; i < endPair; ++i) {
        const std::size_t runBegin = out.size();
        starts.push_back(runBegin - base);
        const float start = keys_[i].point.x;
        const float end = keys_[i + 1].point.x;
        // Among keys in time order, every time from this pair's start up to (not including) its
        // end brackets to this pair, so the search of curvePoint can be skipped there; the ends
        // of the channel keep their own rule.
        const bool ownPair = keysInOrder_ && start < end;
        const float first = keys_.front().point.x;
        const float last = keys_.back().point.x;
        for (float x = start; x <= end;) {
            const Point2 p = ownPair && x < end && x > first && x < last
                                 ? segmentPoint(keys_[i], keys_[i + 1], x)
                                 : curvePoint(x);
            // Negated so that a NaN x counts as leaving the span.
            if (!(p.x >= start && p.x <= end)) contained = false;
            out.push_back(p);
            const float next = x + step_;
            // Far from zero (or with a step that is not positive) the addition stops moving x;
            // without this the loop would never end.
            if (!(next > x)) break;
            x = next;
        }
        const auto run = out.begin() + static_cast<std::ptrdiff_t>(runBegin);
        // Handles uneven in time make a segment's x run backwards in places.
        if (!std::is_sorted(run, out.end(), sampleEarlier)) {
            std::stable_sort(run, out.end(), sampleEarlier);
        }
    }
    starts.push_back(out.size() - base);
    return contained;
}

bool Channel::keysStrictlyAscending() const {
    for (std::size_t i = 1; i < keys_.size(); ++i) {
        if (!(keys_[i - 1].point.x < keys_[i].point.x)) return false;
    }
    return true;
}

float Channel::evaluate(float t) const {
    if (samples_.empty()) return 0.0f;
    // Written as negated comparisons so a NaN t (or end sample) is answered here rather than by
    // a search that assumes front.x < t < back.x.
    if (!(t > samples_.front().x)) return samples_.front().y;
    if (!(t < samples_.back().x)) return samples_.back().y;

    // The front passes x < t and the back passes x > t, so both searches stay inside.
    const auto below = std::partition_point(samples_.begin(), samples_.end(),
                                            [t](const Point2& s) { return s.x < t; });
    const auto above =
        std::partition_point(below, samples_.end(), [t](const Point2& s) { return s.x <= t; });
    const Point2& p = *(below - 1);
    const Point2& q = *above;
    return p.y + (t - p.x) * (q.y - p.y) / (q.x - p.x);
}

float Channel::valueAt(float t) const {
    if (samples_.empty()) return 0.0f;
    // Negated, so that a NaN t is answered here too.
    if (!(t >= samples_.front().x)) return samples_.front().y;
    // The first sample later than t; NaN times, sorted last, count as later.
    const auto above = std::partition_point(samples_.begin(), samples_.end(),
                                            [t](const Point2& s) { return s.x <= t; });
    const Point2& p = *(above - 1);  // the front passes, so there is one
    if (p.x == t || above == samples_.end() || !(above->x > t)) return p.y;
    const Point2& q = *above;
    return p.y + (t - p.x) * (q.y - p.y) / (q.x - p.x);
}

Point2 Channel::curvePoint(float t) const {
    if (keys_.empty()) return {0.0f, 0.0f};
    if (!(t > keys_.front().point.x)) return {t, keys_.front().point.y};
    if (!(t < keys_.back().point.x)) return {t, keys_.back().point.y};

    // The first key passes point.x <= t and the last fails it, so the search ends between two
    // adjacent keys even when the editor has dragged keys out of order.
    const std::size_t right = partitionPoint(t);
    return segmentPoint(keys_[right - 1], keys_[right], t);
}

Point2 Channel::segmentPoint(const BezierKey& l, const BezierKey& r, float t) {
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
    const BezierKey* l = right > 0 ? &keys_[right - 1] : nullptr;
    const BezierKey* r = right < keys_.size() ? &keys_[right] : nullptr;
    return {l, r};
}

std::size_t Channel::partitionPoint(float t) const {
    // Hand-written rather than std::partition_point, whose precondition (a partitioned range)
    // does not hold once keys are dragged out of order; this search is still well defined then.
    std::size_t first = 0;
    std::size_t count = keys_.size();
    while (count > 0) {
        const std::size_t half = count / 2;
        const std::size_t middle = first + half;
        if (keys_[middle].point.x <= t) {
            first = middle + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    return first;
}

}  // namespace kvr
