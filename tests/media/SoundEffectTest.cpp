#include <gtest/gtest.h>

#include <cstdlib>
#include <chrono>
#include <thread>

#include "MediaTestRig.h"

namespace parvel {
namespace {

using test::fixture;
using test::MediaRig;

constexpr Micros kQuarter = 250'000;  // the sine fixtures' length

TEST(SoundEffect, PlainSoundIsMixedAndReturnsZero) {
    MediaRig rig;
    rig.capture();
    EXPECT_EQ(rig.media->PlaySoundEffect(fixture("sine16_mono_44k.wav")), 0);
    rig.wait(0.1);
    EXPECT_EQ(rig.mixed.size(), 4410u * 2);
    EXPECT_NEAR(rig.peak(), 0.5f, 0.01f);
    rig.wait(0.3);
    EXPECT_EQ(rig.peak(11100), 0.0f);  // ended after a quarter second
    ASSERT_EQ(rig.sounds.size(), 1u);
    EXPECT_EQ(rig.sounds[0].second, fixture("sine16_mono_44k.wav"));
}

TEST(SoundEffect, NewSoundCutsThePrevious) {
    MediaRig rig;
    rig.media->PlaySoundEffect(fixture("long.wav"));
    rig.wait(0.5);
    rig.media->PlaySoundEffect(fixture("sine8_stereo_22k.wav"));
    EXPECT_NEAR(static_cast<double>(rig.media->soundEffectEnd() - rig.host.now()), kQuarter, 100);
}

TEST(SoundEffect, ExitNameCutsTheSoundOff) {
    for (const char* exitName : {"C:\\", "c:\\"}) {
        MediaRig rig;
        rig.capture();
        rig.media->PlaySoundEffect(fixture("long.wav"));
        rig.wait(0.2);
        EXPECT_GT(rig.media->soundEffectEnd(), 0);
        rig.media->PlaySoundEffect(exitName);
        EXPECT_EQ(rig.media->soundEffectEnd(), -1);
        const size_t before = rig.mixed.size() / 2;
        rig.wait(0.2);
        EXPECT_EQ(rig.peak(before), 0.0f);
    }
}

TEST(SoundEffect, SoundsOffPlaysNothing) {
    MediaRig rig;
    rig.host.settings().PlaySounds = false;
    EXPECT_EQ(rig.media->PlaySoundEffect(fixture("long.wav")), 0);
    EXPECT_EQ(rig.media->soundEffectEnd(), -1);
    EXPECT_TRUE(rig.sounds.empty());
}

TEST(SoundEffect, ModeOneTextOrNumberIsAStep) {
    MediaRig rig;
    rig.media->setDirectories(test::fixtureDir(), "");
    auto& q = rig.media->multiSoundQueue();
    q = {};
    q.active = true;
    q.names[0] = "sine16_mono_11k.wav";
    q.count = 1;
    q.passLimit = 5;
    EXPECT_NE(rig.media->PlaySoundEffect("", "1"), 0);
    EXPECT_EQ(q.position, 1);
    EXPECT_EQ(rig.media->PlaySoundEffect("", " 1 "), 0);  // refused: a sound plays
    EXPECT_EQ(q.position, 1);                              // wrapped to the first name
    EXPECT_EQ(q.passes, 1);
    EXPECT_EQ(rig.sounds.size(), 1u);
}

// Drives a wait loop the way the scene loop does, in 10 ms ticks.
void runQueue(MediaRig& rig, double seconds) {
    const Micros end = rig.host.now() + static_cast<Micros>(seconds * 1e6);
    while (rig.host.now() < end) {
        rig.media->PollMultiSound();
        rig.host.waitUntil(rig.host.now() + 10'000);
    }
}

void fillQueue(MediaSystem& media, std::vector<std::string> names, std::int16_t passLimit) {
    auto& q = media.multiSoundQueue();
    q = {};
    q.active = true;
    for (size_t i = 0; i < names.size(); ++i) q.names[i] = names[i];
    q.count = static_cast<std::int16_t>(names.size());
    q.passLimit = passLimit;
}

TEST(MultiSound, PlaysTheListInOrderEachAfterThePrevious) {
    MediaRig rig;
    rig.media->setDirectories(test::fixtureDir(), "");
    fillQueue(*rig.media, {"sine8_mono_11k.wav", "sine16_mono_22k.wav", "sine16_stereo_44k.wav"}, 2);
    runQueue(rig, 3.0);
    const std::string d = test::fixtureDir();
    std::vector<std::string> names;
    for (auto& [t, n] : rig.sounds) names.push_back(n);
    EXPECT_EQ(names, (std::vector<std::string>{d + "sine8_mono_11k.wav", d + "sine16_mono_22k.wav",
                                               d + "sine16_stereo_44k.wav", d + "sine8_mono_11k.wav",
                                               d + "sine16_mono_22k.wav", d + "sine16_stereo_44k.wav"}));
    for (size_t i = 1; i < rig.sounds.size(); ++i)
        EXPECT_GE(rig.sounds[i].first - rig.sounds[i - 1].first, kQuarter - 100);
    const auto& q = rig.media->multiSoundQueue();
    EXPECT_FALSE(q.active);
    EXPECT_EQ(q.position, 4);
    EXPECT_EQ(q.passes, 3);
}

TEST(MultiSound, PassLimitCountsPassesAndZeroPlaysOnce) {
    for (auto [limit, plays] : {std::pair{3, 3}, {1, 1}, {0, 1}}) {
        MediaRig rig;
        rig.media->setDirectories(test::fixtureDir(), "");
        fillQueue(*rig.media, {"sine16_mono_44k.wav"}, static_cast<std::int16_t>(limit));
        runQueue(rig, 2.0);
        EXPECT_EQ(rig.sounds.size(), static_cast<size_t>(plays)) << "passLimit " << limit;
    }
}

TEST(MultiSound, WaitsBehindAPlainSound) {
    MediaRig rig;
    rig.media->setDirectories(test::fixtureDir(), "");
    rig.media->PlaySoundEffect(fixture("long.wav"));
    fillQueue(*rig.media, {"sine16_mono_44k.wav"}, 1);
    runQueue(rig, 3.0);
    ASSERT_EQ(rig.sounds.size(), 2u);
    EXPECT_GE(rig.sounds[1].first, 2'000'000);
}

TEST(MultiSound, MissingNameDoesNotStallTheList) {
    MediaRig rig;
    rig.media->setDirectories(test::fixtureDir(), "");
    fillQueue(*rig.media, {"nothing-here.wav", "sine16_mono_44k.wav"}, 1);
    runQueue(rig, 1.0);
    ASSERT_EQ(rig.sounds.size(), 2u);
    EXPECT_EQ(rig.sounds[1].second, test::fixtureDir() + "sine16_mono_44k.wav");
    EXPECT_FALSE(rig.media->multiSoundQueue().active);
}

TEST(MultiSound, SoundsOffHoldsThePositionUntilOnAgain) {
    MediaRig rig;
    rig.media->setDirectories(test::fixtureDir(), "");
    fillQueue(*rig.media, {"sine16_mono_44k.wav", "sine8_mono_44k.wav"}, 1);
    rig.media->PollMultiSound();
    EXPECT_EQ(rig.media->multiSoundQueue().position, 1);
    rig.host.settings().PlaySounds = false;
    runQueue(rig, 1.0);
    EXPECT_EQ(rig.media->multiSoundQueue().position, 1);
    EXPECT_EQ(rig.sounds.size(), 1u);
    rig.host.settings().PlaySounds = true;
    runQueue(rig, 0.05);
    ASSERT_EQ(rig.sounds.size(), 2u);
    EXPECT_EQ(rig.sounds[1].second, test::fixtureDir() + "sine8_mono_44k.wav");
}

TEST(SoundEffect, SoundEndTellsTheWaitLoopWhenToWake) {
    MediaRig rig;
    rig.host.advanceClock(123'456);
    rig.media->PlaySoundEffect(fixture("sine16_mono_44k.wav"));
    const Micros end = rig.media->soundEffectEnd();
    EXPECT_NEAR(static_cast<double>(end - rig.host.now()), kQuarter, 100);
    rig.host.waitUntil(end - 1);
    EXPECT_GT(rig.media->soundEffectEnd(), 0);
    rig.host.waitUntil(end);
    EXPECT_EQ(rig.media->soundEffectEnd(), -1);
}

TEST(AudioDevice, DummyOutputConsumesTheMix) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);  // never a real sound card in tests
    HeadlessHost host;
    MediaSystem media(host, {});
    if (!media.mixer().hasDevice()) GTEST_SKIP() << "no SDL audio driver available";
    media.PlaySoundEffect(fixture("sine16_mono_44k.wav"));
    for (int i = 0; i < 200 && media.mixer().frames() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GT(media.mixer().frames(), 0);
}

}  // namespace
}  // namespace parvel
