// Channel: the edits of a curve's keys, what they record, and taking them back.
#include <algorithm>
#include <cstring>
#include <numeric>

#include "timeline/channel.h"
#include "timeline/time_order.h"

namespace kvr {

namespace {

// An in-place change right after another of the same key is one change from the first
// before to the last after: a drag of many small steps is taken back in one.
void recordSet(KeyChanges* changes, std::size_t index, const BezierKey& before,
               const BezierKey& after) {
    if (!changes) return;
    if (!changes->empty() && changes->back().kind == KeyChange::Kind::Set &&
        changes->back().index == index) {
        changes->back().after = after;
        return;
    }
    changes->push_back(KeyChange::set(index, before, after));
}

// Places [first, end) of a key array.
struct Span {
    std::size_t first = 0;
    std::size_t end = 0;
};

// The places whose keys a stable sort would change; empty when the keys are in order. Found in
// one pass and two searches, so that a channel with one dragged key is not sorted whole.
Span unsortedSpan(const std::vector<BezierKey>& keys) {
    // The first and last places whose key is earlier than the one before it. Outside them the
    // keys ascend, so the lowest key from the first descent on and the highest before the last
    // descent lie between them.
    std::size_t firstDescent = 0;
    std::size_t lastDescent = 0;
    for (std::size_t i = 1; i < keys.size(); ++i) {
        if (keyEarlier(keys[i], keys[i - 1])) {
            if (firstDescent == 0) firstDescent = i;
            lastDescent = i;
        }
    }
    if (firstDescent == 0) return {};
    const auto begin = keys.begin();
    const auto firstDrop = begin + static_cast<std::ptrdiff_t>(firstDescent);
    const auto lastDrop = begin + static_cast<std::ptrdiff_t>(lastDescent);
    const BezierKey& lowest = *std::min_element(firstDrop, lastDrop + 1, keyEarlier);
    const BezierKey& highest = *std::max_element(firstDrop - 1, lastDrop, keyEarlier);
    // A key before the first descent stays when no later key is earlier; a key at its time
    // that comes later stays behind it, the sort being stable. Likewise a key from the last
    // descent on stays when no earlier key is later, ties included.
    const auto first = std::upper_bound(begin, firstDrop, lowest, keyEarlier);
    const auto end = std::lower_bound(lastDrop, keys.end(), highest, keyEarlier);
    return {static_cast<std::size_t>(first - begin), static_cast<std::size_t>(end - begin)};
}

}  // namespace

bool sameBits(const BezierKey& a, const BezierKey& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void Channel::addPoint(Point2 p, KeyChanges* changes) {
    insertPoint(p, changes);
    rebuild();
}

void Channel::addKey(Point2 inHandle, Point2 point, Point2 outHandle, KeyChanges* changes) {
    insertKey(inHandle, point, outHandle, changes);
    rebuild();
}

void Channel::removeKey(std::size_t index, KeyChanges* changes) {
    removeKeys({index}, changes);
}

bool Channel::setKey(std::size_t index, const BezierKey& key, KeyChanges* changes) {
    if (index >= keys_.size()) return false;
    recordSet(changes, index, keys_[index], key);
    keys_[index] = key;
    return keyChangedInPlace(index);
}

void Channel::moveKey(std::size_t index, Point2 delta, KeyChanges* changes) {
    if (index >= keys_.size()) return;
    setKey(index, movedBy(keys_[index], delta), changes);
}

void Channel::moveHandle(std::size_t index, Handle handle, Point2 delta, KeyChanges* changes) {
    if (index >= keys_.size()) return;
    BezierKey k = keys_[index];
    Point2& h = handle == Handle::In ? k.inHandle : k.outHandle;
    h = movedBy(h, delta);
    setKey(index, k, changes);
}

void Channel::snapHandle(std::size_t index, Handle handle, KeyChanges* changes) {
    if (index >= keys_.size()) return;
    BezierKey k = keys_[index];
    (handle == Handle::In ? k.inHandle : k.outHandle) = k.point;
    setKey(index, k, changes);
}

void Channel::insertPoint(Point2 p, KeyChanges* changes) {
    // A handle reaching past the new key in time would make its segment fold back over it.
    const std::size_t right = partitionPoint(p.x);
    if (right > 0 && keys_[right - 1].outHandle.x > p.x) {
        const BezierKey before = keys_[right - 1];
        keys_[right - 1].outHandle.x = p.x;
        recordSet(changes, right - 1, before, keys_[right - 1]);
    }
    if (right < keys_.size() && keys_[right].inHandle.x < p.x) {
        const BezierKey before = keys_[right];
        keys_[right].inHandle.x = p.x;
        recordSet(changes, right, before, keys_[right]);
    }
    insertSorted({p, p, p}, changes);
}

void Channel::insertKey(Point2 inHandle, Point2 point, Point2 outHandle, KeyChanges* changes) {
    insertSorted({inHandle, point, outHandle}, changes);
}

void Channel::insertSorted(const BezierKey& key, KeyChanges* changes) {
    // The samples no longer match the keys until the caller's rebuild.
    runsValid_ = false;
    touch();
    if (!keysInOrder_) sortKeys(changes);
    // Scripts load keys in time order, so this is nearly always an append; a full sort per key
    // would make loading long channels quadratic. After those at its time, as a stable sort
    // with the new key last would put it.
    const auto at = std::upper_bound(keys_.begin(), keys_.end(), key, keyEarlier);
    if (changes)
        changes->push_back(KeyChange::insertion(static_cast<std::size_t>(at - keys_.begin()), key));
    keys_.insert(at, key);
}

void Channel::sortKeys(KeyChanges* changes) {
    // Only the span the sort changes is sorted and recorded, so a key dragged past its
    // neighbour costs the history a few places rather than a permutation of the whole channel.
    const Span span = unsortedSpan(keys_);
    keysInOrder_ = true;
    if (span.first == span.end) return;
    KeyChange reorder;
    reorder.kind = KeyChange::Kind::Reorder;
    reorder.index = span.first;
    reorder.order.resize(span.end - span.first);
    std::iota(reorder.order.begin(), reorder.order.end(), std::size_t{0});
    const auto from = keys_.begin() + static_cast<std::ptrdiff_t>(span.first);
    std::stable_sort(reorder.order.begin(), reorder.order.end(),
                     [from](std::size_t a, std::size_t b) {
                         return keyEarlier(from[static_cast<std::ptrdiff_t>(a)],
                                           from[static_cast<std::ptrdiff_t>(b)]);
                     });
    apply(reorder, true);
    if (changes) changes->push_back(std::move(reorder));
}

void Channel::apply(const KeyChange& change, bool forward) {
    const auto at = keys_.begin() + static_cast<std::ptrdiff_t>(change.index);
    switch (change.kind) {
        case KeyChange::Kind::Set:
            keys_[change.index] = forward ? change.after : change.before;
            break;
        case KeyChange::Kind::Insert:
            if (forward) {
                keys_.insert(at, change.after);
            } else {
                keys_.erase(at);
            }
            break;
        case KeyChange::Kind::Remove:
            if (forward) {
                keys_.erase(at);
            } else {
                keys_.insert(at, change.before);
            }
            break;
        case KeyChange::Kind::Reorder: {
            const std::vector<std::size_t>& order = change.order;
            std::vector<BezierKey> span(order.size());
            for (std::size_t i = 0; i < order.size(); ++i) {
                if (forward) {
                    span[i] = at[static_cast<std::ptrdiff_t>(order[i])];
                } else {
                    span[order[i]] = at[static_cast<std::ptrdiff_t>(i)];
                }
            }
            std::copy(span.begin(), span.end(), at);
            break;
        }
    }
}

void Channel::revert(const KeyChanges& changes) {
    std::vector<std::size_t> ends;
    for (std::size_t first = 0; first < changes.size(); first = ends.back()) {
        ends.push_back(runEnd(changes, first));
    }
    for (std::size_t r = ends.size(); r-- > 0;) {
        applyRun(changes, r > 0 ? ends[r - 1] : 0, ends[r], false);
    }
    resampleAfter(changes);
}

void Channel::reapply(const KeyChanges& changes) {
    for (std::size_t first = 0; first < changes.size();) {
        const std::size_t end = runEnd(changes, first);
        applyRun(changes, first, end, true);
        first = end;
    }
    resampleAfter(changes);
}

void Channel::resampleAfter(const KeyChanges& changes) {
    // Undoing a drag must cost what the drag did, not a resampling of the whole channel.
    std::vector<std::size_t> moved;
    moved.reserve(changes.size());
    for (const KeyChange& change : changes) {
        if (change.kind != KeyChange::Kind::Set) {
            rebuild();
            return;
        }
        moved.push_back(change.index);
    }
    std::sort(moved.begin(), moved.end());
    moved.erase(std::unique(moved.begin(), moved.end()), moved.end());
    keysChangedInPlace(moved.data(), moved.size());
}

}  // namespace kvr
