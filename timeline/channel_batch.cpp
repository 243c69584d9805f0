// Channel: edits of many keys at once, and taking back in one pass the insertions and removals
// they record.
#include <algorithm>

#include "timeline/channel.h"
#include "timeline/time_order.h"

namespace kvr {

bool Channel::moveKeys(const std::vector<std::size_t>& indices, Point2 delta, KeyChanges* changes) {
    const std::size_t count = static_cast<std::size_t>(
        std::lower_bound(indices.begin(), indices.end(), keys_.size()) - indices.begin());
    if (count == 0) return true;
    // A drag of many keys is many small moves of the same keys: one change per key, not per
    // key and motion, when the changes just recorded are those keys' in the same order.
    bool merge = changes && changes->size() >= count;
    for (std::size_t k = 0; merge && k < count; ++k) {
        const KeyChange& last = (*changes)[changes->size() - count + k];
        merge = last.kind == KeyChange::Kind::Set && last.index == indices[k];
    }
    for (std::size_t k = 0; k < count; ++k) {
        BezierKey& key = keys_[indices[k]];
        const BezierKey before = key;
        key = movedBy(key, delta);
        if (merge) {
            (*changes)[changes->size() - count + k].after = key;
        } else if (changes) {
            changes->push_back(KeyChange::set(indices[k], before, key));
        }
    }
    return keysChangedInPlace(indices.data(), count);
}

void Channel::removeKeys(const std::vector<std::size_t>& indices, KeyChanges* changes) {
    const std::size_t count = static_cast<std::size_t>(
        std::lower_bound(indices.begin(), indices.end(), keys_.size()) - indices.begin());
    if (count == 0) return;
    if (changes) {
        // Last first, so that each recorded place is the key's place when it went, and taking
        // them back in reverse puts the first back first.
        for (std::size_t k = count; k-- > 0;) {
            changes->push_back(KeyChange::removal(indices[k], keys_[indices[k]]));
        }
    }
    eraseAt(indices.data(), count);
    rebuild();
}

std::vector<std::size_t> Channel::addKeys(const std::vector<BezierKey>& keys, KeyChanges* changes) {
    if (keys.empty()) return {};
    runsValid_ = false;
    touch();
    if (!keysInOrder_) sortKeys(changes);
    // Added one at a time, each new key would go after every key at its time, old or newly
    // added: where a stable merge of the old keys with the new ones stably sorted puts it.
    std::vector<BezierKey> added = keys;
    std::stable_sort(added.begin(), added.end(), keyEarlier);
    std::vector<std::size_t> places(added.size());
    auto from = keys_.begin();
    for (std::size_t k = 0; k < added.size(); ++k) {
        from = std::upper_bound(from, keys_.end(), added[k], keyEarlier);
        places[k] = static_cast<std::size_t>(from - keys_.begin()) + k;
    }
    if (changes) {
        // Inserted in ascending places, each is where its key stands once those before it are in.
        for (std::size_t k = 0; k < places.size(); ++k) {
            changes->push_back(KeyChange::insertion(places[k], added[k]));
        }
    }
    placeAt(places.data(), added.data(), added.size());
    rebuild();
    return places;
}

std::size_t Channel::runEnd(const KeyChanges& changes, std::size_t first) {
    const KeyChange::Kind kind = changes[first].kind;
    std::size_t end = first + 1;
    if (kind != KeyChange::Kind::Insert && kind != KeyChange::Kind::Remove) return end;
    const bool ascending = kind == KeyChange::Kind::Insert;
    while (end < changes.size() && changes[end].kind == kind &&
           (ascending ? changes[end].index > changes[end - 1].index
                      : changes[end].index < changes[end - 1].index)) {
        ++end;
    }
    return end;
}

void Channel::applyRun(const KeyChanges& changes, std::size_t first, std::size_t end,
                       bool forward) {
    if (end - first == 1) {
        apply(changes[first], forward);
        return;
    }
    // Insertions at ascending places, and their reversal, removals at descending places, put
    // every key at its final place; removals at descending places, and the reversal of those
    // insertions, take keys from places that none of the others moved.
    const bool insertion = changes[first].kind == KeyChange::Kind::Insert;
    std::vector<std::size_t> places;
    places.reserve(end - first);
    if (insertion == forward) {
        std::vector<BezierKey> keys;
        keys.reserve(end - first);
        for (std::size_t k = 0; k < end - first; ++k) {
            const KeyChange& c = changes[forward ? first + k : end - 1 - k];
            places.push_back(c.index);
            keys.push_back(forward ? c.after : c.before);
        }
        placeAt(places.data(), keys.data(), keys.size());
    } else {
        for (std::size_t k = 0; k < end - first; ++k) {
            places.push_back(changes[forward ? end - 1 - k : first + k].index);
        }
        eraseAt(places.data(), places.size());
    }
}

void Channel::placeAt(const std::size_t* places, const BezierKey* keys, std::size_t count) {
    std::vector<BezierKey> merged;
    merged.reserve(keys_.size() + count);
    auto old = keys_.begin();
    for (std::size_t k = 0; k < count; ++k) {
        const auto take = static_cast<std::ptrdiff_t>(places[k] - merged.size());
        merged.insert(merged.end(), old, old + take);
        old += take;
        merged.push_back(keys[k]);
    }
    merged.insert(merged.end(), old, keys_.end());
    keys_.swap(merged);
}

void Channel::eraseAt(const std::size_t* places, std::size_t count) {
    std::size_t to = places[0];
    std::size_t next = 0;
    for (std::size_t from = places[0]; from < keys_.size(); ++from) {
        if (next < count && from == places[next]) {
            ++next;
            continue;
        }
        keys_[to++] = keys_[from];
    }
    keys_.resize(to);
}

}  // namespace kvr
