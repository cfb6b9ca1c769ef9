#pragma once
// Headless play from a list of input commands, for authors testing a
// walkthrough and for our own tests.
//
// Input, one command per line ("#" starts a comment):
//   open | click | option N | hover N | key K | keydown K | keyup K
//   wait S | menu NAME | answer yes|no | snapshot | picture FILE
//   save NAME | load NAME | continue | back | history | restart
//   pad B | paddown B | padup B | padaxis AXIS VALUE
//   reload | goto SCENE | points HERO ENEMY
// where K is a letter, "left", "right" or "ctrl", S virtual seconds, and
// NAME one of sounds, music, errors, speed0, speed2, speed5 (the speeds,
// like the window's menu, only while a sprite scene plays; otherwise the
// replay prints "menu: NAME disabled"), readaloud (which adds a "speech:"
// event for each line Read Aloud would say). "save" and "load" work on save
// slots (events "saved: NAME", "loaded: NAME"), "continue" loads the
// autosave as File > Continue does, "back" returns to the start of the
// previous scene, "history" prints the story so far and a blank line, and
// "restart" closes the player as the window's close button would (which
// autosaves) and starts a fresh one on the same game. Commands run one
// after another at the current virtual time; only "wait" moves it on.
// For authors: "reload" reads the game's files again and plays the current
// scene from its start with the state it started with (event
// "reloaded: SCENE"; a scene the files lost gives way to the first scene,
// "reloaded: FIRST (no scene "OLD" any more)"; a file that cannot be read
// or holds no scene changes nothing, "reload: WHY"); "goto SCENE" leaves
// the scene as a link would and starts SCENE (the rest of the line; on the
// title screen it starts there; "goto: no scene "X"" when there is none);
// "points HERO ENEMY" sets the hero's and enemy's points ("-" keeps one).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Result.h"

namespace parvel {

struct ReplayStep {
    enum class Kind {
        Open, Click, Option, Hover, Key, KeyDown, KeyUp, Wait, Menu, Answer, Snapshot, Picture,
        Save, Load, Continue, Back, History, Restart, Pad, PadDown, PadUp, PadAxis,
        Reload, Goto, Points
    };
    Kind kind = Kind::Click;
    int number = 0;          // option and hover number, key code, pad button or axis
    int value = 0;           // pad axis position
    double seconds = 0;      // wait
    std::string text;        // menu name, answer, picture file, save slot, scene
    bool keepHero = false, keepEnemy = false;  // points: "-" for one of them
    int line = 0;            // of the input text, from 1
};

// Parses the input text; the error names the line and what is wrong.
Result<std::vector<ReplayStep>> parseReplay(std::string_view text);

// The seed a walkthrough asks for with a line "# seed N" (the first such
// line), so each walkthrough of a game can play with its own.
std::optional<std::uint32_t> replaySeed(std::string_view text);

// Plays `gameFile` through the steps and reports every event line through
// `out` (Windows-1252 bytes, no line end). Problems that are not events
// (a picture that cannot be written) go to `err`. Frames that nothing can
// see are not drawn unless `everyFrame` asks for them; the events and the
// pictures written are the same either way. Saves go to `savesFolder`
// (empty: a private temporary folder, removed afterwards). Steps that
// cannot act when they come (an option the scene does not show, a walking
// key in a scene without a walking figure, a load of a slot that is not
// there) are told to `warn` with their input line.
void runReplay(const std::string& gameFile, const std::vector<ReplayStep>& steps,
               std::uint32_t seed, const std::function<void(std::string_view)>& out,
               const std::function<void(std::string_view)>& err = {}, bool everyFrame = false,
               const std::string& savesFolder = {},
               const std::function<void(int line, std::string_view message)>& warn = {});

}  // namespace parvel
