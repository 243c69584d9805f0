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

// keyCount keys per channel packed into the first view's 0..800, each channel's values jumping
// about within a band 50 units high (band + 50 x frac(i x 7.919) for the i-th key), so that the
// curve swings across dozens of rows inside every pixel column. The bands lie apart, one per
// channel; handles sit on their points.
std::shared_ptr<Timeline3> swingingTimeline(int keyCount);

// The generated timeline squeezed into the first view: times into 0..800, values into
// -200..200, so that every key and sample of it is on screen at once.
std::shared_ptr<Timeline3> packedTimeline(int keyCount);

}  // namespace kvr::bench
