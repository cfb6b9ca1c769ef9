#pragma once
// The save file: a small, versioned text format, one "key=value" line per
// value, so a person can read what a save holds.
//
//   Parvel save 1
//   game=/home/ann/games/castle/Gamefile.txt
//   scene=Hall
//   ...
//   check=1a2b3c4d
//
// Values are bytes with "%" and every byte below 32, 127 and above escaped
// as "%XX". Keys that repeat (loaded files, history, rectangles) keep their
// order. Pictures are PNG in base64. The last line is the CRC-32 of every
// byte before it, so a cut or garbled file is recognised rather than loaded.

#include <string>
#include <string_view>

#include "Result.h"
#include "SaveState.h"

namespace parvel {

inline constexpr int kSaveVersion = 1;

// What the player itself puts into a save, and so all a save may hold: the
// picture box's size and the one layout the blitters draw on (QImage's
// Format_RGB32), the largest picture the player decodes, the scene table's
// slots. A save is shared like any other file and read as untrusted input.
inline constexpr int kSavedPictureWidth = 200;
inline constexpr int kSavedPictureHeight = 115;
inline constexpr int kSavedPictureFormat = 4;
inline constexpr long long kMaxSavedPictureBytes = 4ll * 1024 * 1024;
inline constexpr int kMaxSceneSlot = 700;
// Bounds on what a long game may gather, far above what one plays into.
inline constexpr std::size_t kMaxLoadedFiles = 1000;
inline constexpr std::size_t kMaxDirtyRects = 4096;
inline constexpr long long kMaxSaveFileBytes = 256ll * 1024 * 1024;

std::string writeSave(const SaveState& state);

// Why a save cannot be read.
enum class SaveProblem { NotASave, NewerVersion, Damaged };
struct SaveReadError {
    SaveProblem problem;
    std::string detail;
};

// The state, or what is wrong with the bytes.
struct SaveReadResult {
    std::optional<SaveState> state;
    SaveReadError error{SaveProblem::Damaged, {}};
};
SaveReadResult readSave(std::string_view bytes);

// The first value the player could not have written (its key), or nullopt.
// readSave refuses every state this finds fault with as damaged.
std::optional<std::string> checkSaveValues(const SaveState& state);

// "%XX" for every byte `keep` refuses (`first`: at the start of the
// output), and back; a bad escape decodes to nothing.
std::string percentEncode(std::string_view bytes, bool (*keep)(unsigned char c, bool first));
std::optional<std::string> percentDecode(std::string_view text);

// The first line of a scene text, for slot lists.
std::string firstTextLine(std::string_view text);

}  // namespace parvel
