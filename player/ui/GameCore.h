#pragma once
// What the main window drives: the player core behind its input handlers.
// The window talks to this instead of to Player directly so its own
// behaviour (menus, geometry, key mapping, settings) is testable with a
// recording stand-in.

#include <QImage>
#include <string>

#include "GameScript.h"
#include "SceneTable.h"

namespace parvel {
class GameSaves;
}

namespace parvel::ui {

class GameCore {
public:
    virtual ~GameCore() = default;
    virtual void startUp() = 0;
    // Runs until the host quits.
    virtual void MainLoop() = 0;
    virtual void openGame(const std::string& path) = 0;
    virtual void click() = 0;
    virtual void keyDown(int keyCode) = 0;
    virtual void keyUp(int keyCode) = 0;
    virtual void optionHover(int k) = 0;
    virtual void optionClick(int k) = 0;
    virtual void shutdown(bool fromExitCommand) = 0;
    // The composed scene picture (200 x 115); null before start-up.
    virtual const QImage* picture() = 0;
    // Path of the open game; empty when none.
    virtual std::string gamePath() const = 0;
    // The open game and its scenes, for the unused-files check; null when
    // the core keeps none.
    virtual const GameScript* game() const { return nullptr; }
    virtual SceneTable* scenes() { return nullptr; }
    // Saves, Back and the story so far; null when the core keeps none.
    virtual GameSaves* saves() { return nullptr; }
    // The volume settings changed: the output follows at once.
    virtual void volumeChanged() {}
    // A soundfont for the next song; empty when it loaded, else why not.
    virtual std::string switchSoundFont(const std::string&) { return "there is no music output"; }
};

}  // namespace parvel::ui
