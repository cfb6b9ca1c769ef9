#pragma once
// MIDI songs: a FluidSynth synthesiser shared by the sequencer, and the
// voice that plays one song into the mixer.

#include <cstdint>
#include <string>
#include <vector>

#include "Mixer.h"

struct _fluid_synth_t;
struct _fluid_player_t;
struct _fluid_hashtable_t;

namespace parvel {

// The GM soundfonts Debian packages install, in order of preference.
std::vector<std::string> defaultSoundFonts();

class MusicSynth {
public:
    // `soundFont` is the user's choice (empty: none); `search` is tried after it.
    MusicSynth(std::string soundFont, std::vector<std::string> search);
    ~MusicSynth();
    MusicSynth(const MusicSynth&) = delete;
    MusicSynth& operator=(const MusicSynth&) = delete;

    // Takes effect at the next load; a loaded synthesiser is kept.
    void setSoundFont(std::string soundFont) { m_soundFont = std::move(soundFont); }
    // The synthesiser with its soundfont, loaded on first use (the GM font is
    // large: only its presets are read, samples as instruments are chosen).
    // Null when no soundfont can be loaded; that is remembered.
    _fluid_synth_t* synth();
    const std::string& soundFontInUse() const { return m_inUse; }

private:
    std::string m_soundFont;
    std::vector<std::string> m_search;
    bool m_tried = false;
    std::string m_inUse;
    _fluid_hashtable_t* m_settings = nullptr;
    _fluid_synth_t* m_synth = nullptr;
};

// One song of the sequencer. Its position counts mixer frames while it
// plays, whether or not anything is synthesised, so its end comes on time
// without a soundfont and under a virtual clock.
class MusicVoice : public MixSource {
public:
    MusicVoice(Mixer& mixer, MusicSynth& synth, std::string midi, std::int64_t lengthFrames);
    ~MusicVoice() override;

    void play();
    void stop();
    bool playing();
    std::int64_t position();  // frames
    std::int64_t length() const { return m_length; }

    void mix(float* out, int frames, std::int64_t at, bool audible) override;

private:
    void dropPlayerLocked();
    void selectSongProgramsLocked();

    Mixer& m_mixer;
    MusicSynth& m_synth;
    std::string m_midi;
    std::int64_t m_length;
    std::uint16_t m_defaultPrograms = 0;
    std::int64_t m_pos = 0;
    bool m_playing = false;
    _fluid_synth_t* m_fluid = nullptr;  // set once a player exists
    _fluid_player_t* m_player = nullptr;
    std::vector<float> m_buffer;
};

}  // namespace parvel
