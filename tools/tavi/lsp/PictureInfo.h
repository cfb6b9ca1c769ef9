#pragma once
// What a picture file is, for a hover: its size and colours, and whether
// the player's reader takes it.

#include <string>

namespace parvel::lsp {

struct PictureInfo {
    bool found = false;
    bool shown = false;  // the player can show it
    std::string text;    // one line, UTF-8
};

PictureInfo describePicture(const std::string& path);

}  // namespace parvel::lsp
