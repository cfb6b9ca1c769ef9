#pragma once
// A media system on the headless virtual clock, with its command log, the
// sounds it started and the samples it mixed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "HeadlessHost.h"
#include "MediaSystem.h"

namespace parvel::test {

inline std::string fixture(const std::string& name) {
    return std::string(PARVEL_FIXTURE_DIR) + "/media/" + name;
}
inline std::string fixtureDir() { return std::string(PARVEL_FIXTURE_DIR) + "/media/"; }

struct MediaRig {
    HeadlessHost host;
    std::vector<std::string> log;
    std::vector<std::pair<Micros, std::string>> sounds;
    std::vector<float> mixed;  // captured samples, when capturing
    std::unique_ptr<MediaSystem> media;

    explicit MediaRig(bool withSoundFont = false) {
        MediaOptions o;
        o.useAudioDevice = false;
        if (!withSoundFont) o.soundFontSearch.clear();
        media = std::make_unique<MediaSystem>(host, o);
        media->setCommandLog([this](std::string_view c) { log.emplace_back(c); });
        media->onSound = [this](std::string_view s) { sounds.emplace_back(host.now(), s); };
    }
    void capture() {
        media->mixer().setCapture([this](const float* s, int frames) {
            mixed.insert(mixed.end(), s, s + static_cast<size_t>(frames) * kMixChannels);
        });
    }
    // Moves the virtual clock on and lets the media layer see it.
    void wait(double seconds) {
        host.waitUntil(host.now() + static_cast<Micros>(std::llround(seconds * 1e6)));
        media->mixer().advance();
    }
    std::vector<std::string> takeLog() {
        auto l = std::move(log);
        log.clear();
        return l;
    }
    float peak(size_t fromFrame = 0, size_t toFrame = SIZE_MAX) const {
        float p = 0;
        const size_t end = std::min(mixed.size(), toFrame * kMixChannels);
        for (size_t i = fromFrame * kMixChannels; i < end; ++i) p = std::max(p, std::fabs(mixed[i]));
        return p;
    }
};

}  // namespace parvel::test
