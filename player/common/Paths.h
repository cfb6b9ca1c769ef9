#pragma once
// File names as game scripts write them, found on a Linux disk.
//
// Scripts were written for a system whose paths use "\" and ignore case.
// Both "\" and "/" separate components here; "C:\x" and "\x" are absolute;
// each component that does not exist as written is looked up without regard
// to case (folder listings are cached and refreshed when a folder changes).

#include <optional>
#include <string>
#include <string_view>

namespace parvel {

// The path with "/" separators, each component replaced by the name on disk
// that matches it without regard to case. Components that match nothing are
// kept as written, so a missing file stays missing.
std::string resolvePath(std::string_view path);

bool fileExists(std::string_view path);   // resolves first; regular files only
bool isAbsoluteScriptPath(std::string_view path);

// Everything up to and including the last "\" or "/"; empty when none.
std::string folderOf(std::string_view path);
// Everything after the last "\" or "/".
std::string fileNameOf(std::string_view path);

// Folder of the running executable, ending in "/".
std::string programFolder();
// A program-folder file: the executable's folder, then ../share/parvel/.
// Empty when neither has it.
std::string findProgramFile(std::string_view name);

// The user's folders for Parvel, each ending in "/": settings
// ($XDG_CONFIG_HOME/parvel/, else ~/.config/parvel/), data such as saves
// ($XDG_DATA_HOME/parvel/, else ~/.local/share/parvel/) and cache
// ($XDG_CACHE_HOME/parvel/, else ~/.cache/parvel/). The variables count only
// when they hold absolute paths; the home folder is $HOME when absolute,
// else the user's entry in the password database. Empty when there is no
// home folder: never a relative path, which would be the current folder.
std::string homeFolder();
std::string userConfigFolder();
std::string userDataFolder();
std::string userCacheFolder();
// Why a file that belongs in those folders cannot be written.
inline constexpr std::string_view kNoHomeFolder =
    "there is no home folder (HOME is not set and the user has none)";

// A private folder (mode 0700) for this run's temporary files, ending in "/";
// created on first use in $TMPDIR, /tmp, $XDG_RUNTIME_DIR or the settings
// folder, whichever works first, and removed with its contents when the
// program exits. Its name names its process, so a later run can remove it
// when that process was killed. Empty when none can be used.
std::string privateTempFolder();
// Removes the private folders of earlier runs whose processes are gone:
// only folders of this user named as privateTempFolder names them (and the
// saves folders older versions left in Qt's "qt_temp-" folders).
void removeStaleTempFolders();
// Creates `path` (which must not exist yet, not even as a link) and writes
// `data` into it; false when that cannot be done.
bool writeNewPrivateFile(const std::string& path, std::string_view data);
void removePrivateTempFolder();

// Whole-file read; empty optional when the file cannot be read.
std::optional<std::string> readWholeFile(std::string_view path);

}  // namespace parvel
