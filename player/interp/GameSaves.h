#pragma once
// The save commands of the window and of `tavi play`: save and load slots,
// Continue, Back and the autosave, with the messages a player sees when
// something is wrong. Every failure leaves the game and every other save as
// they were.

#include <functional>
#include <optional>
#include <string>

#include "Player.h"
#include "SaveSlots.h"

namespace parvel {

inline constexpr std::string_view kAutosaveSlot = "autosave";
inline constexpr std::string_view kQuickSlot = "quick";
// Starting the game afresh keeps the autosave it replaces under this name.
inline constexpr std::string_view kPreviousAutosaveSlot = "previous-autosave";

class GameSaves {
public:
    // No `root`: the default saves folder (see SaveSlots).
    GameSaves(Player& player, std::optional<std::string> root = std::nullopt);

    // The window keeps the autosave at every scene start, so a crash loses
    // at most the scene playing; a headless run, which can pass thousands of
    // scenes a second, keeps it when it ends.
    void setAutosaveEachScene(bool on) { m_eachScene = on; }

    // The game whose saves these are (call when a game opens).
    void setGame(const std::string& gamePath);
    SaveSlots& saveSlots() { return m_slots; }
    bool hasGame() const { return !m_gamePath.empty(); }
    bool hasAutosave() const { return m_slots.exists(std::string(kAutosaveSlot)); }

    // Each reports "saved: NAME" / "loaded: NAME" through the player's
    // events, or shows a message and returns false.
    bool save(const std::string& slot);
    bool load(const std::string& slot);
    bool continueGame() { return load(std::string(kAutosaveSlot)); }
    bool back();
    bool canGoBack() const { return m_player.canGoBack(); }
    // The autosave of the scene playing now (closing the window, restart).
    void saveOnExit();

    // The story so far as plain text, oldest first: each scene's text, then
    // "> " and the option chosen after it; scenes apart by a blank line.
    std::string storySoFar() const;

    // After a game opens and each scene start (Back and Continue may have changed).
    std::function<void()> onChanged;

private:
    void autosave(SaveState state);
    void report(const std::string& line);

    Player& m_player;
    SaveSlots m_slots;
    std::string m_gamePath;
    bool m_autosaveFailed = false;  // told once per game
    bool m_eachScene = true;
    // The autosave of the scene starting now, until its first frame shows.
    std::optional<SaveState> m_pendingAutosave;
    bool m_freshStart = true;  // no save loaded since the game opened
};

}  // namespace parvel
