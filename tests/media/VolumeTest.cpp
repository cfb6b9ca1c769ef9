// Volume: master, music and sounds scale what the mixer mixes; at 100 % the
// samples are exactly those of no volume control at all.

#include <cstring>
#include <filesystem>

#include "MediaTestRig.h"
#include "MusicSynth.h"

namespace parvel {
namespace {

using test::fixture;

std::vector<float> soundAt(int master, int sounds, bool mute = false) {
    test::MediaRig rig;
    rig.host.settings().MasterVolume = master;
    rig.host.settings().SoundVolume = sounds;
    rig.host.settings().Mute = mute;
    rig.media->applyVolume();
    rig.capture();
    rig.media->PlaySoundEffect(fixture("sine16_mono_44k.wav"));
    rig.wait(0.1);
    return rig.mixed;
}

TEST(Volume, FullVolumeMixesTheSameSamplesBitForBit) {
    test::MediaRig plain;  // volume never applied
    plain.capture();
    plain.media->PlaySoundEffect(fixture("sine16_mono_44k.wav"));
    plain.wait(0.1);
    const auto full = soundAt(100, 100);
    ASSERT_EQ(full.size(), plain.mixed.size());
    EXPECT_EQ(std::memcmp(full.data(), plain.mixed.data(), full.size() * sizeof(float)), 0);
}

TEST(Volume, MasterTimesSoundsScalesEachSample) {
    const auto full = soundAt(100, 100);
    const auto part = soundAt(50, 50);  // a quarter
    ASSERT_EQ(part.size(), full.size());
    float peak = 0;
    for (size_t i = 0; i < full.size(); ++i) {
        EXPECT_FLOAT_EQ(part[i], 0.25f * full[i]) << "sample " << i;
        peak = std::max(peak, std::fabs(full[i]));
    }
    EXPECT_GT(peak, 0.1f);
    for (float s : soundAt(100, 100, true)) ASSERT_EQ(s, 0.0f);
    for (float s : soundAt(0, 100)) ASSERT_EQ(s, 0.0f);
}

TEST(Volume, MusicFollowsItsOwnSliderNotTheSounds) {
    bool have = false;
    for (const auto& f : defaultSoundFonts()) have = have || std::filesystem::exists(f);
    if (!have) GTEST_SKIP() << "no GM soundfont installed";
    auto songPeak = [](int music, int sounds) {
        test::MediaRig rig(true);
        rig.host.settings().MusicVolume = music;
        rig.host.settings().SoundVolume = sounds;
        rig.media->applyVolume();
        rig.capture();
        rig.media->MusicControl(fixture("type1.mid"), "open");
        rig.wait(0.5);
        return rig.peak();
    };
    const float full = songPeak(100, 100);
    EXPECT_GT(full, 0.01f);
    EXPECT_FLOAT_EQ(songPeak(100, 0), full);
    EXPECT_EQ(songPeak(0, 100), 0.0f);
}

TEST(SoundFontChoice, AFileThatIsNoSoundFontKeepsTheOneInUse) {
    MusicSynth synth("", {});
    const std::string bad = fixture("type1.mid");  // a file, but no soundfont
    const std::string why = synth.switchSoundFont(bad);
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(synth.soundFontInUse(), "");
    EXPECT_EQ(synth.switchSoundFont(fixture("no such.sf2")), "the file is not there");
    for (const auto& f : defaultSoundFonts())
        if (std::filesystem::exists(f)) {
            EXPECT_EQ(synth.switchSoundFont(f), "");
            EXPECT_EQ(synth.soundFontInUse(), f);
            EXPECT_FALSE(synth.switchSoundFont(bad).empty());
            EXPECT_EQ(synth.soundFontInUse(), f);
            break;
        }
}

}  // namespace
}  // namespace parvel
