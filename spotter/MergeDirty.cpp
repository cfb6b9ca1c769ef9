#include "MergeDirty.h"

#include <algorithm>

namespace spotter {

using parvel::render::FullFrameRect;
using parvel::render::IntersectRect;
using parvel::render::Rect;

void MergeDirty(parvel::render::DirtyRects& dirty) {
    const std::size_t n = dirty.last();
    if (n <= 2) return;
    if (n > 10) {
        dirty.reset();
        dirty.add(FullFrameRect);
        return;
    }
    for (std::size_t i = 2; i <= n; ++i) {
        if (dirty[i].right == 0) continue;
        for (std::size_t j = 2; j <= n; ++j) {
            if (j == i || dirty[j].right == 0) continue;
            if (!IntersectRect(dirty[i], dirty[j])) continue;
            Rect& a = dirty[i];
            const Rect& b = dirty[j];
            a = {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                 std::max(a.bottom, b.bottom)};
            dirty[j] = {0, 0, 0, 0};
        }
    }
}

}  // namespace spotter
