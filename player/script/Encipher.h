#pragma once
// Making the enciphered form of a plain game, for authors who publish one.

#include <string>
#include <string_view>

#include "Result.h"

namespace parvel {

// The script with every picture name in the picture commands ("@image",
// "@anim", "@layeranim", "@layeranim2") changed from ".bmp" to ".clP".
std::string rewritePictureNames(std::string_view script);

// Writes to `outDir`: "GameFile.Cgm" (the rewritten, enciphered script),
// every ".bmp" of the game as ".clP" carrying that file's digest, and all
// other files unchanged. The Setup scene's "@bkPic" picture is loaded as a
// plain picture, so it is copied as it is. Files chained with "@nextGfile"
// load as plain scripts, so they go along as plain text with the ".bmp"
// pictures they name; a chain back to the game file is rewritten to
// "GameFile.Cgm". Nothing is written into `outDir` until all is written:
// the copy is made in a temporary folder beside it and renamed into place.
Status encipherGame(std::string_view gameDir, std::string_view outDir);

// The steps of encipherGame, for a caller that checks the copy before it
// is put in place. checkReleaseFolder refuses an `outDir` that is the game
// folder (also through a link or "./"), that holds the game folder, or
// that holds files other than an earlier enciphered copy.
Status checkReleaseFolder(std::string_view gameDir, std::string_view outDir);
// Writes the copy into a new folder beside `outDir` and returns its path.
Result<std::string> writeRelease(std::string_view gameDir, std::string_view outDir);
// Moves that folder into `outDir`'s place (an earlier copy there goes).
Status publishRelease(const std::string& written, std::string_view outDir);

}  // namespace parvel
