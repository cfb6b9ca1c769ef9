// The audio module: SDL's audio output and its wave decoder and resampler.
// Built as libparvel_audio.so.
#include <SDL.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "MediaLog.h"
#include "MediaModules.h"
#include "Mixer.h"

namespace parvel {

namespace {

using SampleBuffer = std::vector<float>;

Error waveError(std::string text) { return Error{err::InvalidCall, std::move(text)}; }

class SdlAudio : public AudioBackend {
public:
    ~SdlAudio() override {
        if (m_init) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    Result<std::shared_ptr<const SampleBuffer>> decodeWave(const std::string& bytes) override {
        SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
        if (!rw) return waveError(SDL_GetError());
        SDL_AudioSpec spec{};
        Uint8* data = nullptr;
        Uint32 length = 0;
        if (!SDL_LoadWAV_RW(rw, 1, &spec, &data, &length)) return waveError(SDL_GetError());
        std::unique_ptr<Uint8, decltype(&SDL_FreeWAV)> owned(data, &SDL_FreeWAV);
        if (spec.channels < 1 || spec.channels > 8 || spec.freq < 1000 || spec.freq > 384000)
            return waveError("unsupported sound format");

        auto out = std::make_shared<SampleBuffer>();
        if (length == 0) return std::shared_ptr<const SampleBuffer>(std::move(out));
        SDL_AudioStream* stream = SDL_NewAudioStream(spec.format, spec.channels, spec.freq,
                                                     AUDIO_F32SYS, kMixChannels, kMixRate);
        if (!stream) return waveError(SDL_GetError());
        std::unique_ptr<SDL_AudioStream, decltype(&SDL_FreeAudioStream)> conv(stream,
                                                                              &SDL_FreeAudioStream);
        // Whole frames only: a file may end inside one.
        const Uint32 frameBytes = SDL_AUDIO_BITSIZE(spec.format) / 8 * spec.channels;
        length -= length % frameBytes;
        // The resampler keeps back up to a few hundred input frames even when
        // flushed; trailing silence pushes them out, and the result is cut back
        // to the exact converted length below.
        const std::vector<Uint8> padding(2048u * frameBytes, spec.format == AUDIO_U8 ? 0x80 : 0);
        if (SDL_AudioStreamPut(stream, data, static_cast<int>(length)) != 0 ||
            SDL_AudioStreamPut(stream, padding.data(), static_cast<int>(padding.size())) != 0 ||
            SDL_AudioStreamFlush(stream) != 0)
            return waveError(SDL_GetError());
        const size_t wanted = static_cast<size_t>(
            (static_cast<std::uint64_t>(length / frameBytes) * kMixRate + spec.freq / 2) / spec.freq);
        // The resampler hands its output over in pieces: take until it is dry.
        size_t have = 0;
        for (int available; (available = SDL_AudioStreamAvailable(stream)) > 0;) {
            out->resize(have + static_cast<size_t>(available) / sizeof(float));
            const int got = SDL_AudioStreamGet(stream, out->data() + have, available);
            if (got < 0) return waveError(SDL_GetError());
            if (got == 0) break;
            have += static_cast<size_t>(got) / sizeof(float);
        }
        out->resize(std::min(have / kMixChannels, wanted) * kMixChannels);
        return std::shared_ptr<const SampleBuffer>(std::move(out));
    }

    std::uint32_t openOutput(int rate, int frames, Fill fill, void* user, std::string& why) override {
        if (!m_init) {
            // The window owns Ctrl+C and SIGTERM (they close it and save settings).
            SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
            if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
                why = SDL_GetError();
                return 0;
            }
            m_init = true;
        }
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_F32SYS;
        want.channels = kMixChannels;
        want.samples = static_cast<Uint16>(frames);
        want.callback = fill;
        want.userdata = user;
        SDL_AudioSpec have{};
        const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device == 0) {
            why = std::string("cannot open: ") + SDL_GetError();
            return 0;
        }
        qCDebug(lcMedia) << "audio output open on driver" << SDL_GetCurrentAudioDriver();
        SDL_PauseAudioDevice(device, 0);
        return device;
    }

    void closeOutput(std::uint32_t device) override { SDL_CloseAudioDevice(device); }

private:
    bool m_init = false;
};

}  // namespace
}  // namespace parvel

extern "C" __attribute__((visibility("default"))) parvel::AudioBackend* parvelAudioBackend(int abi) {
    if (abi != parvel::kMediaModuleAbi) return nullptr;
    static parvel::SdlAudio backend;
    return &backend;
}
