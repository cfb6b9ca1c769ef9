#pragma once
// Spotter's one addition to the dirty-rectangle scheme: quick mouse moves
// queue many overlapping rectangles, so overlapping ones are merged before
// drawing, and a burst of more than ten becomes one whole redraw.

#include "DirtyRects.h"

namespace spotter {

// With n = last slot: n ≤ 2 changes nothing; n > 10 leaves slot 0 and the
// whole-picture rectangle; otherwise every live slot i ≥ 2 absorbs each
// other live slot j ≥ 2 that it intersects (half-open test), which becomes
// (0, 0, 0, 0). Slot 1 takes no part.
void MergeDirty(parvel::render::DirtyRects& dirty);

}  // namespace spotter
