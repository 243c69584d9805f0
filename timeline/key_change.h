// KeyChange: one change an edit made to a channel's keys, kept so it can be taken back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "timeline/point2.h"

namespace kvr {

struct KeyChange {
    enum class Kind : std::uint8_t {
        Set,      // keys[index] went from before to after in place
        Insert,   // after was inserted at index
        Remove,   // before was removed from index
        Reorder,  // a span of keys was re-sorted: the key now at index + i was at
                  // index + order[i]
    };
    Kind kind = Kind::Set;
    std::size_t index = 0;
    BezierKey before;
    BezierKey after;
    std::vector<std::size_t> order;

    static KeyChange set(std::size_t index, const BezierKey& before, const BezierKey& after) {
        return {Kind::Set, index, before, after, {}};
    }
    static KeyChange insertion(std::size_t index, const BezierKey& after) {
        return {Kind::Insert, index, {}, after, {}};
    }
    static KeyChange removal(std::size_t index, const BezierKey& before) {
        return {Kind::Remove, index, before, {}, {}};
    }
};

// What one edit did, in the order it did it.
using KeyChanges = std::vector<KeyChange>;

// Whether two keys hold the same bits: an edit that wrote 0 over -0 did change the key.
bool sameBits(const BezierKey& a, const BezierKey& b);

}  // namespace kvr
