#pragma once
// Byte-exact writers for the demo's picture, sound and music files. Every
// file the demo ships is produced from code through these.

#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

void put16(std::string& s, std::uint32_t v);
void put32(std::string& s, std::uint32_t v);
void putBE16(std::string& s, std::uint32_t v);
void putBE32(std::string& s, std::uint32_t v);

bool writeFile(const std::string& path, const std::string& bytes);

// Windows bitmap, uncompressed: a 14-byte file header, a 40-byte info header,
// for 4 and 8 bits a palette of 16 or 256 entries (blue, green, red, 0), then
// the rows bottom-up, each padded to a multiple of 4 bytes. For the palette
// depths the picture is reduced to at most 16 or 256 colours first; pure
// white stays pure white, since the player draws it as transparent.
std::string bmpFile(const QImage& image, int bitsPerPixel, bool dither);

// RIFF/WAVE with one PCM channel: 8-bit samples are unsigned around 128,
// 16-bit ones signed little-endian. Samples are -1..1 and clipped.
std::string wavFile(const std::vector<double>& samples, int rate, int bits);

// Standard MIDI file pieces: a track chunk is built from events with delta
// times; the header names the file type, track count and ticks per quarter.
class MidiTrack {
public:
    void event(std::uint32_t delta, std::initializer_list<std::uint8_t> bytes);
    void meta(std::uint32_t delta, std::uint8_t type, const std::string& data);
    void tempo(std::uint32_t microsecondsPerQuarter);
    void timeSignature(std::uint8_t numerator, std::uint8_t denominatorPower);
    void name(const std::string& text);
    // Notes are added in time order per channel through noteOn/noteOff pairs
    // placed on an absolute tick line; `finish` sorts and encodes them.
    void note(std::uint32_t start, std::uint32_t length, std::uint8_t channel, std::uint8_t key,
              std::uint8_t velocity);
    void program(std::uint32_t at, std::uint8_t channel, std::uint8_t program);
    std::string chunk();

private:
    struct Timed {
        std::uint32_t tick;
        int order;  // note-offs before note-ons at the same tick
        std::string bytes;
    };
    std::string m_head;  // delta-timed meta events at tick 0
    std::vector<Timed> m_timed;
};
std::string midiFile(int type, int ticksPerQuarter, const std::vector<std::string>& trackChunks);

}  // namespace demo
