// Keeping each axis of the view rectangle drawable: finite edges, in order, a finite extent.
#pragma once

namespace kvr {

// Whether low…high can be an axis of the view: both edges finite, low below high, and the
// extent high − low finite too (the zoom and the pointer mapping compute with it).
bool usableSpan(float low, float high);

// Leaves a usable low…high as it is. Otherwise makes it the widest usable span about centre
// that is no wider than 2 × half: a centre past the float range is taken at its end, and where
// floats cannot be that narrow there, the span is one float step to each side of the centre.
void keepSpanUsable(float& low, float& high, double centre, double half);

// Moves each edge by fraction of its distance toward anchor (away for a negative fraction),
// each from its value before. Past the float range, or narrower than floats tell apart, the
// span stays about its old centre: zooming out further than the range allows stops growing it
// rather than drifting it away.
void zoomSpan(float& low, float& high, float anchor, float fraction);

// Moves both edges by the same amount. At the end of the float range the span narrows about
// where it was sent rather than becoming infinite; where the two edges would round together it
// keeps a float step each side.
void shiftSpan(float& low, float& high, float by);

}  // namespace kvr
