#include "Geometry.h"

#include <algorithm>

namespace parvel::render {

std::optional<Rect> IntersectRect(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.left >= r.right || r.top >= r.bottom) return std::nullopt;
    return r;
}

}  // namespace parvel::render
