#include "Mixer.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "MediaLog.h"
#include "MediaModules.h"

namespace parvel {

namespace {
constexpr int kBlockFrames = 1024;
}

Mixer::Mixer(Clock clock, bool useDevice) : m_clock(std::move(clock)) {
    m_start = m_clock ? m_clock() : 0;
    m_scratch.resize(kBlockFrames * kMixChannels);
    m_deviceMode = useDevice;
}

Mixer::~Mixer() {
    {
        std::lock_guard g(m_deviceMutex);
        m_closing = true;
    }
    m_closerCv.notify_all();
    if (m_closer.joinable()) m_closer.join();
    if (m_device != 0) audioBackend()->closeOutput(m_device);
}

void Mixer::wake() {
    if (!m_deviceMode) return;
    std::lock_guard g(m_deviceMutex);
    m_silentFrames = 0;
    if (m_device != 0 || m_closing) return;
    if (openDeviceLocked()) return;
    // No output after all: from here on the clock drives the mixer, from
    // where the device left it.
    m_deviceMode = false;
    const Micros now = m_clock ? m_clock() : 0;
    m_start = now - frames() * kMicrosPerSecond / kMixRate;
}

bool Mixer::openDeviceLocked() {
    AudioBackend* audio = audioBackend();
    if (!audio) return false;
    std::string why;
    const std::uint32_t device = audio->openOutput(kMixRate, kBlockFrames, &Mixer::deviceCallback, this, why);
    if (device == 0) {
        qCWarning(lcMedia) << "no audio output:" << why.c_str();
        return false;
    }
    m_device = device;
    // The previous closer has finished: it exits once it has closed the output.
    if (m_closer.joinable()) m_closer.join();
    m_closer = std::thread([this] { closeWhenSilent(); });
    return true;
}

// Pausing would not do: a paused SDL output still runs its thread, writing
// silence. Closing is what leaves an idle player with no audio work at all.
void Mixer::closeWhenSilent() {
    std::unique_lock g(m_deviceMutex);
    while (!m_closing) {
        m_closerCv.wait_for(g, std::chrono::milliseconds(250));
        if (m_closing || m_silentFrames.load() < m_idleCloseFrames.load()) continue;
        audioBackend()->closeOutput(m_device);
        m_device = 0;
        qCDebug(lcMedia) << "audio output closed: nothing plays";
        return;
    }
}

void Mixer::addSource(MixSource* source) {
    auto g = lock();
    m_sources.push_back(source);
}

void Mixer::removeSource(MixSource* source) {
    auto g = lock();
    std::erase(m_sources, source);
}

void Mixer::setCapture(Capture capture) {
    advance();  // what has passed so far was not captured
    auto g = lock();
    m_capture = std::move(capture);
    m_hasCapture = static_cast<bool>(m_capture);
}

Micros Mixer::timeOfFrame(std::int64_t frame) const {
    if (m_deviceMode) {
        const Micros now = m_clock ? m_clock() : 0;
        return now + (frame - frames()) * kMicrosPerSecond / kMixRate;
    }
    // The first clock time at which advance() has mixed `frame` frames.
    return m_start + (frame * kMicrosPerSecond + kMixRate - 1) / kMixRate;
}

void Mixer::mixLocked(float* out, int frames, bool audible) {
    const std::int64_t at = m_frames.load(std::memory_order_relaxed);
    if (audible) std::fill(out, out + static_cast<size_t>(frames) * kMixChannels, 0.0f);
    const std::size_t samples = static_cast<std::size_t>(frames) * kMixChannels;
    for (auto* s : m_sources) {
        const float g = gain(s->group());
        // At full volume the samples go straight in, exactly as they were.
        if (!audible || g == 1.0f) {
            s->mix(audible ? out : nullptr, frames, at, audible);
            continue;
        }
        m_gainScratch.assign(samples, 0.0f);
        s->mix(m_gainScratch.data(), frames, at, true);
        for (std::size_t i = 0; i < samples; ++i) out[i] += g * m_gainScratch[i];
    }
    if (audible) {
        for (int i = 0; i < frames * kMixChannels; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
        if (m_capture) m_capture(out, frames);
    }
    m_frames.store(at + frames, std::memory_order_release);
}

void Mixer::setGains(float sound, float music) {
    m_soundGain = std::clamp(sound, 0.0f, 1.0f);
    m_musicGain = std::clamp(music, 0.0f, 1.0f);
}

void Mixer::render(float* out, int frames) {
    {
        auto g = lock();
        mixLocked(out, frames, true);
    }
    wakeWaiters();
}

void Mixer::advance() {
    if (m_deviceMode || !m_clock) return;
    const Micros elapsed = std::max<Micros>(0, m_clock() - m_start);
    // Whole frames only, rounded down, so the count never runs ahead of time.
    const std::int64_t target = elapsed / kMicrosPerSecond * kMixRate +
                                (elapsed % kMicrosPerSecond) * kMixRate / kMicrosPerSecond;
    bool moved = false;
    while (frames() < target) {
        const std::int64_t left = target - frames();
        if (m_hasCapture) {
            const int n = static_cast<int>(std::min<std::int64_t>(left, kBlockFrames));
            std::vector<MixSource*> sources;
            {
                auto g = lock();
                sources = m_sources;
            }
            for (auto* s : sources) s->prepare(frames() + n);
            auto g = lock();
            mixLocked(m_scratch.data(), n, true);
        } else {
            auto g = lock();
            mixLocked(nullptr, static_cast<int>(std::min<std::int64_t>(left, 1 << 24)), false);
        }
        moved = true;
    }
    if (moved) wakeWaiters();
}

bool Mixer::waitForFrame(std::int64_t frame, const std::atomic<bool>& stop, int timeoutMs,
                         const std::atomic<bool>* poke) {
    std::unique_lock g(m_waitMutex);
    m_waitCv.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] {
        return stop.load() || frames() >= frame || (poke && poke->load());
    });
    return frames() >= frame;
}

void Mixer::wakeWaiters() {
    // Taking the lock orders the wake-up after a waiter's predicate check.
    { std::lock_guard g(m_waitMutex); }
    m_waitCv.notify_all();
}

void Mixer::deviceCallback(void* self, std::uint8_t* stream, int len) {
    auto* mixer = static_cast<Mixer*>(self);
    const int frames = len / static_cast<int>(sizeof(float) * kMixChannels);
    bool active = false;
    {
        auto g = mixer->lock();
        mixer->mixLocked(reinterpret_cast<float*>(stream), frames, true);
        for (const auto* s : mixer->m_sources) active = active || s->active();
    }
    mixer->wakeWaiters();
    if (active) mixer->m_silentFrames = 0;
    else mixer->m_silentFrames += frames;
}

}  // namespace parvel
