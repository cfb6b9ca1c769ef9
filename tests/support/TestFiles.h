#pragma once
// Bytes of the files tests and benchmarks write: script text with the CR LF
// line ends games use, and plain 24-bit BMP pictures.

#include <cstdint>
#include <string>
#include <string_view>

namespace parvel::testing {

inline std::string crlf(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') out += "\r\n";
        else out.push_back(c);
    }
    return out;
}

// A bottom-up 24-bit BMP of w x h pixels, each `colour(x, y)` (0xRRGGBB).
template <class F>
std::string bmp24(int w, int h, F colour) {
    const int row = (w * 3 + 3) / 4 * 4;
    std::string b(54 + static_cast<size_t>(row * h), '\0');
    auto put32 = [&](size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<std::uint32_t>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = colour(x, y);
            const size_t at = 54 + static_cast<size_t>((h - 1 - y) * row + x * 3);
            b[at] = static_cast<char>(c & 0xFF);
            b[at + 1] = static_cast<char>((c >> 8) & 0xFF);
            b[at + 2] = static_cast<char>((c >> 16) & 0xFF);
        }
    return b;
}

// The headers and colour table (black) of a w x h picture of `bits` per
// pixel, as the player reads them; the caller appends the pixel rows.
inline std::string bmpHeader(int w, int h, int bits) {
    const int table = bits == 8 ? 256 : bits == 24 ? 0 : 16;
    std::string b(54 + static_cast<size_t>(4 * table), '\0');
    auto put32 = [&](size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(10, static_cast<std::uint32_t>(b.size()));
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));
    b[26] = 1;
    b[28] = static_cast<char>(bits);
    return b;
}

inline std::string solidBmp(int w, int h, std::uint32_t rgb) {
    return bmp24(w, h, [rgb](int, int) { return rgb; });
}

}  // namespace parvel::testing
