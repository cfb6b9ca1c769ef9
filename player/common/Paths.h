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

// A private folder (mode 0700) for this run's temporary files, ending in "/";
// created on first use in $TMPDIR, /tmp, $XDG_RUNTIME_DIR or the settings
// folder, whichever works first, and removed with its contents when the
// program exits. Empty when none of them can be used.
std::string privateTempFolder();
// Creates `path` (which must not exist yet, not even as a link) and writes
// `data` into it; false when that cannot be done.
bool writeNewPrivateFile(const std::string& path, std::string_view data);
void removePrivateTempFolder();

// Whole-file read; empty optional when the file cannot be read.
std::optional<std::string> readWholeFile(std::string_view path);

}  // namespace parvel
