#pragma once
// The sound track of a video clip, fed by the video module's decoder.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "Mixer.h"

namespace parvel {

// The clip's sound, positioned on the mixer clock: sample 0 plays at the
// mixer frame where playback started. Late samples are dropped, missing ones
// are silence, so picture and sound stay together.
class ClipSoundVoice : public MixSource {
public:
    explicit ClipSoundVoice(Mixer& mixer);
    ~ClipSoundVoice() override;

    // Starts a new stream of `frames` frames at mixer frame `start`; data of
    // an earlier generation is ignored.
    void reset(int generation, std::int64_t start, std::int64_t frames);
    void stop(int generation);
    void push(int generation, std::vector<float> samples);
    // The decoder has no more sound for this generation.
    void finish(int generation);
    // Frames pushed so far, beyond the playing position.
    std::int64_t bufferedAhead();
    // Set while the mixer waits for sound the decoder has not pushed yet.
    const std::atomic<bool>& starved() const { return m_starved; }

    void mix(float* out, int frames, std::int64_t at, bool audible) override;
    void prepare(std::int64_t upTo) override;
    bool active() const override { return m_active; }

private:
    Mixer& m_mixer;
    int m_generation = 0;
    bool m_active = false;
    std::int64_t m_start = 0;
    std::int64_t m_frames = 0;
    std::int64_t m_pushed = 0;   // frames pushed in this generation
    std::int64_t m_dropped = 0;  // frames at the front already gone
    std::deque<std::vector<float>> m_blocks;
    bool m_complete = false;
    std::atomic<bool> m_starved{false};
    std::condition_variable m_dataCv;
};

}  // namespace parvel
