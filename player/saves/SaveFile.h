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

// "%XX" for every byte `keep` refuses (`first`: at the start of the
// output), and back; a bad escape decodes to nothing.
std::string percentEncode(std::string_view bytes, bool (*keep)(unsigned char c, bool first));
std::optional<std::string> percentDecode(std::string_view text);

// The first line of a scene text, for slot lists.
std::string firstTextLine(std::string_view text);

}  // namespace parvel
