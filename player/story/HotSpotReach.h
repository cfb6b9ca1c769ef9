#pragma once
// Which hot spots of a walking scene the player can take, walked with the
// player's own rules: for the story map and lint, so both say what play does.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "WalkMap.h"

namespace parvel::story {

// The walking scene the sprite commands set up, read with `read` (a
// directive's cleaned value); nothing when the scene has no @X.
std::optional<WalkScene> walkSceneOf(const std::function<std::string(std::string_view)>& read,
                                     const std::string& pictureExtension);

// Hot spots (1..4) that lead out of the scene at any sprite speed: walked
// over, or (plain games) taken with Ctrl.
std::array<bool, 5> takenSpots(const WalkScene& scene, WalkRules rules);

// Hot spots the plain game can take that the enciphered game never takes,
// each with the reason in words ("hot spot 2 (x 48) can never be reached: ...").
std::vector<SpotWarning> lostOnceEnciphered(const WalkScene& scene);

}  // namespace parvel::story
