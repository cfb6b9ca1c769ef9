#pragma once
// `tavi lint`'s findings, placed in the game's files for an editor.

#include <string>
#include <vector>

#include "ScriptIndex.h"

namespace parvel::lsp {

struct Game;

struct Finding {
    int file = 0;  // in game.files
    Span span;
    bool warning = false;
    std::string code;
    std::string message;  // script bytes
};

// Lints the game through the core (reading open buffers in place of their
// files) and places each finding on the text it is about.
std::vector<Finding> lintFindings(const Game& game);

}  // namespace parvel::lsp
