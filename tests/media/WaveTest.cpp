#include <gtest/gtest.h>

#include <cmath>

#include "FixtureWriters.h"
#include "MediaTestRig.h"
#include "WaveSound.h"

namespace parvel {
namespace {

using test::fixture;

struct Layout {
    int bits, channels, rate;
};

std::string layoutName(const Layout& l) {
    return "sine" + std::to_string(l.bits) + (l.channels == 1 ? "_mono_" : "_stereo_") +
           std::to_string(l.rate / 1000) + "k.wav";
}

TEST(WaveLoad, EveryPcmLayoutBecomesStereoAtMixRate) {
    for (Layout l : {Layout{8, 1, 11025}, {8, 1, 22050}, {8, 1, 44100}, {8, 2, 11025},
                     {8, 2, 22050}, {8, 2, 44100}, {16, 1, 11025}, {16, 1, 22050},
                     {16, 1, 44100}, {16, 2, 11025}, {16, 2, 22050}, {16, 2, 44100}}) {
        SCOPED_TRACE(layoutName(l));
        auto wave = loadWave(fixture(layoutName(l)));
        ASSERT_TRUE(wave.ok()) << wave.error().description;
        const auto& s = **wave;
        const long frames = static_cast<long>(s.size() / 2);
        EXPECT_NEAR(frames, 11025, 8);  // a quarter second
        float peak = 0;
        float channelDiff = 0;
        for (size_t i = 0; i + 1 < s.size(); i += 2) {
            peak = std::max(peak, std::fabs(s[i]));
            channelDiff = std::max(channelDiff, std::fabs(s[i] - s[i + 1]));
        }
        EXPECT_NEAR(peak, 0.5f, 0.03f);
        EXPECT_LT(channelDiff, 1e-6f);
    }
}

TEST(WaveLoad, BrokenFilesFailWithoutHarm) {
    EXPECT_FALSE(loadWave(fixture("missing.wav")).ok());
    EXPECT_FALSE(loadWave(fixture("empty.wav")).ok());
    EXPECT_FALSE(loadWave(fixture("corrupt.wav")).ok());
    EXPECT_FALSE(loadWave(fixture("junk.wav")).ok());
    EXPECT_FALSE(loadWave(test::fixtureDir()).ok());  // a folder
    // Cut inside its data: whatever whole samples there are, or a failure.
    auto cut = loadWave(fixture("truncated.wav"));
    if (cut.ok()) {
        EXPECT_LE((*cut)->size() / 2, 11025u);
    }
}

TEST(WaveLoad, AnyBytesAreSafe) {
    const std::string good = fixtures::sineWave(16, 2, 22050, 0.01);
    const std::string path = std::string(PARVEL_TEST_BINARY_DIR) + "/fuzz.wav";
    std::uint32_t seed = 5;
    for (int i = 0; i < 300; ++i) {
        std::string s = good;
        for (int k = 0; k < 4; ++k) {
            seed = seed * 1664525u + 1013904223u;
            s[(seed >> 8) % 44] = static_cast<char>(seed >> 24);
        }
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(s.data(), 1, s.size(), f);
        std::fclose(f);
        (void)loadWave(path);
    }
}

}  // namespace
}  // namespace parvel
