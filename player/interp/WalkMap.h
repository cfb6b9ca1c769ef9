#pragma once
// Where a walking scene lets the walker go, found by walking it with the
// player's own rules (WalkRules): every x the sprite stands on after whole
// key presses from @X, and the hot spots it can never reach or take. For
// authors: Spotter draws and warns with it.

#include <string>
#include <vector>

#include "WalkRules.h"

namespace parvel {

// What the sprite commands of one scene set.
struct WalkScene {
    double x = 0;          // @X
    double step = 0;       // @xmove
    int standing = 0;      // S
    int walking = 0;       // W
    int overlayCount = 0;  // first-overlay entries: S + 2W unless the list was cut short
    HotSpots spots;
};

// The sprite speed bonuses of the speed menu.
inline constexpr int kSpriteSpeedBonuses[] = {0, 2, 5};

struct WalkReach {
    std::vector<double> places;       // standing x, ascending
    std::array<bool, 5> passed{};     // hot spots the walker walks over (1..4)
    std::array<bool, 5> taken{};      // ... that lead out of the scene when walked over
    std::array<bool, 5> ctrlTaken{};  // ... that Ctrl takes from a standing place
    bool cut = false;                 // stopped at the place limit
};

// Presses Right or Left once at a time from @X (keys released at once, Ctrl
// up) at the given speed bonus, from every place reached, as long as the
// place lies within [low, high]; a press that leads out adds no place.
WalkReach exploreWalk(const WalkScene& scene, int speedBonus, WalkRules rules, double low,
                      double high);

struct SpotWarning {
    int spot = 0;         // 1..4
    std::string message;  // script bytes (hot-spot texts are quoted in it)
};

// Hot spots that can never be reached or taken, or that play otherwise
// than they read, at any of the three sprite speeds. Only slots holding a
// record (x not -1000) are looked at.
std::vector<SpotWarning> walkWarnings(const WalkScene& scene, WalkRules rules, double low,
                                      double high);

}  // namespace parvel
