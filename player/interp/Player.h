#pragma once
// The player's core: the loaded game, the scene interpreter and everything
// it shares with the window's input handlers. It knows nothing of widgets;
// it talks to the window only through the Host, and the window (or the
// headless replay) calls the handler functions below.
//
// Runs never nest: a handler that would start play (the first click on a
// title screen, an option chosen before the interpreter runs) only asks for
// it; the run that is playing ends at its next event-processing point and
// MainLoop starts the new one.

#include <QImage>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "GameScript.h"
#include "GameSetup.h"
#include "Host.h"
#include "InterpState.h"
#include "Render.h"
#include "SaveState.h"
#include "SceneTable.h"

namespace parvel {

class MediaSystem;
class PictureCache;

// The local time as saves show it, "YYYY-MM-DD HH:MM:SS".
std::string localTimeNow();

// The window's video area, as clips name it when they open.
inline constexpr std::int32_t kVideoAreaHandle = 2;

// Key codes the handlers take (the window maps its own key events to them).
namespace key {
inline constexpr int Left = 37;
inline constexpr int Right = 39;
inline constexpr int Ctrl = 17;
inline constexpr int A = 65, S = 83, D = 68, F = 70, G = 71, Z = 90;
}  // namespace key

class Player {
public:
    // `media` may be null: then nothing sounds and no video plays.
    Player(Host& host, MediaSystem* media);
    ~Player();

    // Start-up picture and back buffer from the program folder; fading off;
    // the whole frame queued.
    void startUp();

    // The idle loop: sound-sequence step, Render, then sleep until input.
    // Plays the scenes that input asks for. Returns when the host quits.
    void MainLoop();

    // ---- Input handlers ------------------------------------------------
    // The Open command once a file has been chosen: stops the music, clears
    // the previous game's labels and opens `path` on its title screen. While
    // a scene plays, the scene ends first and MainLoop then opens the game,
    // so the old scene cannot write over the new title screen.
    void openGame(const std::string& path);
    // A click on the window, Label2 or Picture1: starts a game waiting on
    // its title screen.
    void click();
    void keyDown(int keyCode);
    void keyUp(int keyCode);
    // Option labels, k = 1..6.
    // k = 0: the pointer left the window.
    void optionHover(int k);
    void optionsLeft();
    void optionClick(int k);
    // Shut-down: closes video and music and cuts off any sound. The exit
    // command and closing the window differ only in the path they cut with.
    void shutdown(bool fromExitCommand);

    // ---- State the window and tools read --------------------------------
    Host& host() { return m_host; }
    MediaSystem* media() { return m_media; }
    render::RenderState& render() { return *m_render; }
    const GameScript& gameScript() const { return m_game; }
    SceneTable& sceneTable() { return m_table; }
    const GameSetup& setup() const { return m_setup; }
    const SharedState& shared() const { return m_shared; }
    const CombatState& combat() const { return m_combat; }
    const SceneState& scene() const { return m_scene; }
    bool spriteOn() const { return m_scene.sprite.on; }

    // Composes the queued rectangles onto Picture1 and tells the host.
    void Render();

    // Called with "scene: NAME" and "sound: FILE" lines as play goes on.
    std::function<void(std::string_view)> onEvent;

    // Runs one scene name from the start (what the first click does); for
    // tests and tools that skip the title screen.
    void requestStart(const std::string& scene);

    // ---- Saves, going back and the story so far --------------------------
    // Every scene pass starts by taking its state; this reports it (the
    // autosave writes it).
    std::function<void(const SaveState&)> onSceneStart;
    // The scene's first frame is on screen (its picture is the one to show).
    std::function<void()> onSceneShown;
    // The picture box as it shows now, as PNG.
    std::string pictureNowPng() const;
    // What a save of the game playing now holds: the state at the start of
    // its scene with the story up to that scene. None before the first scene.
    std::optional<SaveState> saveState() const;
    // Whether `state` can be played here: empty when it can, otherwise the
    // reason. `changed` tells whether a game file differs from when it was
    // saved.
    std::optional<std::string> checkSave(const SaveState& state, bool* changed = nullptr) const;
    // Plays on from a checked state: its game, every value it holds, and its
    // scene from the start. A scene playing now ends first.
    void restore(SaveState state);
    // Back to the start of the previous scene, as it was then.
    bool canGoBack() const;
    bool goBack();
    static constexpr size_t kBackSteps = 100;
    // The scene texts seen in this playthrough with the option chosen after each.
    const std::vector<HistoryEntry>& history() const { return m_history; }

    // ---- Author mode (AuthorCommands.cpp) --------------------------------
    // Reads the game's files again and plays the scene playing now from its
    // start, with the state it started with (what a save at that start
    // keeps), exactly as loading such a save into the edited game would. A
    // scene the files no longer have gives way to the first scene; a game
    // file that cannot be read or holds no scene leaves play as it is (an
    // editor may be half-way through writing it). On the title screen the
    // game opens again. Reports one "reloaded: SCENE" or "reload: PROBLEM"
    // event.
    struct ReloadOutcome {
        bool reloaded = false;
        std::string scene;   // the scene that starts; empty on the title screen
        std::string status;  // one line for a status bar (script bytes)
    };
    ReloadOutcome reload();
    // Leaves the scene playing now as a link would and starts `scene` with
    // the state as it is; on the title screen it starts there instead of
    // the first scene. False (with a "goto: no scene" event) when the game
    // has no such scene.
    bool goTo(const std::string& scene);
    // The hero's and enemy's points, for trying a fight; a maximum below
    // the new points rises to them.
    void setPoints(std::optional<std::int32_t> hero, std::optional<std::int32_t> enemy);
    // The files worth watching for edits: every game file loaded, then the
    // pictures, sounds and clips the scene playing now names (existing files
    // only, at most `limit`).
    std::vector<std::string> authorFiles(size_t limit = 40) const;
    // Every scene the game holds now, in slot order, with where its header
    // stands in its file (as on disk now) and the first words of its text.
    struct SceneEntry {
        int slot = 0;
        std::string name;        // script bytes
        std::string file;        // native path; empty when no file on disk has it
        int line = 0;            // of its "[" header, from 1
        std::string firstWords;  // script bytes
    };
    std::vector<SceneEntry> sceneIndex() const;

private:
    friend class SceneRunner;

    bool superseded(int generation) const;

    Host& m_host;
    MediaSystem* m_media;
    std::unique_ptr<render::BitmapErrorReporter> m_reporter;
    std::unique_ptr<render::RenderState> m_render;
    std::unique_ptr<PictureCache> m_pictures;
    GameScript m_game;
    SceneTable m_table;
    GameSetup m_setup;
    SharedState m_shared;
    CombatState m_combat;
    SceneState m_scene;
    void openNow(const std::string& path);

    // Saves.
    SaveState captureState(int instantPasses);
    template <class S, class Transfer>
    void eachKeptValue(S& s, Transfer transfer);
    struct PngMemo {
        QImage last;
        std::string bytes;
        const std::string& png(const QImage& image);
    };
    PngMemo m_pictureMemo, m_backBufferMemo;
    void sceneStarted(SaveState state);
    struct PendingRestore {
        SaveState state;
        bool goingBack;
        size_t historyLength;
        bool reloadFiles = false;  // read the files again even when they are the ones loaded
    };
    void queueRestore(PendingRestore restore);
    void restoreNow(PendingRestore restore);
    void recordSceneText();
    void recordChoice(int option);
    void recordWalk();
    void sceneShown();
    struct BackStep {
        SaveState state;
        size_t historyLength;
    };
    std::deque<BackStep> m_back;  // the scene playing now last
    std::vector<HistoryEntry> m_history;
    std::optional<size_t> m_passEntry;  // this pass's history entry
    std::vector<std::pair<std::string, std::string>> m_loaded;  // game files and digests, in load order
    std::optional<PendingRestore> m_pendingRestore;
    std::optional<int> m_resumePasses;  // the next run resumes a saved pass
    bool m_namesClips = false;  // some scene of the loaded files has @media
    bool showsClip(int slot) const;
    void noteClips();

    std::optional<std::string> m_pendingStart;
    bool m_startLeavesScene = false;  // the pending start is a goto: leave the scene as a link does
    std::optional<std::string> m_pendingOpen;
    int m_playing = 0;  // scene runs under way (0 or 1)
    int m_generation = 0;
    bool m_walkAnnounced = false;  // Read Aloud tells how to walk once a run
};

}  // namespace parvel
