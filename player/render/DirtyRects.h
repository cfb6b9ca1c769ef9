#pragma once
// The list of rectangles the next composition pass must redraw.
//
// Slot 0 always exists and is never drawn; AddDirty appends after the last
// slot; a pass draws slots 1..last and then shrinks the list to slot 0 alone.
// A slot whose right edge is 0 is skipped (Spotter blanks merged slots so).

#include <cstddef>
#include <vector>

#include "Geometry.h"

namespace parvel::render {

// The whole picture: every picture is clipped against it, so queuing it
// recomposes everything.
inline constexpr Rect FullFrameRect{0, 0, 280, 500};

class DirtyRects {
public:
    DirtyRects() : m_slots(1) {}

    // Index of the last slot (0 when nothing is queued).
    std::size_t last() const { return m_slots.size() - 1; }
    std::size_t size() const { return m_slots.size(); }
    Rect& operator[](std::size_t i) { return m_slots[i]; }
    const Rect& operator[](std::size_t i) const { return m_slots[i]; }

    void add(const Rect& r) { m_slots.push_back(r); }
    // Back to slot 0 alone.
    void reset() { m_slots.resize(1); }

private:
    std::vector<Rect> m_slots;
};

// Appends a copy of rect after the last slot.
void AddDirty(DirtyRects& dirty, const Rect& rect);

}  // namespace parvel::render
