// Long timelines for the benchmarks, as a captured motion would give them.
#pragma once

#include <memory>

#include "timeline/timeline.h"

namespace kvr::bench {

// keyCount keys per channel, one every 10 time units from time 0, each with an in-handle 3
// units before and an out-handle 3 units after its point, as three-argument keys are written.
// Every value in the timeline is a different multiple of 0.01, so a written file holds as
// many distinct numbers as it can. The values rise slowly from -200, so the keys near the
// start lie inside the editor's first view.
std::shared_ptr<Timeline3> generateTimeline(int keyCount);

}  // namespace kvr::bench
