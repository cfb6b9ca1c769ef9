#include "VideoClip.h"

#include <algorithm>
#include <chrono>

namespace parvel {

ClipSoundVoice::ClipSoundVoice(Mixer& mixer) : m_mixer(mixer) { m_mixer.addSource(this); }

ClipSoundVoice::~ClipSoundVoice() { m_mixer.removeSource(this); }

void ClipSoundVoice::reset(int generation, std::int64_t start, std::int64_t frames) {
    {
        auto g = m_mixer.lock();
        m_generation = generation;
        m_active = true;
        m_start = start;
        m_frames = frames;
        m_pushed = 0;
        m_dropped = 0;
        m_blocks.clear();
        m_complete = false;
    }
    // A clip's pictures follow the mixer clock, with or without a sound track.
    m_mixer.wake();
}

void ClipSoundVoice::stop(int generation) {
    auto g = m_mixer.lock();
    if (generation != m_generation) return;
    m_active = false;
    m_blocks.clear();
    m_dataCv.notify_all();
}

void ClipSoundVoice::push(int generation, std::vector<float> samples) {
    auto g = m_mixer.lock();
    if (generation != m_generation || !m_active || samples.empty()) return;
    m_pushed += static_cast<std::int64_t>(samples.size() / kMixChannels);
    m_blocks.push_back(std::move(samples));
    m_dataCv.notify_all();
}

void ClipSoundVoice::finish(int generation) {
    auto g = m_mixer.lock();
    if (generation != m_generation) return;
    m_complete = true;
    m_dataCv.notify_all();
}

void ClipSoundVoice::prepare(std::int64_t upTo) {
    auto g = m_mixer.lock();
    if (!m_active || m_complete) return;
    const std::int64_t need = std::min(upTo - m_start, m_frames);
    auto ready = [&] { return !m_active || m_complete || m_pushed >= need; };
    if (ready()) return;
    m_starved = true;
    m_mixer.wakeWaiters();
    // Bounded: a decoder that cannot keep up costs silence, never a hang.
    m_dataCv.wait_for(g, std::chrono::seconds(2), ready);
    m_starved = false;
}

std::int64_t ClipSoundVoice::bufferedAhead() {
    auto g = m_mixer.lock();
    return m_pushed - (m_mixer.frames() - m_start);
}

void ClipSoundVoice::mix(float* out, int frames, std::int64_t at, bool audible) {
    if (!m_active) return;
    const std::int64_t rel = at - m_start;
    const std::int64_t end = rel + frames;
    if (audible) {
        std::int64_t pos = m_dropped;
        for (const auto& b : m_blocks) {
            const std::int64_t n = static_cast<std::int64_t>(b.size() / kMixChannels);
            const std::int64_t lo = std::max(rel, pos);
            const std::int64_t hi = std::min({end, pos + n, m_frames});
            for (std::int64_t f = lo; f < hi; ++f) {
                out[(f - rel) * 2] += b[static_cast<size_t>((f - pos) * 2)];
                out[(f - rel) * 2 + 1] += b[static_cast<size_t>((f - pos) * 2 + 1)];
            }
            pos += n;
            if (pos >= end) break;
        }
    }
    while (!m_blocks.empty() &&
           m_dropped + static_cast<std::int64_t>(m_blocks.front().size() / kMixChannels) <= end) {
        m_dropped += static_cast<std::int64_t>(m_blocks.front().size() / kMixChannels);
        m_blocks.pop_front();
    }
    if (end >= m_frames) {
        m_active = false;
        m_blocks.clear();
    }
}

}  // namespace parvel
