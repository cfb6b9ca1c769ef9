#pragma once
// Game folders written by the tests: a script and empty (or given) files.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "HeadlessHost.h"
#include "SceneTable.h"

namespace fs = std::filesystem;

class GameFolder {
public:
    explicit GameFolder(const std::string& tag) {
        root = fs::temp_directory_path() /
               ("parvel-filecheck-" + tag + "-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    ~GameFolder() { fs::remove_all(root); }

    // Script text with LF line ends written as CR LF, the way game files are.
    std::string script(const std::string& name, const std::string& lf) {
        std::string text;
        for (char c : lf) {
            if (c == '\n') text += "\r\n";
            else text.push_back(c);
        }
        return file(name, text);
    }
    std::string file(const std::string& relative, const std::string& data = {}) {
        const fs::path p = root / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
        return p.string();
    }
    void files(const std::string& folder, const std::vector<std::string>& names) {
        for (const auto& n : names) file(folder.empty() ? n : folder + "/" + n);
    }
    std::string path(const std::string& relative) const { return (root / relative).string(); }

    fs::path root;
};

// The player's loading path, on a headless host.
struct LoadedGame {
    explicit LoadedGame(const std::string& path, parvel::Host& host) : table(host) {
        game.path = path;
        table.LoadGameScript(game);
    }
    parvel::SceneTable table;
    parvel::GameScript game;
};

// The sample game most cases use: pictures, sprites, sounds and music named
// in mixed case, with both separators.
inline const char* kSampleScript =
    "[Setup]\n@firstscene = Hall\n@imagedir = Art\\Pics\n@sounddir = Snd/\n@musicdir = music\n"
    "[Title]\n@name = Sample\n"
    "[Hall]\n@image = art\\pics\\Room.BMP\n@anim = a1.bmp, A2.BMP,\n@layeranim = Layer/L1.bmp\n"
    "@sound = ding.wav\n@music = Theme.MID\n@description = A hall.\n"
    "[Yard]\n@standingsprite = 4.hero\n@walkingsprite =  3.man \n"
    "@multisound = step.wav, Step2.WAV\n@layeranim2 = sea.bmp\n"
    "[Intro]\n@sound = Intro.mid\n//@image = Commented.bmp\n";

inline void writeSampleGame(GameFolder& g) {
    g.script("game/Gamefile.txt", kSampleScript);
    g.files("game/Art/PICS",
            {"Room.bmp", "a1.BMP", "a2.bmp", "L1.bmp", "sea.bmp", "a.bmp", "Wood.BMP", "hero1.bmp",
             "hero2.bmp", "hero3.bmp", "hero4.bmp", "hero5.bmp", "manR1.bmp", "manR2.bmp",
             "manR3.bmp", "manR4.bmp", "manL1.bmp", "manL3.bmp", "notes.txt", "old.clp",
             "hero1.clP", "Commented.bmp"});
    fs::create_directories(g.root / "game/Art/PICS/Sub.bmp");
    g.files("game/Snd", {"ding.wav", "STEP.wav", "step2.wav", "Boom.WAV", "readme.txt", "x.mid"});
    g.files("game/Music", {"theme.mid", "Battle.MID", "intro.MID", "ding.wav"});
}
