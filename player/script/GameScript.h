#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace parvel {

// The loaded game file.
struct GameScript {
    std::string path;            // as given by the user (a native path)
    std::int16_t enciphered = 0; // 1 when the path ends in "CGM", any case
    std::string digest;          // 8-character digest of the file opened by the user
};

// True when the path names the enciphered form of a game file.
bool isEncipheredName(std::string_view path);

}  // namespace parvel
