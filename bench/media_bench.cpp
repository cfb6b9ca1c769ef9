// Mixer CPU per second of audio. Each iteration mixes one second (44100
// frames in 1024-frame blocks, as the audio callback asks for them);
// "core%" is the share of one core that costs in real time.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "FixtureWriters.h"
#include "HeadlessHost.h"
#include "MediaSystem.h"
#include "MusicSynth.h"

namespace {

using namespace parvel;
namespace fs = std::filesystem;

// A busier song than the test fixtures: four channels of chords and a bass
// line, sixteen notes a second, for a minute.
std::string denseSong() {
    std::string t = std::string("\x00\xC0\x00\x00\xC1\x30\x00\xC2\x20\x00\xC3\x49", 12);
    const int chord[4] = {60, 64, 67, 72};
    for (int beat = 0; beat < 960; ++beat) {
        for (int ch = 0; ch < 4; ++ch) {
            t += '\x00';
            t += static_cast<char>(0x90 | ch);
            t += static_cast<char>(chord[ch] + (beat % 8) - (ch == 2 ? 24 : 0));
            t += '\x60';
        }
        t += '\x18';  // 24 ticks: a sixteenth at 96 per quarter, 120 bpm
        for (int ch = 0; ch < 4; ++ch) {
            if (ch) t += '\x00';
            t += static_cast<char>(0x80 | ch);
            t += static_cast<char>(chord[ch] + (beat % 8) - (ch == 2 ? 24 : 0));
            t += '\x40';
        }
    }
    t += std::string("\x00\xFF\x2F\x00", 4);
    return fixtures::midiHeader(0, 1, 96) + fixtures::midiChunk("MTrk", t);
}

struct Files {
    fs::path dir = fs::temp_directory_path() / "parvel-media-bench";
    Files() {
        fs::create_directories(dir);
        std::ofstream(dir / "effect.wav", std::ios::binary)
            << fixtures::sineWave(16, 2, 22050, 120.0);
        std::ofstream(dir / "song.mid", std::ios::binary) << denseSong();
    }
    ~Files() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

void mixSeconds(benchmark::State& state, bool effect, bool music, bool soundFont) {
    static Files files;
    HeadlessHost host;
    MediaOptions options;
    options.useAudioDevice = false;
    if (!soundFont) options.soundFontSearch.clear();
    MediaSystem media(host, options);
    media.mixer().setCapture([](const float*, int) {});
    if (effect) media.PlaySoundEffect((files.dir / "effect.wav").string());
    if (music) {
        media.MusicControl((files.dir / "song.mid").string(), "open");
        if (soundFont && media.MediaQuery("status MFile mode") != "playing")
            state.SkipWithError("the song does not play");
    }
    std::vector<float> block(1024 * kMixChannels);
    // Warm up: the soundfont loads its instruments as notes first need them.
    for (int i = 0; i < 44; ++i) media.mixer().render(block.data(), 1024);
    const std::string song = (files.dir / "song.mid").string();
    const std::string wave = (files.dir / "effect.wav").string();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (int done = 0; done < kMixRate; done += 1024)
            media.mixer().render(block.data(), std::min(1024, kMixRate - done));
        benchmark::DoNotOptimize(block.data());
        // Keep both playing: loop the song as the scene loop does, and
        // start the effect again when it has run out.
        if (music) media.MusicControl(song, "CheckForce");
        if (effect && media.soundEffectEnd() < 0) media.PlaySoundEffect(wave);
    }
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    state.counters["core%"] = 100.0 * spent.count() / static_cast<double>(state.iterations());
}

void BM_MixEffectAndSong(benchmark::State& s) { mixSeconds(s, true, true, true); }
void BM_MixSongOnly(benchmark::State& s) { mixSeconds(s, false, true, true); }
void BM_MixEffectOnly(benchmark::State& s) { mixSeconds(s, true, false, false); }
void BM_MixSilentSongNoSoundFont(benchmark::State& s) { mixSeconds(s, true, true, false); }

BENCHMARK(BM_MixEffectAndSong)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_MixSongOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_MixEffectOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixSilentSongNoSoundFont)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
