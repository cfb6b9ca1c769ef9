#include "WaveSound.h"

#include <SDL.h>

#include <algorithm>
#include <filesystem>

#include "MediaLog.h"
#include "Paths.h"

namespace parvel {

namespace {
// Far beyond any sound effect; keeps a hostile header from asking SDL for
// gigabytes of converted samples.
constexpr size_t kMaxWaveBytes = 256u << 20;

Error waveError(std::string text) { return Error{err::InvalidCall, std::move(text)}; }
}  // namespace

Result<std::shared_ptr<const SampleBuffer>> loadWave(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return makeError(err::FileNotFound);
    auto bytes = readWholeFile(path);
    if (!bytes) return makeError(err::FileNotFound);
    if (bytes->empty()) return waveError("empty sound file");
    if (bytes->size() > kMaxWaveBytes) return waveError("sound file too large");

    SDL_RWops* rw = SDL_RWFromConstMem(bytes->data(), static_cast<int>(bytes->size()));
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

EffectVoice::EffectVoice(Mixer& mixer) : m_mixer(mixer) { m_mixer.addSource(this); }

EffectVoice::~EffectVoice() { m_mixer.removeSource(this); }

void EffectVoice::start(std::shared_ptr<const SampleBuffer> samples) {
    {
        auto g = m_mixer.lock();
        m_samples = std::move(samples);
        m_pos = 0;
        m_endFrame = m_samples ? m_mixer.frames() +
                                     static_cast<std::int64_t>(m_samples->size() / kMixChannels)
                               : -1;
        if (m_samples && m_samples->empty()) m_samples.reset();
        if (!m_samples) return;
    }
    m_mixer.wake();
}

bool EffectVoice::playing() {
    auto g = m_mixer.lock();
    return m_samples != nullptr;
}

std::int64_t EffectVoice::endFrame() {
    auto g = m_mixer.lock();
    return m_samples ? m_endFrame : -1;
}

void EffectVoice::mix(float* out, int frames, std::int64_t, bool audible) {
    if (!m_samples) return;
    const size_t total = m_samples->size() / kMixChannels;
    const size_t n = std::min<size_t>(static_cast<size_t>(frames), total - m_pos);
    if (audible) {
        const float* src = m_samples->data() + m_pos * kMixChannels;
        for (size_t i = 0; i < n * kMixChannels; ++i) out[i] += src[i];
    }
    m_pos += n;
    if (m_pos >= total) m_samples.reset();
}

}  // namespace parvel
