#pragma once
// Bitmap files written byte by byte by the tests, and small picture helpers.

#include <QImage>
#include <QTemporaryDir>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace parvel::render::test {

inline void put16(std::string& b, std::size_t at, std::uint32_t v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}
inline void put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
}

// Only the 54 bytes of the two headers, with the fields the reader uses.
inline std::string bmpHeaders(std::int32_t width, std::int32_t height, int bitCount,
                              std::uint32_t compression = 0) {
    std::string b(54, '\0');
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 14, 40);
    put32(b, 18, std::uint32_t(width));
    put32(b, 22, std::uint32_t(height));
    put16(b, 26, 1);
    put16(b, 28, std::uint32_t(bitCount));
    put32(b, 30, compression);
    return b;
}

// A complete, standard file. `palette` holds 0xRRGGBB colours (written as
// blue, green, red, 0); `rows` the unpadded bytes of each row, top row
// first; rows are stored bottom-up and padded to 4 bytes.
inline std::string makeBmp(std::int32_t width, std::int32_t height, int bitCount,
                           const std::vector<std::uint32_t>& palette,
                           const std::vector<std::vector<std::uint8_t>>& rows) {
    std::string b = bmpHeaders(width, height, bitCount);
    for (std::uint32_t c : palette) {
        b.push_back(char(c & 0xFF));
        b.push_back(char((c >> 8) & 0xFF));
        b.push_back(char((c >> 16) & 0xFF));
        b.push_back('\0');
    }
    put32(b, 10, std::uint32_t(b.size()));
    const std::size_t stride = (std::size_t(width) * bitCount + 31) / 32 * 4;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        std::string row(stride, '\0');
        for (std::size_t i = 0; i < it->size(); ++i) row[i] = char((*it)[i]);
        b += row;
    }
    put32(b, 2, std::uint32_t(b.size()));
    return b;
}

inline std::string writeFile(const QTemporaryDir& dir, const std::string& name,
                             const std::string& bytes) {
    const std::string path = dir.path().toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

// Pixel without the unused top byte.
inline std::uint32_t px(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

inline QImage solid(int w, int h, std::uint32_t rgb) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(0xFF000000 | rgb);
    return img;
}

// A picture whose every pixel differs from its neighbours, never white.
inline QImage pattern(int w, int h, std::uint32_t seed) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y,
                         0xFF000000 | ((seed * 2654435761u + std::uint32_t(x * 7919 + y * 104729)) &
                                       0x7F7F7F));
    return img;
}

}  // namespace parvel::render::test
