#pragma once
// "Parvel.ini": where it lives, and the user settings it keeps.
//
// The file belongs in the program folder. An installed program folder is
// usually read-only, so the file then lives in the user's config folder;
// and when a write to the program folder fails anyway, later reads and
// writes of the run move there too, so no choice the user made is lost.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Host.h"

namespace parvel::ui {

inline constexpr std::string_view kIniName = "Parvel.ini";
inline constexpr std::string_view kIniSection = "Parvel";

struct SettingsLocation {
    std::string programFolder;  // ending in "/"
    std::string configFolder;   // ending in "/"; created when first written; empty: none
};
// The executable's folder and $XDG_CONFIG_HOME/parvel/ (~/.config/parvel/).
SettingsLocation defaultSettingsLocation();

class SettingsFile {
public:
    explicit SettingsFile(SettingsLocation location);

    // Where reads and writes go now.
    std::string path() const;
    // The path, after creating the file as "[Parvel]" and "LstDir = <program
    // folder>" when it cannot be read.
    std::string CheckP();

    // A key of section "Parvel"; empty when missing.
    std::string read(std::string_view key) const;
    // One atomic write of all pairs; false when no place took them.
    bool write(const std::vector<std::pair<std::string, std::string>>& pairs);
    bool write(std::string_view key, std::string_view value) {
        return write({{std::string(key), std::string(value)}});
    }

    const SettingsLocation& location() const { return m_location; }
    std::string programPath() const { return m_location.programFolder + std::string(kIniName); }
    // Empty when there is no config folder (no home folder).
    std::string configPath() const {
        return m_location.configFolder.empty() ? std::string()
                                               : m_location.configFolder + std::string(kIniName);
    }

private:
    bool programPathWritable() const;
    // Current text of the file that reads use; empty when there is none.
    std::string currentText() const;
    bool writeText(const std::string& file, const std::string& text);

    SettingsLocation m_location;
    bool m_fellBack = false;
};

// "True"/"False" in any case or a number (non-zero true); nullopt otherwise.
std::optional<bool> iniFlag(std::string_view text);
inline std::string iniWord(bool v) { return v ? "True" : "False"; }

// The three saved switches. Missing or empty keys take the designed initial
// marks (errors off, sounds on, music on); `badKeys` names keys whose text is
// no truth value (they take the initial mark too).
struct LoadedSettings {
    PlayerSettings settings;
    std::vector<std::string> badKeys;
};
LoadedSettings loadPlayerSettings(const SettingsFile& file);
bool savePlayerSettings(SettingsFile& file, const PlayerSettings& settings);

// A volume key: a whole number 0 to 100; anything else reads as 100.
int iniPercent(std::string_view text);

// The window's size: `Zoom` 1 to 4 (0 when missing or no such factor: the
// first start picks one) and `FullScreen`.
struct ViewSettings {
    int Zoom = 0;
    bool FullScreen = false;
};
ViewSettings loadViewSettings(const SettingsFile& file);

// The open dialog's starting folder: "LstDir", or the program folder when
// it is empty or names no folder.
std::string lastFolder(const SettingsFile& file);

}  // namespace parvel::ui
