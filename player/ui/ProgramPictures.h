#pragma once
// The program-folder pictures, drawn by our own code at build time:
// "tavicast.bmp", the start-up picture shown until a game's first scene,
// and "blk.bmp", the black back buffer (and black window picture).
// Plain functions of the pixel position, so tests know every pixel.

#include <cstdint>
#include <string>

namespace parvel::ui {

inline constexpr int kProgramPictureWidth = 200;
inline constexpr int kProgramPictureHeight = 115;
// The start-up picture has a scene picture's height: the picture area's
// bottom three rows then stay black, as under every scene's picture.
inline constexpr int kStartPictureHeight = 112;

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

// Night-blue backdrop, a lit stage in the middle and red curtains at the
// sides: a theatre waiting for its show.
inline Rgb startPicturePixel(int x, int y) {
    const bool curtain = x < 24 || x >= kProgramPictureWidth - 24 || y < 10;
    if (curtain) {
        // Folds: the shade alternates every 4 columns.
        const std::uint8_t shade = (x / 4) % 2 ? 150 : 190;
        return {shade, 16, 24};
    }
    const bool stage = y >= 80;
    if (stage) return {150, 100, 40};
    const bool spot = (x - 100) * (x - 100) + (y - 60) * (y - 60) * 2 < 30 * 30;
    if (spot) return {250, 230, 150};
    return {10, 20, static_cast<std::uint8_t>(60 + y)};
}

inline Rgb blackPixel(int, int) { return {0, 0, 0}; }

// A bottom-up 24-bit BMP of `width` x `height` pixels.
template <class Pixel>
std::string bmp24(int width, int height, Pixel pixel) {
    const int stride = (width * 3 + 3) & ~3;
    const std::uint32_t dataSize = static_cast<std::uint32_t>(stride * height);
    std::string f;
    auto put16 = [&](std::uint32_t v) {
        f += static_cast<char>(v & 0xFF);
        f += static_cast<char>((v >> 8) & 0xFF);
    };
    auto put32 = [&](std::uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    f += "BM";
    put32(54 + dataSize);
    put32(0);
    put32(54);
    put32(40);
    put32(static_cast<std::uint32_t>(width));
    put32(static_cast<std::uint32_t>(height));
    put16(1);
    put16(24);
    put32(0);
    put32(dataSize);
    put32(3780);  // 96 dpi
    put32(3780);
    put32(0);
    put32(0);
    for (int y = height - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixel(x, y);
            row += static_cast<char>(c.b);
            row += static_cast<char>(c.g);
            row += static_cast<char>(c.r);
        }
        row.resize(static_cast<std::size_t>(stride), '\0');
        f += row;
    }
    return f;
}

}  // namespace parvel::ui
