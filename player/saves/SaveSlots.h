#pragma once
// Where a game's saves live and how they are written: one folder per game
// under $XDG_DATA_HOME/parvel/saves/ (~/.local/share/parvel/saves/), named
// after the game folder and a digest of the game file's full path, so two
// games with the same folder name never share saves while an edited game
// keeps its own. One file per slot, "<slot>.sav", written atomically.

#include <optional>
#include <string>
#include <vector>

#include "SaveFile.h"

namespace parvel {

class SaveSlots {
public:
    // No `root`: the default folder. An empty one, or no default because
    // the user has no home folder: saving is refused (kNoHomeFolder).
    explicit SaveSlots(std::optional<std::string> root = std::nullopt);
    // $XDG_DATA_HOME/parvel/saves or ~/.local/share/parvel/saves; empty
    // without a home folder.
    static std::string defaultRoot();
    // The folder name of a game's saves.
    static std::string gameKey(const std::string& gamePath);

    void setGame(const std::string& gamePath);
    const std::string& folder() const { return m_folder; }
    std::string fileOf(const std::string& slot) const;
    bool exists(const std::string& slot) const;

    struct Slot {
        std::string name;
        std::string scene;
        std::string firstLine;  // Windows-1252
        std::string savedAt;
        std::string thumbnailPng;
    };
    // Readable slots, newest first; unreadable ones are left out.
    std::vector<Slot> list() const;

    // Writes the slot; on failure the old file stays and `why` says what failed.
    bool write(const std::string& slot, const SaveState& state, std::string* why = nullptr) const;

    // The bytes of the slot's file, or nullopt when there is none.
    std::optional<std::string> readBytes(const std::string& slot) const;

private:
    std::string m_root;
    std::string m_folder;
};

}  // namespace parvel
