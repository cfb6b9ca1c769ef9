#pragma once
// A game's presentation settings from its "Setup" scene, and opening a game
// onto its title screen.

#include <optional>
#include <string>
#include <string_view>

#include "GameScript.h"
#include "Host.h"

namespace parvel {

class SceneTable;

inline constexpr Colour kDefaultTextColour = 49152;         // green 192
inline constexpr Colour kDefaultMouseOverColour = 12632064; // green 192, blue 192
inline constexpr Colour kFreshMaximumColour = 49344;        // red 192, green 192

struct GameSetup {
    std::string musicDir;  // each ends in "\"; game folder in front unless absolute
    std::string imageDir;
    std::string soundDir;
    Colour backColour = 0;
    Colour textColour = kDefaultTextColour;
    Colour mouseOverColour = kDefaultMouseOverColour;
};

// A colour as Setup writes it: "H" and a decimal 0x00BBGGRR number, or
// three 3-digit groups red, green, blue ("255128000"). Empty when the text
// is neither.
std::optional<Colour> parseSetupColour(std::string_view text);

// The game folder: everything up to the last "\" or "/" of the path.
std::string gameFolderOf(std::string_view path);

// Reads the Setup scene of the loaded game at `path` into `setup` and the
// window (colours, font, background picture, media folders).
void ApplySetup(Host& host, SceneTable& table, GameSetup& setup, const std::string& path);

// Fingerprints and loads the game, applies Setup to `setup` and to the
// window, and shows the Title scene's credits. The game then waits for the
// first click.
void OpenGame(Host& host, GameScript& game, SceneTable& table, GameSetup& setup,
              const std::string& path);

}  // namespace parvel
