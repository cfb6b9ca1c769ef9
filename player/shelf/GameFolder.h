#pragma once
// What makes a folder a game: a game file named "Gamefile.txt" or
// "GameFile.Cgm", in any letter case.

#include <optional>
#include <string>
#include <string_view>

namespace parvel::shelf {

// True for "gamefile.txt" and "gamefile.cgm" in any case.
bool isGameFileName(std::string_view name);

// The game file in `folder` (a UTF-8 path); the plain script when both forms
// are there, since that is the one its author edits. Nullopt when none.
std::optional<std::string> findGameFile(const std::string& folder);

// A path given by the user (a game file or a game folder) as the game file
// to open; nullopt when a folder holds none.
std::optional<std::string> gameFileFor(const std::string& path);

}  // namespace parvel::shelf
