#pragma once
// Rectangles as the game's pictures use them: left, top, right, bottom, each
// 32-bit signed. Whether right and bottom are inclusive depends on who made
// the rectangle (a loaded picture's rect is half-open, a centred one is
// inclusive); the drawing code treats the intersection as inclusive.

#include <cstdint>
#include <optional>

namespace parvel::render {

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    friend bool operator==(const Rect&, const Rect&) = default;
};

// The platform's rectangle test: the half-open intersection, empty when the
// overlap has no area. Two rectangles that only touch do not intersect.
std::optional<Rect> IntersectRect(const Rect& a, const Rect& b);

}  // namespace parvel::render
