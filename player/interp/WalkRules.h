#pragma once
// How the walking sprite moves and meets its hot spots, one frame tick at a
// time: the rules the interpreter plays by and Spotter walks by. Nothing
// here draws or touches a window; a tick says which texts show, which frame
// to show and which hot spot leads out, and the caller does it.
//
// Plain games: Ctrl takes a hot spot whose action is "Y" from within 5
// pixels; a hot spot the sprite passes shows its text, "R"/"L" undo the move
// that passed it, and one with a target leads out (for action "Y" only while
// Ctrl is held). Enciphered games have no Ctrl, texts or blocking: passing a
// hot spot with a target leads out.

#include <array>
#include <optional>

#include "InterpState.h"

namespace parvel {

enum class WalkRules { Plain, Enciphered };

using HotSpots = std::array<HotSpot, 5>;  // 1..4

// The walk keys as the input handlers left them. A tick clears `right` or
// `left` when a released key ends its cycle or a hot spot leads out.
struct WalkKeys {
    bool right = false;
    bool left = false;
    bool held = false;    // WalkKeyHeld
    bool action = false;  // ActionKey
};

// One direction's move within a tick.
struct WalkMove {
    std::array<int, 4> shown{};  // hot spots whose text shows, in this order
    int shownCount = 0;
    unsigned passed = 0;  // bit i: the sprite walked over hot spot i, whatever it did
    int leave = 0;  // the hot spot that leads out of the scene; 0: none
    int entry = 0;  // first-overlay entry to show when none leads out
};

struct WalkTick {
    int actionSpot = 0;              // taken by Ctrl before any move; 0: none
    std::array<WalkMove, 2> moves{};  // walking right first, then left
    int moveCount = 0;
    std::optional<int> standing;     // the entry to show when the sprite stood
    // The hot spot that leads out of the scene in this tick; 0: none.
    int leave() const;
};

// The hot spot (1..4) whose action is "Y" within 5 pixels of x; 0: none.
int actionKeySpot(double x, const HotSpots& spots);

// One tick of the sprite: `step` is @xmove plus the sprite speed bonus,
// `overlayCount` the first overlay's entry count and `overlayCounter` its
// frame counter (the standing animation). Stops at the hot spot that leads
// out, leaving the sprite as that move left it.
WalkTick walkTick(WalkingSprite& sprite, int& overlayCounter, int overlayCount,
                  const HotSpots& spots, double step, WalkKeys& keys, WalkRules rules);

}  // namespace parvel
