// The video and music modules loaded on first use, their absence, and the
// audio output that is open only while something plays.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "MediaModules.h"
#include "MediaTestRig.h"
#include "Paths.h"

namespace parvel {
namespace {

using test::fixture;
using test::MediaRig;

TEST(MediaModules, SearchFolders) {
    const auto folders = mediaModuleFolders();
    ASSERT_GE(folders.size(), 2u);
    EXPECT_EQ(folders[0], programFolder());
    EXPECT_EQ(folders[1], programFolder() + "../lib/parvel/");
}

// Each case runs in a fresh process (the modules load once per process), with
// the module folder pointing where there are none.
class MissingModules : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(MissingModules, ClipFailsToOpenWithOneLogLine) {
    EXPECT_EXIT(
        {
            ::setenv("PARVEL_MODULE_DIR", PARVEL_TEST_BINARY_DIR, 1);
            MediaRig rig;
            bool ok = rig.media->OpenVideo(1, fixture("clip.avi"), "AviVideo") ==
                      "The device type is not known.";
            ok = ok && rig.media->VideoLength() == -1 && rig.media->VideoMode() == "ERROR";
            ok = ok && rig.media->OpenVideo(1, fixture("clip.mpg"), "MPEGVideo") ==
                           "The device type is not known.";
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0),
        "^parvel.media: media module not loaded \\(libparvel_video.so not found\\): video clips cannot play\n$");
}

TEST_F(MissingModules, SongPlaysSilentlyOnTime) {
    EXPECT_EXIT(
        {
            ::setenv("PARVEL_MODULE_DIR", PARVEL_TEST_BINARY_DIR, 1);
            MediaRig rig;
            rig.media->setSoundFont(fixture("type0.mid"));  // any file: the module never reads it
            rig.capture();
            rig.media->MusicControl(fixture("type1.mid"), "open");
            rig.wait(0.75);
            bool ok = rig.media->MediaQuery("status MFile position") == "750";
            rig.wait(1.0);
            ok = ok && rig.media->MediaQuery("status MFile mode") == "stopped" && rig.peak() == 0;
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0),
        "^parvel.media: media module not loaded \\(libparvel_music.so not found\\): music plays silently\n$");
}

TEST(AudioDevice, OpensWhileSomethingPlaysOnly) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);  // never a real sound card in tests
    HeadlessHost host;
    MediaSystem media(host, {});
    ASSERT_TRUE(media.mixer().hasDevice());
    EXPECT_FALSE(media.mixer().deviceOpen());  // idle from the start: no audio thread
    media.mixer().setIdleClose(100);
    auto waitFor = [](auto done) {
        for (int i = 0; i < 300 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return done();
    };
    for (int round = 0; round < 2; ++round) {
        media.PlaySoundEffect(fixture("sine16_mono_44k.wav"));
        EXPECT_TRUE(media.mixer().deviceOpen());
        // The quarter-second sound plays out in full before the output closes.
        ASSERT_TRUE(waitFor([&] { return !media.mixer().deviceOpen(); }));
        EXPECT_GE(media.mixer().frames(), kMixRate / 4);
        const auto frames = media.mixer().frames();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(media.mixer().frames(), frames);
    }
}

}  // namespace
}  // namespace parvel
