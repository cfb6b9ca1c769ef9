#pragma once
// Video clips decoded with FFmpeg: probing a file for its frame count, and a
// playback that decodes on its own thread, hands frames to a sink when the
// mixer clock reaches them and feeds the clip's sound into the mixer.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Mixer.h"
#include "Result.h"
#include "VideoSink.h"

namespace parvel {

struct ClipInfo {
    double fps = 25.0;
    std::int64_t frames = 0;  // length in frames
    int width = 0;
    int height = 0;
    bool hasVideo = false;
    bool hasAudio = false;
};

// Opens `path` (a disk path) far enough to know what it holds.
Result<ClipInfo> probeClip(const std::string& path);

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

class ClipPlayback {
public:
    // Plays frames `first` to `last` (1-based) from mixer frame `start`.
    ClipPlayback(std::string path, ClipInfo info, Mixer& mixer, ClipSoundVoice& sound,
                 int generation, VideoSink* sink, std::int64_t first, std::int64_t last,
                 std::int64_t start);
    ~ClipPlayback();  // stops and joins the thread

    // Blocks until the decoder has delivered every frame due by now (or has
    // finished); lets headless runs and tests see a settled picture.
    void settle(int timeoutMs);
    std::int64_t framesDelivered() const { return m_delivered.load(); }

private:
    void run();
    void setIdle(bool idle, std::int64_t waitingFor);

    std::string m_path;
    ClipInfo m_info;
    Mixer& m_mixer;
    ClipSoundVoice& m_sound;
    int m_generation;
    VideoSink* m_sink;
    std::int64_t m_first, m_last, m_start;
    std::atomic<bool> m_stop{false};
    std::atomic<std::int64_t> m_delivered{0};
    std::mutex m_stateMutex;
    std::condition_variable m_stateCv;
    bool m_finished = false;
    bool m_idle = false;
    std::int64_t m_waitingFor = 0;
    std::thread m_thread;
};

}  // namespace parvel
