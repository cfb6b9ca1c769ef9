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
// plain picture, so it is copied as it is.
Status encipherGame(std::string_view gameDir, std::string_view outDir);

}  // namespace parvel
