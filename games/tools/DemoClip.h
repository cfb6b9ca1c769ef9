#pragma once

#include <string>

namespace demo {

// Encodes the two-second lantern clip: MPEG-4 video, 192 x 112 at 25 frames a
// second, with a mono 16-bit PCM sound track, in an AVI file. Returns an
// error text, empty on success.
std::string writeLanternClip(const std::string& path);

}  // namespace demo
