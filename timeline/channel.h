// Channel: one key-framed curve with its sample table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "timeline/key_change.h"
#include "timeline/point2.h"

namespace kvr {

enum class Handle { In, Out };

class Channel {
public:
    explicit Channel(float step);

    // Read access only: every change goes through the operations below, which keep the sample
    // table equal to what a full rebuild would make.
    const std::vector<BezierKey>& keys() const { return keys_; }
    const std::vector<Point2>& samples() const { return samples_; }  // ascending x
    float step() const { return step_; }
    // Changes whenever the keys or samples do, and differs between any two channels' states
    // (a copy shares its original's): what was made from the tables can be kept while it holds.
    std::uint64_t revision() const { return revision_; }

    // The edits. Each leaves the samples up to date; when changes is given, what the edit did is
    // appended to it so that revert can take it back.

    // Adds the key (p, p, p), limits the facing handles of its neighbours, re-sorts, rebuilds.
    void addPoint(Point2 p, KeyChanges* changes = nullptr);
    // Adds the key unchanged, re-sorts, rebuilds.
    void addKey(Point2 inHandle, Point2 point, Point2 outHandle, KeyChanges* changes = nullptr);
    // Removes keys[index] (later keys keep their order), rebuilds. Past the end: nothing.
    void removeKey(std::size_t index, KeyChanges* changes = nullptr);
    // Replaces keys[index] in place, without re-sorting: a key moved past its neighbour keeps
    // its place until the next insertion. Only the segments around it are resampled where that
    // gives the full rebuild's result; returns whether that sufficed.
    bool setKey(std::size_t index, const BezierKey& key, KeyChanges* changes = nullptr);
    // The whole key, or one handle, moved by delta; a handle put back onto its point.
    void moveKey(std::size_t index, Point2 delta, KeyChanges* changes = nullptr);
    void moveHandle(std::size_t index, Handle handle, Point2 delta, KeyChanges* changes = nullptr);
    void snapHandle(std::size_t index, Handle handle, KeyChanges* changes = nullptr);

    // The same edits for many keys at once, each leaving the samples as the single edits would,
    // at the cost of one: indices ascend and are distinct; those past the end are skipped.
    // Moves the whole keys by delta in place, resampling around them; returns whether that
    // sufficed. Moving the same keys again right after merges into the changes recorded.
    bool moveKeys(const std::vector<std::size_t>& indices, Point2 delta,
                  KeyChanges* changes = nullptr);
    // Removes the keys (the others keep their order), rebuilds once.
    void removeKeys(const std::vector<std::size_t>& indices, KeyChanges* changes = nullptr);
    // Adds the keys unchanged, as addKey one after another in the given order would (a key goes
    // after those at its time), rebuilds once; returns where the added keys stand, ascending.
    std::vector<std::size_t> addKeys(const std::vector<BezierKey>& keys,
                                     KeyChanges* changes = nullptr);

    // Takes back what an edit recorded, newest change first, or makes it again; the keys come
    // back bit for bit and in their stored order.
    void revert(const KeyChanges& changes);
    void reapply(const KeyChanges& changes);

    // The same insertions without the rebuild, for callers that add many keys and rebuild
    // once at the end; the result is identical to rebuilding after each.
    void insertPoint(Point2 p, KeyChanges* changes = nullptr);
    void insertKey(Point2 inHandle, Point2 point, Point2 outHandle, KeyChanges* changes = nullptr);

    void rebuild();
    // Whether the keys are in time order (ties allowed) as of the last edit.
    bool keysInOrder() const { return keysInOrder_; }

    // The editor's reading of the samples, for picking and insertion: at a time equal to a
    // sample's, the chord of the samples below and above it rather than the sample itself.
    float evaluate(float t) const;
    // The value of the line drawn through the samples, which is what a game wants: at a
    // sample's time that sample's value (the last in the table where several share it),
    // between samples the straight line joining them, outside them the first or last sample's
    // value; 0 without samples.
    float valueAt(float t) const;
    Point2 curvePoint(float t) const;
    // Left and right key around t; either may be null.
    std::pair<const BezierKey*, const BezierKey*> bracket(float t) const;

private:
    // Brings samples up to date after keys[index] alone changed in place since they were last
    // made (a drag, a handle moved or snapped, typed numbers, an undo or redo of one of these),
    // with exactly the result rebuild would give. Returns true when only the segments around
    // that key had to be resampled, false when it fell back to a full rebuild (keys out of order
    // or at equal times, or samples that leave their segment's time span and so interleave with
    // their neighbours').
    bool keyChangedInPlace(std::size_t index);
    // The same after the keys at indices (ascending, distinct) alone changed in place.
    bool keysChangedInPlace(const std::size_t* indices, std::size_t count);
    // Put the runs resampled by keysChangedInPlace (spans_, scratch_, scratchStarts_) into
    // samples: spliced in where that moves little, else by copying the table once.
    void replaceRunsInPlace();
    void replaceRunsByCopy();
    void apply(const KeyChange& change, bool forward);
    // Where the run of changes from first that can be applied in one pass ends: insertions at
    // ascending places or removals at descending places, as the edits of many keys record them.
    static std::size_t runEnd(const KeyChanges& changes, std::size_t first);
    // Applies changes [first, end), one such run, forward or taken back.
    void applyRun(const KeyChanges& changes, std::size_t first, std::size_t end, bool forward);
    // Puts keys[k] at places[k] (ascending, the places the keys have once all are in), the
    // others keeping their order; removes the keys at places (ascending).
    void placeAt(const std::size_t* places, const BezierKey* keys, std::size_t count);
    void eraseAt(const std::size_t* places, std::size_t count);
    // After revert or reapply: one key changed in place is resampled around it, anything else
    // in full.
    void resampleAfter(const KeyChanges& changes);
    std::size_t partitionPoint(float t) const;
    // The point at time t of the segment from l to r, by which of their facing handles are
    // degenerate.
    static Point2 segmentPoint(const BezierKey& l, const BezierKey& r, float t);
    void insertSorted(const BezierKey& key, KeyChanges* changes);
    // Stable-sorts keys dragged out of time order, recording the span it changed.
    void sortKeys(KeyChanges* changes);
    // Appends the samples of the pairs (i, i + 1) for i in [firstPair, endPair), each pair's
    // run sorted on its own, and records where each run starts (relative to out's old size,
    // plus the end) in starts. False when a sample leaves its pair's time span, in which case
    // the runs are not yet in global order.
    bool appendPairRuns(std::size_t firstPair, std::size_t endPair, std::vector<Point2>& out,
                        std::vector<std::size_t>& starts) const;
    bool keysStrictlyAscending() const;

    // A fresh stamp from the process-wide count, for every change of the tables.
    void touch();

    std::vector<BezierKey> keys_;
    std::vector<Point2> samples_;
    float step_;
    std::uint64_t revision_ = 0;

    // Whether keys are known to be in time order; rebuild recomputes it, since the editor may
    // have moved keys past each other in place.
    bool keysInOrder_ = true;
    // When set, keys ascend strictly in time and every pair's samples lie inside its own time
    // span, so samples is the concatenation of one sorted run per pair and runStarts_[i] is
    // where pair i's run begins (with the end of samples last). That is what lets
    // keyChangedInPlace replace a few runs instead of resorting everything.
    bool runsValid_ = false;
    std::vector<std::size_t> runStarts_;
    // Reused by keysChangedInPlace so that a drag does not allocate on every motion event.
    std::vector<Point2> scratch_;
    std::vector<std::size_t> scratchStarts_;
    std::vector<std::size_t> spanStarts_;
    std::vector<std::pair<std::size_t, std::size_t>> spans_;
    std::vector<Point2> rebuilt_;
};

}  // namespace kvr
