#pragma once
// Script text is Windows-1252 bytes; widgets and file names want UTF-8.

#include <optional>
#include <string>
#include <string_view>

namespace parvel {

// Every byte maps to one code point (the five bytes Windows-1252 leaves
// undefined map to the C1 controls of the same value), so this never fails
// and fromUtf8 inverts it.
std::string cp1252ToUtf8(std::string_view bytes);

// Empty when the text is not valid UTF-8 or holds a character that
// Windows-1252 cannot store.
std::optional<std::string> utf8ToCp1252(std::string_view utf8);

bool isValidUtf8(std::string_view s);

}  // namespace parvel
