#pragma once
// MIDI songs: the synthesiser shared by the sequencer (in the music module,
// loaded with the first song that is heard), and the voice that plays one
// song into the mixer.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MediaModules.h"
#include "Mixer.h"

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
    // Loads `soundFont` now for the songs that start from here on (one that
    // plays keeps its own); empty when it loaded, else what went wrong, and
    // the soundfont in use stays.
    std::string switchSoundFont(const std::string& soundFont);
    // The synthesiser with its soundfont, loaded on first use (the GM font is
    // large: only its presets are read, samples as instruments are chosen).
    // Null when no soundfont or no music module can be loaded; that is
    // remembered.
    std::shared_ptr<MusicBackend> synth();
    const std::string& soundFontInUse() const { return m_inUse; }

private:
    std::string m_soundFont;
    std::vector<std::string> m_search;
    bool m_tried = false;
    std::string m_inUse;
    std::shared_ptr<MusicBackend> m_backend;
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
    // Moves to `frame` (restoring a saved game); the song resumes there.
    void seek(std::int64_t frame);
    std::int64_t length() const { return m_length; }

    void mix(float* out, int frames, std::int64_t at, bool audible) override;
    bool active() const override { return m_playing; }
    MixGroup group() const override { return MixGroup::Music; }

private:
    Mixer& m_mixer;
    MusicSynth& m_synth;
    std::string m_midi;
    std::int64_t m_length;
    std::uint16_t m_defaultPrograms = 0;
    std::int64_t m_pos = 0;
    bool m_playing = false;
    std::shared_ptr<MusicBackend> m_backend;  // the synthesiser the song was given to
    std::unique_ptr<SongSynth> m_song;        // set once the synthesiser has the song
};

}  // namespace parvel
