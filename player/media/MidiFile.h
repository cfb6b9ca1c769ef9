#pragma once
// Standard MIDI files, read only as far as the player needs to know a song's
// length: the synthesiser plays the notes, but the song's end must be known
// even when nothing is synthesised (no soundfont, or a headless run).

#include <cstdint>
#include <string_view>

#include "Result.h"

namespace parvel {

struct MidiInfo {
    int format = 0;      // 0, 1 or 2
    int tracks = 0;      // tracks read
    int division = 0;    // ticks per quarter note, or the raw SMPTE word
    std::int64_t endTick = 0;
    std::int64_t lengthMicros = 0;
    // Channels (bit n for channel n) that sound a note before any program
    // change: they play the default instrument.
    std::uint16_t defaultProgramChannels = 0;
};

Result<MidiInfo> readMidiInfo(std::string_view bytes);

}  // namespace parvel
