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
    KeyChange change;
    change.kind = KeyChange::Kind::Set;
    change.index = index;
    change.before = before;
    change.after = after;
    changes->push_back(std::move(change));
}

Point2 moved(Point2 p, Point2 delta) {
    return {p.x + delta.x, p.y + delta.y};
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
    if (index >= keys_.size()) return;
    if (changes) {
        KeyChange change;
        change.kind = KeyChange::Kind::Remove;
        change.index = index;
        change.before = keys_[index];
        changes->push_back(std::move(change));
    }
    keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(index));
    rebuild();
}

bool Channel::setKey(std::size_t index, const BezierKey& key, KeyChanges* changes) {
    if (index >= keys_.size()) return false;
    recordSet(changes, index, keys_[index], key);
    keys_[index] = key;
    return keyMoved(index);
}

void Channel::moveKey(std::size_t index, Point2 delta, KeyChanges* changes) {
    if (index >= keys_.size()) return;
    const BezierKey& k = keys_[index];
    setKey(index, {moved(k.inHandle, delta), moved(k.point, delta), moved(k.outHandle, delta)},
           changes);
}

void Channel::moveHandle(std::size_t index, Handle handle, Point2 delta, KeyChanges* changes) {
    if (index >= keys_.size()) return;
    BezierKey k = keys_[index];
    Point2& h = handle == Handle::In ? k.inHandle : k.outHandle;
    h = moved(h, delta);
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
    KeyChange insertion;
    insertion.kind = KeyChange::Kind::Insert;
    insertion.after = key;
    if (keysInOrder_) {
        // Scripts load keys in time order, so this is nearly always an append; a full sort per
        // key would make loading long channels quadratic.
        const auto at = std::upper_bound(keys_.begin(), keys_.end(), key, keyEarlier);
        insertion.index = static_cast<std::size_t>(at - keys_.begin());
        keys_.insert(at, key);
        if (changes) changes->push_back(std::move(insertion));
        return;
    }
    // Keys dragged out of order are put back in order, the new one after those at its time.
    insertion.index = keys_.size();
    keys_.push_back(key);
    std::vector<std::size_t> order(keys_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
        return keyEarlier(keys_[a], keys_[b]);
    });
    std::vector<BezierKey> sorted;
    sorted.reserve(keys_.size());
    for (std::size_t from : order) sorted.push_back(keys_[from]);
    keys_.swap(sorted);
    keysInOrder_ = true;
    if (changes) {
        changes->push_back(std::move(insertion));
        KeyChange reorder;
        reorder.kind = KeyChange::Kind::Reorder;
        reorder.order = std::move(order);
        changes->push_back(std::move(reorder));
    }
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
            std::vector<BezierKey> other(keys_.size());
            for (std::size_t i = 0; i < change.order.size(); ++i) {
                if (forward) {
                    other[i] = keys_[change.order[i]];
                } else {
                    other[change.order[i]] = keys_[i];
                }
            }
            keys_.swap(other);
            break;
        }
    }
}

void Channel::revert(const KeyChanges& changes) {
    for (auto change = changes.rbegin(); change != changes.rend(); ++change) {
        apply(*change, false);
    }
    resampleAfter(changes);
}

void Channel::reapply(const KeyChanges& changes) {
    for (const KeyChange& change : changes) apply(change, true);
    resampleAfter(changes);
}

void Channel::resampleAfter(const KeyChanges& changes) {
    // Undoing a drag must cost what the drag did, not a resampling of the whole channel.
    if (changes.size() == 1 && changes.front().kind == KeyChange::Kind::Set) {
        keyMoved(changes.front().index);
    } else {
        rebuild();
    }
}

}  // namespace kvr
