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
    float evaluate(float t) const;
    Point2 curvePoint(float t) const;
    // Left and right key around t; either may be null.
    std::pair<const BezierKey*, const BezierKey*> bracket(float t) const;

private:
    std::size_t partitionPoint(float t) const;
    void insertSorted(const BezierKey& key);
    // Samples of the key pairs (i, i + 1) for i in [firstPair, endPair), unsorted; kept apart
    // from rebuild so that a moved key can one day resample only the pairs it touches.
    void appendSegmentSamples(std::size_t firstPair, std::size_t endPair,
                              std::vector<Point2>& out) const;
    void sortSamples();

    // Whether keys are known to be in time order; rebuild recomputes it, since the editor may
    // have moved keys past each other in place.
    bool keysInOrder_ = true;
};

}  // namespace kvr
