#include <gtest/gtest.h>

#include <filesystem>

#include "MediaTestRig.h"
#include "MusicSynth.h"

namespace parvel {
namespace {

using test::fixture;
using test::MediaRig;
using Log = std::vector<std::string>;

std::string openText(const std::string& path) {
    return "open \"" + path + "\" Type sequencer Alias MFile";
}

struct MusicRig : MediaRig {
    explicit MusicRig(bool withSoundFont = false) : MediaRig(withSoundFont) {
        media->setDirectories(test::fixtureDir(), test::fixtureDir());
    }
    std::string query(const char* c) { return media->MediaQuery(c); }
};

TEST(Music, FirstSongOpensWithoutStoppingAnything) {
    MusicRig rig;
    rig.media->MusicControl(fixture("type0.mid"), "open");
    EXPECT_EQ(rig.takeLog(), (Log{openText(fixture("type0.mid")), "play MFile"}));
    EXPECT_EQ(rig.media->rememberedMusicPath(), fixture("type0.mid"));
    EXPECT_EQ(rig.query("status MFile mode"), "playing");
}

TEST(Music, SameSongOrNoSongKeepsItPlaying) {
    MusicRig rig;
    rig.media->MusicControl(fixture("type0.mid"), "open");
    rig.takeLog();
    rig.wait(0.3);
    rig.media->MusicControl(fixture("type0.mid"), "open");
    rig.media->MusicControl(test::fixtureDir(), "open");
    EXPECT_TRUE(rig.takeLog().empty());
    EXPECT_EQ(rig.query("status MFile position"), "300");
}

TEST(Music, DifferentSongStopsClosesOpensPlays) {
    MusicRig rig;
    rig.media->MusicControl(fixture("type0.mid"), "open");
    rig.takeLog();
    rig.media->MusicControl(fixture("type1.mid"), "open");
    EXPECT_EQ(rig.takeLog(),
              (Log{"stop MFile", "close MFile", openText(fixture("type1.mid")), "play MFile"}));
    EXPECT_EQ(rig.query("status MFile length"), "1200");
}

TEST(Music, LengthPositionAndModeFollowTheClock) {
    MusicRig rig;
    rig.media->MusicControl(fixture("type1.mid"), "open");
    EXPECT_EQ(rig.query("status MFile length"), "1200");
    EXPECT_EQ(rig.query("status MFile position"), "0");
    rig.wait(0.75);
    EXPECT_EQ(rig.query("status MFile position"), "750");
    EXPECT_EQ(rig.query("status MFile mode"), "playing");
    rig.wait(1.0);
    // At its end the song rests at position = length.
    EXPECT_EQ(rig.query("status MFile position"), "1200");
    EXPECT_EQ(rig.query("status MFile mode"), "stopped");
}

TEST(Music, CheckForceRestartsAnEndedSongOnly) {
    MusicRig rig;
    rig.media->MusicControl(fixture("type0.mid"), "open");
    rig.takeLog();
    rig.wait(0.5);
    rig.media->MusicControl(fixture("type0.mid"), "CheckForce");
    EXPECT_EQ(rig.takeLog(), (Log{"status MFile length", "status MFile position"}));
    rig.wait(0.6);
    rig.media->MusicControl(fixture("type0.mid"), "CheckForce");
    EXPECT_EQ(rig.takeLog(), (Log{"status MFile length", "status MFile position", "stop MFile",
                                  "close MFile", openText(fixture("type0.mid")), "play MFile"}));
    EXPECT_EQ(rig.query("status MFile position"), "0");
    EXPECT_EQ(rig.query("status MFile mode"), "playing");
}

TEST(Music, LoopsByRestartThroughManyPasses) {
    MusicRig rig;
    rig.media->MusicControl(fixture("type0.mid"), "open");
    int restarts = 0;
    // The scene loop checks about every two seconds.
    for (int i = 0; i < 10; ++i) {
        rig.wait(2.0);
        rig.takeLog();
        rig.media->MusicControl(fixture("type0.mid"), "CheckForce");
        for (auto& l : rig.takeLog()) restarts += l == "play MFile";
    }
    EXPECT_EQ(restarts, 10);
}

TEST(Music, CheckForceWithoutASongAsksOnlyTheLength) {
    MusicRig rig;
    rig.media->MusicControl(fixture("type0.mid"), "CheckForce");
    EXPECT_EQ(rig.takeLog(), (Log{"status MFile length"}));
}

TEST(Music, SceneWithoutSongKeepsLoopingTheRememberedSong) {
    MusicRig rig;
    rig.media->MusicControl(fixture("type0.mid"), "open");
    rig.wait(1.5);
    rig.takeLog();
    rig.media->MusicControl(test::fixtureDir(), "CheckForce");
    EXPECT_EQ(rig.takeLog(), (Log{"status MFile length", "status MFile position", "stop MFile",
                                  "close MFile", openText(fixture("type0.mid")), "play MFile"}));
    EXPECT_EQ(rig.query("status MFile mode"), "playing");
}

TEST(Music, StopRequestsStopAndClose) {
    MusicRig rig;
    rig.media->MusicControl(fixture("type0.mid"), "open");
    rig.takeLog();
    rig.media->MusicControl("", "stop");
    EXPECT_EQ(rig.takeLog(), (Log{"stop MFile", "close MFile"}));
    EXPECT_EQ(rig.query("status MFile mode"), "");
    rig.takeLog();
    // The STOP scene then opens its empty path: nothing opens, and the
    // remembered path becomes empty.
    rig.media->MusicControl("", "open");
    EXPECT_EQ(rig.takeLog(), (Log{"stop MFile", "close MFile", openText(""), "play MFile"}));
    EXPECT_EQ(rig.media->rememberedMusicPath(), "");
    // A later scene with a song starts it without stopping anything.
    rig.media->MusicControl(fixture("type1.mid"), "open");
    EXPECT_EQ(rig.takeLog(), (Log{openText(fixture("type1.mid")), "play MFile"}));
}

TEST(Music, CloseOnExitKeepsTheRememberedPathAndBlankCloseDoesNothing) {
    MusicRig rig;
    rig.media->MusicControl(fixture("type0.mid"), "open");
    rig.takeLog();
    rig.media->MusicControl(" ", "close");
    EXPECT_TRUE(rig.takeLog().empty());
    rig.media->MusicControl("!", "Close");
    EXPECT_EQ(rig.takeLog(), (Log{"stop MFile", "close MFile"}));
    EXPECT_EQ(rig.media->rememberedMusicPath(), fixture("type0.mid"));
}

TEST(Music, PlayMusicOffIgnoresRequestsButStillLoops) {
    MusicRig rig;
    rig.media->MusicControl(fixture("type0.mid"), "open");
    rig.host.settings().PlayMusic = false;
    rig.takeLog();
    rig.media->MusicControl(fixture("type1.mid"), "open");
    rig.media->MusicControl("", "stop");
    EXPECT_TRUE(rig.takeLog().empty());
    EXPECT_EQ(rig.query("status MFile mode"), "playing");
    rig.wait(1.2);
    rig.takeLog();
    rig.media->MusicControl(fixture("type0.mid"), "CheckForce");
    EXPECT_EQ(rig.takeLog().back(), "play MFile");

    MusicRig off;
    off.host.settings().PlayMusic = false;
    off.media->MusicControl(fixture("type0.mid"), "open");
    EXPECT_TRUE(off.takeLog().empty());
}

TEST(Music, MissingOrBrokenSongFailsSilentlyAndIsNotRetried) {
    for (const char* name : {"missing.mid", "empty.mid", "corrupt.mid"}) {
        MusicRig rig;
        rig.media->MusicControl(fixture(name), "open");
        EXPECT_EQ(rig.takeLog(), (Log{openText(fixture(name)), "play MFile"}));
        EXPECT_EQ(rig.query("status MFile length"), "");
        rig.takeLog();
        rig.media->MusicControl(fixture(name), "open");
        rig.media->MusicControl(fixture(name), "CheckForce");
        EXPECT_EQ(rig.takeLog(), (Log{"status MFile length"}));
    }
    // The music folder itself, as a first scene without a song opens it.
    MusicRig rig;
    rig.media->MusicControl(test::fixtureDir(), "open");
    EXPECT_EQ(rig.query("status MFile mode"), "");
}

TEST(Music, WithoutSoundFontItIsSilentButKeepsTime) {
    MusicRig rig(false);
    rig.capture();
    rig.media->MusicControl(fixture("type0.mid"), "open");
    rig.wait(0.5);
    EXPECT_EQ(rig.peak(), 0.0f);
    EXPECT_EQ(rig.query("status MFile position"), "500");
}

bool haveSoundFont() {
    for (const auto& f : defaultSoundFonts())
        if (std::filesystem::exists(f)) return true;
    return false;
}

TEST(Music, WithSoundFontTheSongSounds) {
    if (!haveSoundFont()) GTEST_SKIP() << "no GM soundfont installed";
    MusicRig rig(true);
    rig.capture();
    rig.media->MusicControl(fixture("type1.mid"), "open");
    rig.wait(0.5);
    EXPECT_GT(rig.peak(), 0.01f);
    rig.wait(1.0);
    EXPECT_EQ(rig.query("status MFile mode"), "stopped");
    rig.media->MusicControl("!", "Close");
    const size_t closedAt = rig.mixed.size() / 2;
    rig.wait(0.2);
    EXPECT_EQ(rig.peak(closedAt), 0.0f);
}

TEST(Music, StopThenPlayResumes) {
    MusicRig rig;
    rig.media->MusicControl(fixture("type1.mid"), "open");
    rig.wait(0.4);
    EXPECT_EQ(rig.media->commands().send("stop MFile"), 0);
    rig.wait(1.0);
    EXPECT_EQ(rig.query("status MFile mode"), "stopped");
    EXPECT_EQ(rig.query("status MFile position"), "400");
    EXPECT_EQ(rig.media->commands().send("play MFile"), 0);
    rig.wait(0.1);
    EXPECT_EQ(rig.query("status MFile position"), "500");
}

}  // namespace
}  // namespace parvel
