// Channel: one key-framed curve with its sample table.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "timeline/point2.h"

namespace kvr {

class Channel {
public:
    explicit Channel(float step);

    // Both tables are public: the editor moves keys in place and calls rebuild (or keyMoved)
    // itself afterwards; the renderer and the writer read them as they stand.
    std::vector<BezierKey> keys;
    std::vector<Point2> samples;  // ascending x
    float step;

    // Adds the key (p, p, p), limits the facing handles of its neighbours, rebuilds.
    void addPoint(Point2 p);
    // Adds the key unchanged, rebuilds.
    void addKey(Point2 inHandle, Point2 point, Point2 outHandle);
    // Removes keys[index] (later keys keep their order), rebuilds.
    void removeKey(std::size_t index);

    // The same insertions without the rebuild, for callers that add many keys and rebuild
    // once at the end; the result is identical to rebuilding after each.
    void insertPoint(Point2 p);
    void insertKey(Point2 inHandle, Point2 point, Point2 outHandle);

    void rebuild();
    // Brings samples up to date after keys[index] alone was moved in place (its point, its
    // handles or both) since the last rebuild, with exactly the result rebuild would give.
    // Returns true when only the segments around that key had to be resampled, false when it
    // fell back to a full rebuild (keys out of order or at equal times, or samples that leave
    // their segment's time span and so interleave with their neighbours').
    bool keyMoved(std::size_t index);
    // Whether the keys are in time order (ties allowed) as of the last rebuild or keyMoved.
    bool keysInOrder() const { return keysInOrder_; }

    float evaluate(float t) const;
    Point2 curvePoint(float t) const;
    // Left and right key around t; either may be null.
    std::pair<const BezierKey*, const BezierKey*> bracket(float t) const;

private:
    std::size_t partitionPoint(float t) const;
    // The point at time t of the segment from l to r, by which of their facing handles are
    // degenerate.
    static Point2 segmentPoint(const BezierKey& l, const BezierKey& r, float t);
    void insertSorted(const BezierKey& key);
    // Appends the samples of the pairs (i, i + 1) for i in [firstPair, endPair), each pair's
    // run sorted on its own, and records where each run starts (relative to out's old size,
    // plus the end) in starts. False when a sample leaves its pair's time span, in which case
    // the runs are not yet in global order.
    bool appendPairRuns(std::size_t firstPair, std::size_t endPair, std::vector<Point2>& out,
                        std::vector<std::size_t>& starts) const;
    bool keysStrictlyAscending() const;

    // Whether keys are known to be in time order; rebuild recomputes it, since the editor may
    // have moved keys past each other in place.
    bool keysInOrder_ = true;
    // When set, keys ascend strictly in time and every pair's samples lie inside its own time
    // span, so samples is the concatenation of one sorted run per pair and runStarts_[i] is
    // where pair i's run begins (with the end of samples last). That is what lets keyMoved
    // replace a few runs instead of resorting everything.
    bool runsValid_ = false;
    std::vector<std::size_t> runStarts_;
    // Reused by keyMoved so that a drag does not allocate on every motion event.
    std::vector<Point2> scratch_;
    std::vector<std::size_t> scratchStarts_;
};

}  // namespace kvr
