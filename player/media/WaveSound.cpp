#include "WaveSound.h"

#include <algorithm>
#include <filesystem>

#include "MediaLog.h"
#include "MediaModules.h"
#include "Paths.h"

namespace parvel {

namespace {
// Far beyond any sound effect; keeps a hostile header from asking the
// converter for gigabytes of samples.
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

    AudioBackend* audio = audioBackend();
    if (!audio) return waveError("no audio module");
    return audio->decodeWave(*bytes);
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
