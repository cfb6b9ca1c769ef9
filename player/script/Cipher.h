#pragma once

#include <string>
#include <string_view>

namespace parvel {

class EventPump;

// The script cipher. No key enters it: the keystream is derived from the
// byte values 1..255 alone, so the same transform serves every game and is
// its own inverse for bytes 1..255 (a NUL byte stays NUL, except where the
// keystream byte is 255, where it becomes 1).
std::string DecipherScript(std::string_view text, EventPump* pump = nullptr);

}  // namespace parvel
