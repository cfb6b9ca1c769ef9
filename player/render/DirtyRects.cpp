#include "DirtyRects.h"

namespace parvel::render {

void AddDirty(DirtyRects& dirty, const Rect& rect) { dirty.add(rect); }

}  // namespace parvel::render
