#include <gtest/gtest.h>

#include "FixtureWriters.h"
#include "MidiFile.h"

namespace parvel {
namespace {

using namespace fixtures;

TEST(MidiFile, ReadsTypeZeroLengthAtDefaultTempo) {
    auto info = readMidiInfo(midiType0());
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info->format, 0);
    EXPECT_EQ(info->tracks, 1);
    EXPECT_EQ(info->endTick, 192);
    EXPECT_EQ(info->lengthMicros, 1'000'000);
}

TEST(MidiFile, ReadsTypeOneWithTempoTrackAndRunningStatus) {
    auto info = readMidiInfo(midiType1());
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info->format, 1);
    EXPECT_EQ(info->tracks, 3);
    EXPECT_EQ(info->endTick, 192);
    EXPECT_EQ(info->lengthMicros, 1'200'000);
}

TEST(MidiFile, ChannelsThatPlayBeforeAnyProgramChangeUseTheDefault) {
    // Channel 0: a note, no program. Channel 1: program 40, then a note.
    // Channel 2: a note at tick 0, its program only at tick 16. Channel 3:
    // a program, never a note.
    const std::string t{
        "\x00\x90\x3C\x40"
        "\x00\xC1\x28" "\x00\x91\x3C\x40"
        "\x00\x92\x3C\x40" "\x10\xC2\x05"
        "\x00\xC3\x07"
        "\x10\xFF\x2F\x00", 25};
    auto info = readMidiInfo(midiHeader(0, 1, 96) + midiChunk("MTrk", t));
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info->defaultProgramChannels, 0b101);
}

TEST(MidiFile, TempoChangeMidSong) {
    // 96 ticks at 120 bpm (0.5 s), then 96 ticks at 60 bpm (1 s).
    const std::string t{"\x60\xFF\x51\x03\x0F\x42\x40" "\x60\xFF\x2F\x00", 11};
    auto info = readMidiInfo(midiHeader(0, 1, 96) + midiChunk("MTrk", t));
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info->lengthMicros, 1'500'000);
}

TEST(MidiFile, SmpteDivisionCountsFrames) {
    // 25 frames per second of 40 ticks: 1000 ticks a second; 500 ticks.
    const std::string t{"\x83\x74\xFF\x2F\x00", 5};
    auto info = readMidiInfo(midiHeader(0, 1, 0xE728) + midiChunk("MTrk", t));
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info->lengthMicros, 500'000);
}

TEST(MidiFile, RejectsWhatIsNotASong) {
    EXPECT_FALSE(readMidiInfo("").ok());
    EXPECT_FALSE(readMidiInfo("RIFF....WAVEfmt ").ok());
    EXPECT_FALSE(readMidiInfo(midiHeader(0, 1, 96)).ok());      // no track
    EXPECT_FALSE(readMidiInfo(midiHeader(3, 1, 96) + midiChunk("MTrk", "")).ok());
    EXPECT_FALSE(readMidiInfo(midiHeader(0, 1, 0) + midiChunk("MTrk", "")).ok());
}

TEST(MidiFile, TruncatedTrackEndsAtLastWholeEvent) {
    const std::string song = midiType1();
    auto info = readMidiInfo(song.substr(0, song.size() - 20));
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info->tracks, 2);
    EXPECT_EQ(info->lengthMicros, 1'200'000);
    // A track that claims more bytes than the file has.
    std::string cut = midiHeader(0, 1, 96) + midiChunk("MTrk", std::string("\x60\x90\x3C\x64\x60", 5));
    auto info2 = readMidiInfo(cut.substr(0, cut.size() - 1));
    ASSERT_TRUE(info2.ok());
    EXPECT_EQ(info2->endTick, 96);
}

TEST(MidiFile, AnyBytesAreSafe) {
    std::uint32_t seed = 1;
    for (int i = 0; i < 2000; ++i) {
        std::string s = midiHeader(i % 3, 1 + i % 4, 96 + i);
        for (int k = 0; k < 64; ++k) {
            seed = seed * 1664525u + 1013904223u;
            s += static_cast<char>(seed >> 24);
        }
        if (i % 2) s.insert(14, std::string("MTrk\x00\x00\x00\x30", 8));
        (void)readMidiInfo(s);
        (void)readMidiInfo(s.substr(0, static_cast<size_t>(i) % s.size()));
    }
}

}  // namespace
}  // namespace parvel
