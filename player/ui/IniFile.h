#pragma once
// The settings file's text format, read and written the way the old profile
// functions did: "[Section]" lines, "key=value" lines, names compared without
// regard to case, values trimmed, CR LF line ends. Lines we do not touch are
// kept byte for byte, so keys other programs or other parts of Parvel wrote
// survive every write.

#include <optional>
#include <string>
#include <string_view>

#include "AtomicFile.h"

namespace parvel::ui {

// Reads went through a 250-byte buffer: at most 249 characters come back.
inline constexpr std::size_t kIniValueLimit = 249;

// The key's value in `text` (the whole file), or empty when the section or
// key is missing. Matching quotes around the value are dropped.
std::string iniLookup(std::string_view text, std::string_view section, std::string_view key);

// `text` with the key set to `value`: an existing key line is rewritten as
// "key=value", a new key goes after the last line of its section, a new
// section is appended at the end.
std::string iniUpdate(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value);

// File forms. A missing or unreadable file reads as empty.
std::string ReadIniValue(const std::string& file, std::string_view key, std::string_view section);
// Atomic: the new file is written beside the old one and renamed over it.
// False when the value holds a line break or the file cannot be written.
bool WriteIniValue(const std::string& file, std::string_view key, std::string_view value,
                   std::string_view section);

// The bytes of a regular file; empty optional for anything else.
std::optional<std::string> readIniText(const std::string& file);

// Whole-file atomic write (temp file in the same folder, then rename).
using parvel::writeFileAtomically;

}  // namespace parvel::ui
