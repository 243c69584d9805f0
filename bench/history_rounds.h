// What re-sorting insertions cost the undo history and the channel, for the benchmark.
#pragma once

#include <vector>

#include "timeline/timeline_registry.h"

namespace kvr::bench {

// What the history holds, in megabytes, after 1,000 rounds of a key dragged past its
// neighbour and a key inserted, on a generated timeline of keyCount keys per channel that is
// added to the registry as "resort".
double dragPastAndInsertMegabytes(TimelineRegistry& registry, int keyCount);

// The times in milliseconds of `runs` insertions, recorded but without their rebuild, into a
// generated channel of keyCount keys in which a key was dragged past its neighbour: the
// re-sort alone.
std::vector<double> resortTimes(int keyCount, int runs);

}  // namespace kvr::bench
