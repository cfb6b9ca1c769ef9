#pragma once
// The state of the window as a block of "name: value" lines, the same for
// `tavi play` and for a running player asked to describe itself.

#include <string>
#include <vector>

namespace parvel {

class Player;

// scene, title, text, option1..option6, hero, heromax, enemy, enemymax,
// frames, sprite, then an empty line. Line breaks in label texts are
// written as "\n".
std::vector<std::string> snapshotLines(Player& player);

}  // namespace parvel
