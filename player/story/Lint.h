#pragma once
// Problems an author wants to hear about before players do.

#include <string>
#include <vector>

namespace parvel {

struct LintProblem {
    std::string scene;    // script bytes
    std::string message;  // "SCENE: message" when printed
    bool warning = false;  // the message starts "warning: "
};

// Loads the game as the player does and checks every scene: links to
// scenes that do not exist (options, random links, win and lose scenes,
// hot spots, the first scene), files that are not there (pictures, sprite
// frames, sounds, music, clips, the next game file), LF-only line ends,
// options past the sixth, and lists longer than they may be.
std::vector<LintProblem> lintGame(const std::string& gameFile);

// Warnings about the story's shape: scenes no path from the first scene
// reaches, and parts of the story that can be entered but never left.
std::vector<LintProblem> lintStory(const std::string& gameFile);

}  // namespace parvel
