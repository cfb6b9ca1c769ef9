#pragma once
// Problems an author wants to hear about before players do, as findings
// that editors, CI annotators and the language server can place.
//
// A finding names the file it is in (the game file's path as the caller gave
// it; a chained file as that path's folder plus the file's name), the line
// (from 1) of the scene header or command it is about, and a stable code.
// Printed, a finding reads as compilers write theirs:
//     FILE:LINE: error: MESSAGE
//     FILE:LINE: warning: MESSAGE
//     FILE: error: MESSAGE          (no line applies)
// Codes never change meaning once given; messages may be reworded.

#include <string>
#include <vector>

namespace parvel {

enum class Severity { Error, Warning };

struct LintFinding {
    std::string file;  // path as given (bytes of the file system)
    int line = 0;      // 1-based; 0 when no line applies
    int column = 0;    // 1-based; 0 when no column applies
    Severity severity = Severity::Error;
    std::string code;     // stable short id, e.g. "undefined-scene"
    std::string message;  // script bytes (Windows-1252)
    std::string scene;    // the scene it concerns, "" for the file as a whole
};

struct LintOptions {
    // Whether texts are laid out in their labels as the window lays them out
    // (the game's font, word wrapping) to find those cut off. Needs the font
    // database: render::ensureFontDatabase on the main thread first.
    bool labelText = false;
};

// Loads the game as the player does and checks every scene: links to
// scenes that do not exist (options, random links, win and lose scenes,
// hot spots, the first scene), files that are not there (pictures, sprite
// frames, sounds, music, clips, the next game file), LF-only line ends,
// options past the sixth, and lists longer than they may be. Errors, and
// warnings for what plays but is likely not meant.
// With `labelText`, also texts longer than their labels show.
std::vector<LintFinding> lintGame(const std::string& gameFile, LintOptions options = {});

// Warnings about the story's shape: scenes no path from the first scene
// reaches, and parts of the story that can be entered but never left.
std::vector<LintFinding> lintStory(const std::string& gameFile);

// "FILE:LINE: error: MESSAGE", without a line end.
std::string formatFinding(const LintFinding& finding);
// The findings as a JSON array of objects with the keys file, line, column,
// severity ("error" or "warning"), code and message (UTF-8), then "\n".
std::string findingsToJson(const std::vector<LintFinding>& findings);

}  // namespace parvel
