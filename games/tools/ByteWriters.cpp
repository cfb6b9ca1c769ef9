#include "ByteWriters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <map>

namespace demo {

void put16(std::string& s, std::uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, std::uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}
void putBE16(std::string& s, std::uint32_t v) {
    s += static_cast<char>((v >> 8) & 0xFF);
    s += static_cast<char>(v & 0xFF);
}
void putBE32(std::string& s, std::uint32_t v) {
    putBE16(s, v >> 16);
    putBE16(s, v & 0xFFFF);
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

namespace {

constexpr QRgb kWhite = 0xFFFFFFu;

QRgb rgbOf(QRgb c) { return c & 0xFFFFFFu; }

// Median cut over the distinct colours, weighted by how often they occur.
// White is kept out of the cut and given its own entry, so transparent areas
// survive the reduction exactly.
std::vector<QRgb> buildPalette(const QImage& img, int maxColours) {
    std::map<QRgb, int> counts;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) ++counts[rgbOf(img.pixel(x, y))];
    std::vector<QRgb> palette;
    if (static_cast<int>(counts.size()) <= maxColours) {
        for (const auto& [c, n] : counts) palette.push_back(c);
        return palette;
    }
    const bool hasWhite = counts.erase(kWhite) > 0;
    using Entry = std::pair<QRgb, int>;
    std::vector<std::vector<Entry>> boxes(1, std::vector<Entry>(counts.begin(), counts.end()));
    const int target = maxColours - (hasWhite ? 1 : 0);
    auto channel = [](QRgb c, int k) { return k == 0 ? qRed(c) : k == 1 ? qGreen(c) : qBlue(c); };
    while (static_cast<int>(boxes.size()) < target) {
        int best = -1, bestRange = 0, bestChannel = 0;
        for (size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].size() < 2) continue;
            for (int k = 0; k < 3; ++k) {
                int lo = 255, hi = 0;
                for (const auto& e : boxes[b]) {
                    lo = std::min(lo, channel(e.first, k));
                    hi = std::max(hi, channel(e.first, k));
                }
                if (hi - lo > bestRange) {
                    bestRange = hi - lo;
                    best = static_cast<int>(b);
                    bestChannel = k;
                }
            }
        }
        if (best < 0) break;
        auto& box = boxes[best];
        std::sort(box.begin(), box.end(), [&](const Entry& a, const Entry& b) {
            return channel(a.first, bestChannel) < channel(b.first, bestChannel);
        });
        long total = 0;
        for (const auto& e : box) total += e.second;
        long run = 0;
        size_t cut = 1;
        for (size_t i = 0; i + 1 < box.size(); ++i) {
            run += box[i].second;
            cut = i + 1;
            if (run * 2 >= total) break;
        }
        std::vector<Entry> upper(box.begin() + static_cast<long>(cut), box.end());
        box.resize(cut);
        boxes.push_back(std::move(upper));
    }
    for (const auto& box : boxes) {
        double r = 0, g = 0, b = 0, n = 0;
        for (const auto& e : box) {
            r += qRed(e.first) * e.second;
            g += qGreen(e.first) * e.second;
            b += qBlue(e.first) * e.second;
            n += e.second;
        }
        palette.push_back(qRgb(static_cast<int>(std::lround(r / n)), static_cast<int>(std::lround(g / n)),
                               static_cast<int>(std::lround(b / n))));
    }
    if (hasWhite) palette.push_back(kWhite);
    return palette;
}

int nearest(const std::vector<QRgb>& palette, int r, int g, int b, bool allowWhite) {
    int best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        if (!allowWhite && rgbOf(palette[i]) == kWhite) continue;
        const long dr = qRed(palette[i]) - r, dg = qGreen(palette[i]) - g, db = qBlue(palette[i]) - b;
        const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

// Palette indices for every pixel; with `dither` the rounding error is spread
// to the neighbours (Floyd and Steinberg), except into or out of white.
std::vector<std::uint8_t> mapPixels(const QImage& img, const std::vector<QRgb>& palette, bool dither) {
    const int w = img.width(), h = img.height();
    std::vector<std::uint8_t> out(static_cast<size_t>(w * h));
    std::vector<std::array<double, 3>> err(static_cast<size_t>(w * (h + 1) + 2), {0, 0, 0});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = rgbOf(img.pixel(x, y));
            const size_t at = static_cast<size_t>(y * w + x);
            if (c == kWhite) {
                out[at] = static_cast<std::uint8_t>(nearest(palette, 255, 255, 255, true));
                continue;
            }
            const double r = std::clamp(qRed(c) + err[at][0], 0.0, 255.0);
            const double g = std::clamp(qGreen(c) + err[at][1], 0.0, 255.0);
            const double b = std::clamp(qBlue(c) + err[at][2], 0.0, 255.0);
            const int i = nearest(palette, static_cast<int>(r), static_cast<int>(g), static_cast<int>(b), false);
            out[at] = static_cast<std::uint8_t>(i);
            if (!dither) continue;
            const double e[3] = {r - qRed(palette[i]), g - qGreen(palette[i]), b - qBlue(palette[i])};
            auto spread = [&](int dx, int dy, double f) {
                const int nx = x + dx, ny = y + dy;
                if (nx < 0 || nx >= w || ny >= h) return;
                if (rgbOf(img.pixel(nx, ny)) == kWhite) return;
                for (int k = 0; k < 3; ++k) err[static_cast<size_t>(ny * w + nx)][k] += e[k] * f;
            };
            spread(1, 0, 7.0 / 16);
            spread(-1, 1, 3.0 / 16);
            spread(0, 1, 5.0 / 16);
            spread(1, 1, 1.0 / 16);
        }
    return out;
}

}  // namespace

std::string bmpFile(const QImage& source, int bitsPerPixel, bool dither) {
    const QImage img = source.convertToFormat(QImage::Format_RGB32);
    const int w = img.width(), h = img.height();
    const int paletteSize = bitsPerPixel == 24 ? 0 : (1 << bitsPerPixel);
    const int rowBytes = ((w * bitsPerPixel + 31) / 32) * 4;
    const std::uint32_t offset = 14 + 40 + 4 * static_cast<std::uint32_t>(paletteSize);
    const std::uint32_t imageSize = static_cast<std::uint32_t>(rowBytes * h);

    std::string f = "BM";
    put32(f, offset + imageSize);
    put32(f, 0);  // two reserved words
    put32(f, offset);
    put32(f, 40);
    put32(f, static_cast<std::uint32_t>(w));
    put32(f, static_cast<std::uint32_t>(h));  // positive height: rows stored bottom-up
    put16(f, 1);
    put16(f, static_cast<std::uint32_t>(bitsPerPixel));
    put32(f, 0);  // no compression
    put32(f, imageSize);
    put32(f, 2835);  // 72 dots per inch
    put32(f, 2835);
    put32(f, static_cast<std::uint32_t>(paletteSize));
    put32(f, 0);

    std::vector<std::uint8_t> indices;
    if (paletteSize > 0) {
        std::vector<QRgb> palette = buildPalette(img, paletteSize);
        indices = mapPixels(img, palette, dither);
        palette.resize(static_cast<size_t>(paletteSize), 0);
        for (QRgb c : palette) {
            f += static_cast<char>(qBlue(c));
            f += static_cast<char>(qGreen(c));
            f += static_cast<char>(qRed(c));
            f += '\0';
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        std::string row(static_cast<size_t>(rowBytes), '\0');
        for (int x = 0; x < w; ++x) {
            if (bitsPerPixel == 24) {
                const QRgb c = img.pixel(x, y);
                row[static_cast<size_t>(3 * x)] = static_cast<char>(qBlue(c));
                row[static_cast<size_t>(3 * x + 1)] = static_cast<char>(qGreen(c));
                row[static_cast<size_t>(3 * x + 2)] = static_cast<char>(qRed(c));
            } else if (bitsPerPixel == 8) {
                row[static_cast<size_t>(x)] = static_cast<char>(indices[static_cast<size_t>(y * w + x)]);
            } else {
                // Two pixels a byte, the left one in the high nibble.
                const auto i = indices[static_cast<size_t>(y * w + x)];
                auto& byte = row[static_cast<size_t>(x / 2)];
                byte = static_cast<char>(static_cast<std::uint8_t>(byte) | (x % 2 == 0 ? i << 4 : i));
            }
        }
        f += row;
    }
    return f;
}

std::string wavFile(const std::vector<double>& samples, int rate, int bits) {
    std::string data;
    for (double s : samples) {
        const double v = std::clamp(s, -1.0, 1.0);
        if (bits == 8)
            data += static_cast<char>(static_cast<std::uint8_t>(std::lround(128 + v * 127)));
        else
            put16(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767))));
    }
    if (data.size() % 2) data += '\0';  // chunks are word-aligned
    const int blockAlign = bits / 8;
    std::string f = "RIFF";
    put32(f, static_cast<std::uint32_t>(36 + data.size()));
    f += "WAVEfmt ";
    put32(f, 16);
    put16(f, 1);  // PCM
    put16(f, 1);  // mono
    put32(f, static_cast<std::uint32_t>(rate));
    put32(f, static_cast<std::uint32_t>(rate * blockAlign));
    put16(f, static_cast<std::uint32_t>(blockAlign));
    put16(f, static_cast<std::uint32_t>(bits));
    f += "data";
    put32(f, static_cast<std::uint32_t>(samples.size() * static_cast<size_t>(blockAlign)));
    return f + data;
}

namespace {

// Variable-length quantity: 7 bits a byte, most significant first, the high
// bit set on every byte but the last.
void putVlq(std::string& s, std::uint32_t v) {
    std::uint8_t bytes[5];
    int n = 0;
    do {
        bytes[n++] = static_cast<std::uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v != 0);
    while (n > 1) s += static_cast<char>(bytes[--n] | 0x80);
    s += static_cast<char>(bytes[0]);
}

}  // namespace

void MidiTrack::event(std::uint32_t delta, std::initializer_list<std::uint8_t> bytes) {
    putVlq(m_head, delta);
    for (auto b : bytes) m_head += static_cast<char>(b);
}

void MidiTrack::meta(std::uint32_t delta, std::uint8_t type, const std::string& data) {
    putVlq(m_head, delta);
    m_head += '\xFF';
    m_head += static_cast<char>(type);
    putVlq(m_head, static_cast<std::uint32_t>(data.size()));
    m_head += data;
}

void MidiTrack::tempo(std::uint32_t us) {
    std::string d;
    d += static_cast<char>((us >> 16) & 0xFF);
    d += static_cast<char>((us >> 8) & 0xFF);
    d += static_cast<char>(us & 0xFF);
    meta(0, 0x51, d);
}

void MidiTrack::timeSignature(std::uint8_t numerator, std::uint8_t denominatorPower) {
    // 24 clocks per metronome click, 8 thirty-seconds per quarter.
    meta(0, 0x58, std::string{static_cast<char>(numerator), static_cast<char>(denominatorPower), 24, 8});
}

void MidiTrack::name(const std::string& text) { meta(0, 0x03, text); }

void MidiTrack::note(std::uint32_t start, std::uint32_t length, std::uint8_t channel, std::uint8_t key,
                     std::uint8_t velocity) {
    m_timed.push_back({start, 1, std::string{static_cast<char>(0x90 | channel), static_cast<char>(key),
                                             static_cast<char>(velocity)}});
    // Note-off as a note-on of velocity 0, the usual running-status form.
    m_timed.push_back(
        {start + length, 0, std::string{static_cast<char>(0x90 | channel), static_cast<char>(key), 0}});
}

void MidiTrack::program(std::uint32_t at, std::uint8_t channel, std::uint8_t program) {
    m_timed.push_back({at, -1, std::string{static_cast<char>(0xC0 | channel), static_cast<char>(program)}});
}

std::string MidiTrack::chunk() {
    std::stable_sort(m_timed.begin(), m_timed.end(), [](const Timed& a, const Timed& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::string body = m_head;
    std::uint32_t now = 0;
    for (const auto& t : m_timed) {
        putVlq(body, t.tick - now);
        body += t.bytes;
        now = t.tick;
    }
    putVlq(body, 0);
    body += "\xFF\x2F";  // end of track
    body += '\0';
    std::string c = "MTrk";
    putBE32(c, static_cast<std::uint32_t>(body.size()));
    return c + body;
}

std::string midiFile(int type, int ticksPerQuarter, const std::vector<std::string>& trackChunks) {
    std::string f = "MThd";
    putBE32(f, 6);
    putBE16(f, static_cast<std::uint32_t>(type));
    putBE16(f, static_cast<std::uint32_t>(trackChunks.size()));
    putBE16(f, static_cast<std::uint32_t>(ticksPerQuarter));
    for (const auto& t : trackChunks) f += t;
    return f;
}

}  // namespace demo
