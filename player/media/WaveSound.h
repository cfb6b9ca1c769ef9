#pragma once
// Sound effects: wave files decoded whole into the mixer's format, and the
// one effect voice that plays them.

#include <memory>
#include <string>
#include <vector>

#include "Mixer.h"
#include "Result.h"

namespace parvel {

using SampleBuffer = std::vector<float>;  // interleaved stereo at kMixRate

// Any RIFF/WAVE file SDL understands (PCM 8/16/32-bit, float, ADPCM, ...),
// converted to the mixer's rate and channels. `path` is a disk path.
Result<std::shared_ptr<const SampleBuffer>> loadWave(const std::string& path);

class EffectVoice : public MixSource {
public:
    explicit EffectVoice(Mixer& mixer);
    ~EffectVoice() override;

    // Replaces whatever is playing; null just stops it.
    void start(std::shared_ptr<const SampleBuffer> samples);
    void stop() { start(nullptr); }
    bool playing();
    // Mixer frame at which the current sound ends; -1 when none plays.
    std::int64_t endFrame();

    void mix(float* out, int frames, std::int64_t at, bool audible) override;
    bool active() const override { return m_samples != nullptr; }

private:
    Mixer& m_mixer;
    std::shared_ptr<const SampleBuffer> m_samples;
    size_t m_pos = 0;  // in frames
    std::int64_t m_endFrame = -1;
};

}  // namespace parvel
