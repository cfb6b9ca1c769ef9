#include "MidiFile.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>

namespace parvel {

// A standard MIDI file is a chain of chunks, each a 4-byte tag and a 32-bit
// big-endian length. "MThd" (length >= 6) holds format, track count and
// division; each "MTrk" holds events, each preceded by a variable-length
// delta time (7 bits per byte, high bit = more, at most 4 bytes). Events:
//   8x-Ex  channel messages with 2 data bytes (Cx, Dx: 1); a data byte in
//          place of the status reuses the last status ("running status");
//   F0/F7  system exclusive: a variable-length count, then that many bytes;
//   FF     meta: type byte, variable-length count, data. FF 51 03 sets the
//          tempo in microseconds per quarter note; FF 2F ends the track.
// Unknown chunks are skipped. Division with the high bit set is SMPTE:
// -frames per second in the high byte, ticks per frame in the low byte.
// Tempo changes in any track apply to all tracks (format 1 keeps them in
// the first). A track cut short ends at its last whole event, as players
// commonly accept.

namespace {

constexpr std::int64_t kDefaultTempo = 500000;  // 120 beats per minute
constexpr int kMaxTracks = 65535;

class Reader {
public:
    Reader(std::string_view d) : m_d(d) {}
    bool have(size_t n) const { return m_d.size() - m_pos >= n; }
    size_t pos() const { return m_pos; }
    std::uint8_t byte() { return static_cast<std::uint8_t>(m_d[m_pos++]); }
    std::uint32_t be(int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) v = (v << 8) | byte();
        return v;
    }
    bool vlq(std::uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            if (!have(1)) return false;
            const auto b = byte();
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) return true;
        }
        return false;
    }
    bool skip(size_t n) {
        if (!have(n)) return false;
        m_pos += n;
        return true;
    }

private:
    std::string_view m_d;
    size_t m_pos = 0;
};

Error badMidi(const char* why) { return Error{err::InvalidCall, std::string("not a MIDI file: ") + why}; }

// First tick of each channel's first note and first program change.
struct ChannelFirsts {
    std::array<std::int64_t, 16> note;
    std::array<std::int64_t, 16> program;
    ChannelFirsts() {
        note.fill(std::numeric_limits<std::int64_t>::max());
        program.fill(std::numeric_limits<std::int64_t>::max());
    }
};

// Reads one track; returns its end tick. Tempo changes go into `tempos`.
std::int64_t readTrack(std::string_view data, std::map<std::int64_t, std::int64_t>& tempos,
                       ChannelFirsts& firsts, std::int64_t offset) {
    Reader r(data);
    std::int64_t tick = 0;
    std::uint8_t status = 0;
    while (r.have(1)) {
        std::uint32_t delta = 0;
        if (!r.vlq(delta) || !r.have(1)) break;
        const std::int64_t eventTick = tick + delta;
        std::uint8_t b = r.byte();
        if (b == 0xFF) {
            if (!r.have(1)) break;
            const std::uint8_t type = r.byte();
            std::uint32_t len = 0;
            if (!r.vlq(len) || !r.have(len)) break;
            if (type == 0x51 && len >= 3) {
                tempos[eventTick] = r.be(3);
                r.skip(len - 3);
            } else {
                r.skip(len);
            }
            tick = eventTick;
            if (type == 0x2F) break;
            continue;
        }
        if (b == 0xF0 || b == 0xF7) {
            std::uint32_t len = 0;
            if (!r.vlq(len) || !r.skip(len)) break;
            tick = eventTick;
            status = 0;
            continue;
        }
        int dataBytes;
        if (b & 0x80) {
            status = b;
            if (b >= 0xF0) {  // system common / real-time inside a file: no running status
                dataBytes = b == 0xF2 ? 2 : (b == 0xF1 || b == 0xF3) ? 1 : 0;
                status = 0;
                if (!r.skip(static_cast<size_t>(dataBytes))) break;
                tick = eventTick;
                continue;
            }
        } else {
            // A data byte: running status, and this was the first data byte.
            if (status == 0) break;
        }
        const std::uint8_t kind = status & 0xF0;
        const size_t channel = status & 0x0F;
        if (kind == 0x90) firsts.note[channel] = std::min(firsts.note[channel], offset + eventTick);
        if (kind == 0xC0)
            firsts.program[channel] = std::min(firsts.program[channel], offset + eventTick);
        dataBytes = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
        if (!(b & 0x80)) --dataBytes;
        if (!r.skip(static_cast<size_t>(dataBytes))) break;
        tick = eventTick;
    }
    return tick;
}

}  // namespace

Result<MidiInfo> readMidiInfo(std::string_view bytes) {
    Reader r(bytes);
    if (!r.have(14) || bytes.substr(0, 4) != "MThd") return badMidi("no header");
    r.skip(4);
    const std::uint32_t headerLen = r.be(4);
    if (headerLen < 6 || !r.have(headerLen)) return badMidi("short header");
    MidiInfo info;
    info.format = static_cast<int>(r.be(2));
    const int declaredTracks = static_cast<int>(r.be(2));
    info.division = static_cast<int>(r.be(2));
    r.skip(headerLen - 6);
    if (info.format > 2) return badMidi("unknown format");
    if (info.division == 0) return badMidi("zero division");

    std::map<std::int64_t, std::int64_t> tempos;
    ChannelFirsts firsts;
    std::int64_t sequenceStart = 0;  // format 2 plays its tracks one after another
    while (r.have(8) && info.tracks < std::min(declaredTracks, kMaxTracks)) {
        const std::string_view tag = bytes.substr(r.pos(), 4);
        r.skip(4);
        const std::uint32_t len = r.be(4);
        const size_t avail = std::min<size_t>(len, bytes.size() - r.pos());
        if (tag == "MTrk") {
            std::map<std::int64_t, std::int64_t> trackTempos;
            const std::int64_t end =
                readTrack(bytes.substr(r.pos(), avail), trackTempos, firsts, sequenceStart);
            for (auto [t, v] : trackTempos) tempos[t + sequenceStart] = v;
            if (info.format == 2) {
                sequenceStart += end;
                info.endTick = sequenceStart;
            } else {
                info.endTick = std::max(info.endTick, end);
            }
            ++info.tracks;
        }
        r.skip(avail);
    }
    if (info.tracks == 0) return badMidi("no tracks");
    for (size_t ch = 0; ch < 16; ++ch)
        if (firsts.note[ch] < firsts.program[ch])
            info.defaultProgramChannels |= static_cast<std::uint16_t>(1u << ch);

    if (info.division & 0x8000) {
        const int fps = 256 - ((info.division >> 8) & 0xFF);
        const int perFrame = info.division & 0xFF;
        if (fps <= 0 || perFrame == 0) return badMidi("bad SMPTE division");
        info.lengthMicros = info.endTick * 1'000'000 / (fps * perFrame);
        return info;
    }
    // Sum the time of each stretch between tempo changes.
    std::int64_t micros = 0;
    std::int64_t tick = 0;
    std::int64_t tempo = kDefaultTempo;
    for (auto [at, value] : tempos) {
        if (at >= info.endTick) break;
        micros += (at - tick) * tempo / info.division;
        tick = at;
        tempo = value;
    }
    micros += (info.endTick - tick) * tempo / info.division;
    info.lengthMicros = micros;
    return info;
}

}  // namespace parvel
