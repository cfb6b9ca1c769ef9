#include "MusicSynth.h"

#include "MidiFile.h"

#include <fluidsynth.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "MediaLog.h"
#include "Mixer.h"

namespace parvel {

namespace {

void fluidLog(int level, const char* message, void*) {
    if (level <= FLUID_ERR)
        qCWarning(lcMedia) << "synth:" << message;
    else
        qCDebug(lcMedia) << "synth:" << message;
}

void routeFluidLogs() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, &fluidLog, nullptr);
    });
}

bool isFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::vector<std::string> defaultSoundFonts() {
    return {"/usr/share/sounds/sf2/FluidR3_GM.sf2",   "/usr/share/sounds/sf2/TimGM6mb.sf2",
            "/usr/share/sounds/sf2/default-GM.sf2",   "/usr/share/sounds/sf3/default-GM.sf3",
            "/usr/share/sounds/sf3/MuseScore_General.sf3", "/usr/share/soundfonts/default.sf2",
            "/usr/share/soundfonts/FluidR3_GM.sf2"};
}

MusicSynth::MusicSynth(std::string soundFont, std::vector<std::string> search)
    : m_soundFont(std::move(soundFont)), m_search(std::move(search)) {}

MusicSynth::~MusicSynth() {
    if (m_synth) delete_fluid_synth(m_synth);
    if (m_settings) delete_fluid_settings(m_settings);
}

fluid_synth_t* MusicSynth::synth() {
    if (m_tried) return m_synth;
    m_tried = true;
    routeFluidLogs();
    std::vector<std::string> candidates;
    if (!m_soundFont.empty()) {
        if (isFile(m_soundFont))
            candidates.push_back(m_soundFont);
        else
            qCWarning(lcMedia) << "soundfont not found:" << m_soundFont.c_str();
    }
    for (const auto& s : m_search)
        if (isFile(s)) candidates.push_back(s);
    if (candidates.empty()) {
        qCDebug(lcMedia) << "no soundfont: music is silent";
        return nullptr;
    }
    m_settings = new_fluid_settings();
    fluid_settings_setnum(m_settings, "synth.sample-rate", kMixRate);
    fluid_settings_setint(m_settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setnum(m_settings, "synth.gain", 0.5);
    fluid_settings_setint(m_settings, "synth.cpu-cores", 1);
    fluid_settings_setstr(m_settings, "player.timing-source", "sample");
    m_synth = new_fluid_synth(m_settings);
    if (!m_synth) return nullptr;
    for (const auto& c : candidates) {
        // No instruments selected yet: each song selects its own.
        if (fluid_synth_sfload(m_synth, c.c_str(), 0) != FLUID_FAILED) {
            m_inUse = c;
            qCDebug(lcMedia) << "soundfont" << c.c_str();
            return m_synth;
        }
        qCWarning(lcMedia) << "cannot load soundfont" << c.c_str();
    }
    delete_fluid_synth(m_synth);
    m_synth = nullptr;
    return nullptr;
}

MusicVoice::MusicVoice(Mixer& mixer, MusicSynth& synth, std::string midi, std::int64_t lengthFrames)
    : m_mixer(mixer), m_synth(synth), m_midi(std::move(midi)), m_length(lengthFrames) {
    if (auto info = readMidiInfo(m_midi)) m_defaultPrograms = info->defaultProgramChannels;
    m_mixer.addSource(this);
}

// The synthesiser keeps the samples of every instrument a channel has
// selected, and a full GM soundfont's piano alone is tens of megabytes:
// select only what the song plays (its program changes select the rest).
void MusicVoice::selectSongProgramsLocked() {
    for (int ch = 0; ch < 16; ++ch) {
        if (m_defaultPrograms & (1u << ch)) fluid_synth_program_change(m_fluid, ch, 0);
        else fluid_synth_unset_program(m_fluid, ch);
    }
}

MusicVoice::~MusicVoice() {
    m_mixer.removeSource(this);
    auto g = m_mixer.lock();
    dropPlayerLocked();
}

void MusicVoice::dropPlayerLocked() {
    if (!m_player) return;
    fluid_player_stop(m_player);
    delete_fluid_player(m_player);
    m_player = nullptr;
    // Silence and fresh controllers for the next song; a full reset would
    // select (and load) the first instrument on every channel again.
    fluid_synth_all_sounds_off(m_fluid, -1);
    for (int ch = 0; ch < 16; ++ch) fluid_synth_cc(m_fluid, ch, 121, 0);
    selectSongProgramsLocked();
}

void MusicVoice::play() {
    // Loading the soundfont takes a while: never with the mixer locked.
    fluid_synth_t* fluid = m_mixer.audible() ? m_synth.synth() : nullptr;
    auto g = m_mixer.lock();
    if (m_pos >= m_length) return;  // at the end: stays stopped
    m_playing = true;
    if (!fluid) return;
    if (!m_player) {
        m_fluid = fluid;
        selectSongProgramsLocked();
        m_player = new_fluid_player(fluid);
        if (!m_player || fluid_player_add_mem(m_player, m_midi.data(), m_midi.size()) != FLUID_OK) {
            qCWarning(lcMedia) << "synthesiser rejects the song; it plays silently";
            if (m_player) delete_fluid_player(m_player);
            m_player = nullptr;
            return;
        }
        if (m_pos > 0) {
            // Resume where the song was stopped.
            const int total = fluid_player_get_total_ticks(m_player);
            if (total > 0 && m_length > 0)
                fluid_player_seek(m_player, static_cast<int>(total * m_pos / m_length));
        }
    }
    fluid_player_play(m_player);
}

void MusicVoice::stop() {
    auto g = m_mixer.lock();
    m_playing = false;
    if (m_player) {
        fluid_player_stop(m_player);
        fluid_synth_all_notes_off(m_fluid, -1);
    }
}

bool MusicVoice::playing() {
    auto g = m_mixer.lock();
    return m_playing;
}

std::int64_t MusicVoice::position() {
    auto g = m_mixer.lock();
    return m_pos;
}

void MusicVoice::mix(float* out, int frames, std::int64_t, bool audible) {
    if (!m_playing) return;
    const int n = static_cast<int>(std::min<std::int64_t>(frames, m_length - m_pos));
    if (audible && m_player && n > 0) {
        m_buffer.resize(static_cast<size_t>(n) * kMixChannels);
        fluid_synth_write_float(m_fluid, n, m_buffer.data(), 0, 2, m_buffer.data(), 1, 2);
        for (int i = 0; i < n * kMixChannels; ++i) out[i] += m_buffer[static_cast<size_t>(i)];
    }
    m_pos += n;
    if (m_pos >= m_length) {
        m_playing = false;
        if (m_player) {
            fluid_player_stop(m_player);
            fluid_synth_all_notes_off(m_fluid, -1);
        }
    }
}

}  // namespace parvel
