#pragma once
// Pictures for Spotter's tests, written as 24-bit bitmap files.

#include <QImage>
#include <QTemporaryDir>
#include <fstream>
#include <string>

namespace spotter::test {

inline std::string writeBmp(const QTemporaryDir& dir, const std::string& name, const QImage& img) {
    const int w = img.width(), h = img.height();
    const int stride = (w * 3 + 3) / 4 * 4;
    std::string b(54, '\0');
    auto put32 = [&b](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(10, 54);
    put32(14, 40);
    put32(18, std::uint32_t(w));
    put32(22, std::uint32_t(h));
    b[26] = 1;
    b[28] = 24;
    for (int y = h - 1; y >= 0; --y) {
        std::string row(std::size_t(stride), '\0');
        for (int x = 0; x < w; ++x) {
            const QRgb p = img.pixel(x, y);
            row[3 * x] = char(qBlue(p));
            row[3 * x + 1] = char(qGreen(p));
            row[3 * x + 2] = char(qRed(p));
        }
        b += row;
    }
    put32(2, std::uint32_t(b.size()));
    const std::string path = dir.path().toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary).write(b.data(), std::streamsize(b.size()));
    return path;
}

inline QImage solid(int w, int h, QRgb c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c | 0xFF000000);
    return img;
}

// A background whose every pixel differs from its neighbours, never white.
inline QImage gradient(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x & 0xFF, y * 2 & 0xFF, 100));
    return img;
}

// A 21 × 11 red sprite with a white (see-through) border.
inline QImage sprite() {
    QImage img = solid(21, 11, 0xFF0000);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 21; ++x)
            if (x == 0 || y == 0 || x == 20 || y == 10) img.setPixel(x, y, 0xFFFFFFFF);
    return img;
}

}  // namespace spotter::test
