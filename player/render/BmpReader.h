#pragma once
// The game's own bitmap reader (see the format notes in BmpReader.cpp).
// Qt's loader is not used: the old reader's quirks decide how old games look.

#include <QImage>
#include <cstdint>
#include <string>
#include <string_view>

#include "Result.h"

namespace parvel::render {

// Width and height of any picture we accept, in pixels.
inline constexpr std::int32_t kMaxBmpSide = 16384;
// The most a decoded picture may take (32-bit pixels): 4 MiB, 1024 × 1024.
// Nothing on the player's screen is larger than 200 × 115 (Spotter's
// backgrounds are screen pictures too), so this only refuses pictures that
// would cost hundreds of MiB once an animation names them a few times, and
// keeps a frame's three pictures well inside the picture cache.
inline constexpr std::int64_t kMaxDecodedBytes = 4ll * 1024 * 1024;

// Where the pixel rows of a file of `fileLength` bytes start (0-based) and
// how its colour table is sized, from the three info-header fields the
// reader uses. Exposed for tests.
struct BmpLayout {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int bitCount = 0;
    int tableEntries = 0;         // RGBQUADs read after the 40-byte header
    std::int64_t pixelStart = 0;  // file offset where pixel bytes are taken from
    std::int64_t stride = 0;      // bytes per row, padded to 4
    std::int64_t bufferSize = 0;  // the zero-filled pixel buffer: length - 44
};

// Checks the headers (the first bytes of the file; at least 54 needed) against
// the file's length before anything large is read.
Result<BmpLayout> bmpLayout(std::string_view head, std::int64_t fileLength);

// Decodes a whole file held in memory into a Format_RGB32 image.
Result<QImage> decodeBmp(std::string_view file);

// Reads and decodes a file, reading no more of it than the picture needs.
Result<QImage> readBmpFile(const std::string& path);

}  // namespace parvel::render
