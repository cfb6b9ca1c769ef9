#pragma once
// The video and music backends live in modules of their own (FFmpeg and
// FluidSynth with their hundred-odd libraries, SDL with its sound servers
// and codecs, cost a start-up that a title screen never needs), loaded the
// first time a sound, clip or song plays.
//
// A module exports one C function that returns its backend when the
// interface version it was built with matches kMediaModuleAbi:
//   libparvel_audio.so   parvelAudioBackend(int abi) -> AudioBackend* (one per process)
//   libparvel_video.so   parvelVideoBackend(int abi) -> VideoBackend* (one per process)
//   libparvel_music.so   parvelNewMusicBackend(int abi) -> MusicBackend* (caller owns)
// Modules call nothing in the player: everything they need reaches them
// through the interfaces below, so the program exports no symbols for them.
//
// Where they are looked for, in order: the executable's folder,
// ../lib/parvel/ beside it (the installed layout), and the build tree's
// module folder; $PARVEL_MODULE_DIR, when set, is the only folder searched. A module that cannot be loaded is logged
// once; media then fails the way it does without the backend's libraries.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Result.h"
#include "VideoSink.h"

namespace parvel {

inline constexpr int kMediaModuleAbi = 1;

// SDL: the audio output and the wave decoder.
class AudioBackend {
public:
    virtual ~AudioBackend() = default;
    // A RIFF/WAVE file's bytes as interleaved float stereo at 44.1 kHz.
    virtual Result<std::shared_ptr<const std::vector<float>>> decodeWave(const std::string& bytes) = 0;
    // Opens the default output (float stereo at `rate`, `frames` a block)
    // and starts it: `fill` runs on its thread. 0 on failure, with `why`.
    using Fill = void (*)(void* user, std::uint8_t* stream, int bytes);
    virtual std::uint32_t openOutput(int rate, int frames, Fill fill, void* user,
                                     std::string& why) = 0;
    virtual void closeOutput(std::uint32_t device) = 0;
};

struct ClipInfo {
    double fps = 25.0;
    std::int64_t frames = 0;  // length in frames
    int width = 0;
    int height = 0;
    bool hasVideo = false;
    bool hasAudio = false;
};

// What a clip's decoder talks to: the mixer clock (in output frames) and the
// clip's sound voice, for one playback.
class ClipFeed {
public:
    virtual ~ClipFeed() = default;
    virtual std::int64_t mixerFrames() = 0;
    // Blocks until the mixer reaches `frame`, `stop` is set, the sound runs
    // dry or `timeoutMs` passes.
    virtual void waitForFrame(std::int64_t frame, const std::atomic<bool>& stop, int timeoutMs) = 0;
    virtual void wakeWaiters() = 0;
    virtual void pushSound(std::vector<float> samples) = 0;  // interleaved stereo, mixer rate
    virtual void finishSound() = 0;
    virtual std::int64_t soundAhead() = 0;  // frames pushed beyond the playing position
    virtual bool soundStarved() = 0;
};

// One playback on its decoding thread; destroying it stops and joins.
class ClipDecoder {
public:
    virtual ~ClipDecoder() = default;
    // Blocks until every frame due by the mixer clock has been delivered.
    virtual void settle(int timeoutMs) = 0;
};

class VideoBackend {
public:
    virtual ~VideoBackend() = default;
    // Opens `path` (a disk path) far enough to know what it holds.
    virtual Result<ClipInfo> probe(const std::string& path) = 0;
    // Plays frames `first` to `last` (1-based), frame `first` due at mixer
    // frame `start`; pictures go to `sink` (may be null), sound to `feed`.
    // `feed` and `sink` outlive the decoder.
    virtual std::unique_ptr<ClipDecoder> play(const std::string& path, const ClipInfo& info,
                                              ClipFeed& feed, VideoSink* sink, std::int64_t first,
                                              std::int64_t last, std::int64_t start) = 0;
};

// One song on the synthesiser. Calls come with the mixer locked.
class SongSynth {
public:
    virtual ~SongSynth() = default;  // silences the synthesiser
    // Moves to `position` of `length` (any unit, both above 0).
    virtual void seek(std::int64_t position, std::int64_t length) = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
    // Adds `frames` frames of the song to `out`.
    virtual void mixInto(float* out, int frames) = 0;
};

// One synthesiser with its soundfont.
class MusicBackend {
public:
    virtual ~MusicBackend() = default;
    // Loads the first soundfont of `candidates` that loads; its path, or
    // empty when none does. Called once.
    virtual std::string load(const std::vector<std::string>& candidates, int sampleRate) = 0;
    // A player for the standard MIDI file `midi`, with the instrument of
    // channels in `defaultPrograms` (bit n: channel n) selected; null when the
    // synthesiser rejects the file. Called with the mixer locked.
    virtual std::unique_ptr<SongSynth> newSong(std::string_view midi,
                                               std::uint16_t defaultPrograms) = 0;
};

// The backends, loading their module on first use; null when it cannot be
// loaded (logged once).
AudioBackend* audioBackend();
VideoBackend* videoBackend();
std::unique_ptr<MusicBackend> newMusicBackend();

// The folders searched for modules, in order (for tests and diagnostics).
std::vector<std::string> mediaModuleFolders();

}  // namespace parvel

extern "C" {
using ParvelAudioBackendFn = parvel::AudioBackend* (*)(int abi);
using ParvelVideoBackendFn = parvel::VideoBackend* (*)(int abi);
using ParvelNewMusicBackendFn = parvel::MusicBackend* (*)(int abi);
}
