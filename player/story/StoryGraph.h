#pragma once
// The story as a graph: every scene of a game and of the files it chains
// to, and every way the player can go from one scene to another. Built from
// the same reads and parsing the interpreter uses, so the map and play
// agree.

#include <array>
#include <string>
#include <vector>

namespace parvel::story {

enum class EdgeKind {
    Option,     // an option with a text, to its @Link target
    Random,     // an option whose @Link is RANDOM: one edge per possible target
    HotSpot,    // a hot spot of the walking sprite
    FightWin,   // the enemy falls: the @winscene in effect
    FightLose,  // the hero falls: the @losescene in effect
};

const char* kindName(EdgeKind kind);

struct StoryFile {
    std::string path;  // native path as the player opens it
    std::string name;  // file name, for display
    bool enciphered = false;
};

struct Scene {
    int file = 0;
    int slot = 0;
    int line = 0;                        // line of its header in the file
    std::string name;                    // script bytes
    std::string description;             // @description with its "\n" markers as line breaks
    std::array<std::string, 7> options;  // trimmed @option1..6 texts (slot 0 unused)
    std::vector<std::string> pictures;   // picture names the scene shows, in order, once each
    bool setup = false;  // the Setup or Title scene, not part of the story unless linked
};

struct Edge {
    int from = -1;
    int to = -1;  // scene index; -1 when the target is not defined
    EdgeKind kind = EdgeKind::Option;
    int option = 0;        // 1..6 for option and random edges
    std::string label;     // option or hot-spot text
    std::string target;    // the target as written ("" for a fight with none declared)
    int targetFile = 0;    // file the target is looked up in
    bool chained = false;  // leads into another file (@nextGfile)
};

struct StoryGraph {
    std::vector<StoryFile> files;  // files[0] is the game file
    std::vector<Scene> scenes;
    std::vector<Edge> edges;
    std::string title;       // the Title scene's @name
    std::string firstScene;  // Setup's @firstscene
    int start = -1;          // its scene, -1 when not defined
    // Chained files that could not be read, as "SCENE: message" pairs.
    std::vector<std::pair<std::string, std::string>> missingFiles;

    // The scene's name, with its file when that is not the game file.
    std::string displayName(int scene) const;
};

// Loads the game file as the player does (an enciphered one is deciphered)
// and every file its scenes chain to, each once.
StoryGraph buildStoryGraph(const std::string& gameFile);

}  // namespace parvel::story
