#pragma once
// One mixer for every sound the player makes: the current sound effect, the
// MIDI song and the sound track of a video clip.
//
// The mixer keeps its own clock, counted in output frames. With an audio
// device the device's callback moves it on as it consumes sound. Without one
// (headless runs, tests, or no usable device) it follows a clock source, the
// Host's monotonic time: each advance() mixes exactly the frames that have
// passed.
//
// The device is opened when a source starts and closed again after a few
// seconds in which no source was active, so an idle player has no audio
// thread running. While it is closed the clock stands still; nothing is
// playing then that could tell. Everything that media status answers depend on (a sound's end, a
// song's position, a clip's mode) is counted in these frames, so a virtual
// clock drives them deterministically.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "Host.h"

namespace parvel {

inline constexpr int kMixRate = 44100;
inline constexpr int kMixChannels = 2;  // interleaved float stereo

// Which volume slider a voice follows.
enum class MixGroup { Sound, Music };

// A voice of the mixer. mix() runs with the mixer locked, on the audio
// thread or on whichever thread advances the clock.
class MixSource {
public:
    virtual ~MixSource() = default;
    // Adds `frames` frames to `out` (when audible; `out` is null otherwise)
    // and moves on by as many; `at` is the mixer frame of the first one.
    virtual void mix(float* out, int frames, std::int64_t at, bool audible) = 0;
    // Called unlocked before a clock-driven block that is heard (a capture
    // is set): a source fed by another thread may wait for its data up to
    // mixer frame `upTo`, so captured output does not depend on thread timing.
    virtual void prepare(std::int64_t /*upTo*/) {}
    // Whether the source plays (or counts time), so the output must run.
    // Called locked.
    virtual bool active() const { return false; }
    virtual MixGroup group() const { return MixGroup::Sound; }
};

class Mixer {
public:
    using Clock = std::function<Micros()>;
    using Capture = std::function<void(const float* samples, int frames)>;

    // With `useDevice`, plays through the default SDL audio output, opened
    // when first needed; when that fails the mixer follows `clock` instead.
    Mixer(Clock clock, bool useDevice);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // Whether the audio output drives the clock (open now or when needed).
    bool hasDevice() const { return m_deviceMode.load(); }
    bool deviceOpen() const { return m_device.load() != 0; }
    // A source has started: opens the output when it is closed. Call with
    // the mixer unlocked.
    void wake();
    // How long the output stays open with nothing active (default 3 s).
    void setIdleClose(int milliseconds) { m_idleCloseFrames = std::int64_t{milliseconds} * kMixRate / 1000; }

    // Sources are not owned; remove one before destroying it.
    void addSource(MixSource* source);
    void removeSource(MixSource* source);
    // Guards the state of every source against the audio thread.
    std::unique_lock<std::mutex> lock() { return std::unique_lock(m_mutex); }

    // Without a device: mix up to the clock's present. With one: nothing.
    void advance();
    std::int64_t frames() const { return m_frames.load(std::memory_order_acquire); }
    // Clock time at which mixer frame `frame` plays (an estimate with a device).
    Micros timeOfFrame(std::int64_t frame) const;

    // Receives every block mixed (test hook). Without a device, sources are
    // only synthesised while a capture is set; otherwise they just move on.
    void setCapture(Capture capture);
    // Whether sources need to make sound at all (a device or a capture).
    bool audible() const { return m_deviceMode.load() || m_hasCapture.load(); }

    // Volume of each group, 0 to 1 (1: samples pass untouched). Live.
    void setGains(float sound, float music);
    float gain(MixGroup g) const { return (g == MixGroup::Music ? m_musicGain : m_soundGain).load(); }

    // Mixes `frames` frames into `out` and moves the clock on by as many.
    void render(float* out, int frames);

    // Blocks until the mixer clock reaches `frame`, `stop` or `poke` is set
    // or `timeout` passes; true when the frame was reached.
    bool waitForFrame(std::int64_t frame, const std::atomic<bool>& stop, int timeoutMs,
                      const std::atomic<bool>* poke = nullptr);
    void wakeWaiters();

private:
    void mixLocked(float* out, int frames, bool audible);
    static void deviceCallback(void* self, std::uint8_t* stream, int len);
    bool openDeviceLocked();
    void closeWhenSilent();

    Clock m_clock;
    std::atomic<Micros> m_start{0};
    std::atomic<bool> m_deviceMode{false};
    std::atomic<std::uint32_t> m_device{0};
    std::mutex m_deviceMutex;  // opening and closing; never taken with m_mutex held
    std::condition_variable m_closerCv;
    std::thread m_closer;
    bool m_closing = false;
    std::atomic<std::int64_t> m_silentFrames{0};
    std::atomic<std::int64_t> m_idleCloseFrames{3 * kMixRate};
    std::mutex m_mutex;
    std::vector<MixSource*> m_sources;
    std::atomic<std::int64_t> m_frames{0};
    Capture m_capture;
    std::atomic<bool> m_hasCapture{false};
    std::vector<float> m_scratch;
    std::atomic<float> m_soundGain{1.0f};
    std::atomic<float> m_musicGain{1.0f};
    std::vector<float> m_gainScratch;
    std::mutex m_waitMutex;
    std::condition_variable m_waitCv;
};

}  // namespace parvel
