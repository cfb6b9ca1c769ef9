// The music module: a FluidSynth synthesiser and its MIDI file players.
// Built as libparvel_music.so.
#include <fluidsynth.h>

#include <mutex>
#include <vector>

#include "MediaLog.h"
#include "MediaModules.h"

namespace parvel {

namespace {

constexpr int kChannels = 2;

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

class FluidSong : public SongSynth {
public:
    FluidSong(fluid_synth_t* synth, fluid_player_t* player, std::uint16_t defaultPrograms)
        : m_synth(synth), m_player(player), m_defaultPrograms(defaultPrograms) {}

    ~FluidSong() override {
        fluid_player_stop(m_player);
        delete_fluid_player(m_player);
        // Silence and fresh controllers for the next song; a full reset would
        // select (and load) the first instrument on every channel again.
        fluid_synth_all_sounds_off(m_synth, -1);
        for (int ch = 0; ch < 16; ++ch) fluid_synth_cc(m_synth, ch, 121, 0);
        selectPrograms(m_synth, m_defaultPrograms);
    }

    void seek(std::int64_t position, std::int64_t length) override {
        const int total = fluid_player_get_total_ticks(m_player);
        if (total > 0 && length > 0)
            fluid_player_seek(m_player, static_cast<int>(total * position / length));
    }
    void play() override { fluid_player_play(m_player); }
    void stop() override {
        fluid_player_stop(m_player);
        fluid_synth_all_notes_off(m_synth, -1);
    }
    void mixInto(float* out, int frames) override {
        m_buffer.resize(static_cast<size_t>(frames) * kChannels);
        fluid_synth_write_float(m_synth, frames, m_buffer.data(), 0, 2, m_buffer.data(), 1, 2);
        for (int i = 0; i < frames * kChannels; ++i) out[i] += m_buffer[static_cast<size_t>(i)];
    }

    // The synthesiser keeps the samples of every instrument a channel has
    // selected, and a full GM soundfont's piano alone is tens of megabytes:
    // select only what the song plays (its program changes select the rest).
    static void selectPrograms(fluid_synth_t* synth, std::uint16_t defaultPrograms) {
        for (int ch = 0; ch < 16; ++ch) {
            if (defaultPrograms & (1u << ch)) fluid_synth_program_change(synth, ch, 0);
            else fluid_synth_unset_program(synth, ch);
        }
    }

private:
    fluid_synth_t* m_synth;
    fluid_player_t* m_player;
    std::uint16_t m_defaultPrograms;
    std::vector<float> m_buffer;
};

class FluidMusic : public MusicBackend {
public:
    ~FluidMusic() override {
        if (m_synth) delete_fluid_synth(m_synth);
        if (m_settings) delete_fluid_settings(m_settings);
    }

    std::string load(const std::vector<std::string>& candidates, int sampleRate) override {
        routeFluidLogs();
        m_settings = new_fluid_settings();
        fluid_settings_setnum(m_settings, "synth.sample-rate", sampleRate);
        fluid_settings_setint(m_settings, "synth.dynamic-sample-loading", 1);
        fluid_settings_setnum(m_settings, "synth.gain", 0.5);
        fluid_settings_setint(m_settings, "synth.cpu-cores", 1);
        fluid_settings_setstr(m_settings, "player.timing-source", "sample");
        m_synth = new_fluid_synth(m_settings);
        if (!m_synth) return {};
        for (const auto& c : candidates) {
            // No instruments selected yet: each song selects its own.
            if (fluid_synth_sfload(m_synth, c.c_str(), 0) != FLUID_FAILED) {
                qCDebug(lcMedia) << "soundfont" << c.c_str();
                return c;
            }
            qCWarning(lcMedia) << "cannot load soundfont" << c.c_str();
        }
        delete_fluid_synth(m_synth);
        m_synth = nullptr;
        return {};
    }

    std::unique_ptr<SongSynth> newSong(std::string_view midi, std::uint16_t defaultPrograms) override {
        if (!m_synth) return nullptr;
        FluidSong::selectPrograms(m_synth, defaultPrograms);
        fluid_player_t* player = new_fluid_player(m_synth);
        if (!player || fluid_player_add_mem(player, midi.data(), midi.size()) != FLUID_OK) {
            qCWarning(lcMedia) << "synthesiser rejects the song; it plays silently";
            if (player) delete_fluid_player(player);
            return nullptr;
        }
        return std::make_unique<FluidSong>(m_synth, player, defaultPrograms);
    }

private:
    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_synth = nullptr;
};

}  // namespace
}  // namespace parvel

extern "C" __attribute__((visibility("default"))) parvel::MusicBackend* parvelNewMusicBackend(int abi) {
    if (abi != parvel::kMediaModuleAbi) return nullptr;
    return new parvel::FluidMusic;
}
