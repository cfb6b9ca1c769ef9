#include "Mixer.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "MediaLog.h"

namespace parvel {

namespace {
constexpr int kBlockFrames = 1024;
}

Mixer::Mixer(Clock clock, bool useDevice) : m_clock(std::move(clock)) {
    m_start = m_clock ? m_clock() : 0;
    m_scratch.resize(kBlockFrames * kMixChannels);
    if (!useDevice) return;
    // The window owns Ctrl+C and SIGTERM (they close it and save settings).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        qCWarning(lcMedia) << "no audio output:" << SDL_GetError();
        return;
    }
    SDL_AudioSpec want{};
    want.freq = kMixRate;
    want.format = AUDIO_F32SYS;
    want.channels = kMixChannels;
    want.samples = kBlockFrames;
    want.callback = &Mixer::deviceCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (m_device == 0) {
        qCWarning(lcMedia) << "cannot open audio output:" << SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    qCDebug(lcMedia) << "audio output open on driver" << SDL_GetCurrentAudioDriver();
    SDL_PauseAudioDevice(m_device, 0);
}

Mixer::~Mixer() {
    if (m_device != 0) {
        SDL_CloseAudioDevice(m_device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
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
    if (m_device != 0) {
        const Micros now = m_clock ? m_clock() : 0;
        return now + (frame - frames()) * kMicrosPerSecond / kMixRate;
    }
    // The first clock time at which advance() has mixed `frame` frames.
    return m_start + (frame * kMicrosPerSecond + kMixRate - 1) / kMixRate;
}

void Mixer::mixLocked(float* out, int frames, bool audible) {
    const std::int64_t at = m_frames.load(std::memory_order_relaxed);
    if (audible) std::fill(out, out + static_cast<size_t>(frames) * kMixChannels, 0.0f);
    for (auto* s : m_sources) s->mix(audible ? out : nullptr, frames, at, audible);
    if (audible) {
        for (int i = 0; i < frames * kMixChannels; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
        if (m_capture) m_capture(out, frames);
    }
    m_frames.store(at + frames, std::memory_order_release);
}

void Mixer::render(float* out, int frames) {
    {
        auto g = lock();
        mixLocked(out, frames, true);
    }
    wakeWaiters();
}

void Mixer::advance() {
    if (m_device != 0 || !m_clock) return;
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
    mixer->render(reinterpret_cast<float*>(stream), frames);
}

}  // namespace parvel
