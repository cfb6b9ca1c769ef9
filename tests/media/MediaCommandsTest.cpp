#include <gtest/gtest.h>

#include "MediaTestRig.h"

namespace parvel {
namespace {

using test::fixture;
using test::MediaRig;

TEST(MediaCommands, StatusOfNothingOpenIsAnError) {
    MediaRig rig;
    std::string reply = "junk";
    EXPECT_EQ(rig.media->commands().send("status MFile mode", &reply), mediaerr::kDeviceNotOpen);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(rig.media->MediaQuery("status MFile length"), "");
    EXPECT_EQ(rig.log, (std::vector<std::string>{"status MFile mode", "status MFile length"}));
}

TEST(MediaCommands, KeywordsAndAliasesIgnoreCase) {
    MediaRig rig;
    auto& c = rig.media->commands();
    EXPECT_EQ(c.send("OPEN \"" + fixture("type0.mid") + "\" type SEQUENCER alias mfile"), 0);
    std::string reply;
    EXPECT_EQ(c.send("Status MFILE Length", &reply), 0);
    EXPECT_EQ(reply, "1000");
    EXPECT_EQ(c.send("status mfile time format", &reply), 0);
    EXPECT_EQ(reply, "milliseconds");
    EXPECT_EQ(c.send("Close MFile"), 0);
}

TEST(MediaCommands, ReportsMalformedCommands) {
    MediaRig rig;
    auto& c = rig.media->commands();
    EXPECT_EQ(c.send(""), mediaerr::kUnrecognizedCommand);
    EXPECT_EQ(c.send("dance MFile"), mediaerr::kUnrecognizedCommand);
    EXPECT_EQ(c.send("play"), mediaerr::kMissingParameter);
    EXPECT_EQ(c.send("open"), mediaerr::kMissingParameter);
    EXPECT_EQ(c.send("open \"" + fixture("type0.mid") + "\" type kazoo alias m"),
              mediaerr::kUnknownDeviceType);
    EXPECT_EQ(c.send("open \"" + fixture("type0.mid") + "\" type sequencer alias"),
              mediaerr::kMissingParameter);
    EXPECT_EQ(c.send("open \"" + fixture("type0.mid") + "\" type sequencer volume 3"),
              mediaerr::kUnrecognizedKeyword);
    ASSERT_EQ(c.send("open \"" + fixture("type0.mid") + "\" type sequencer alias MFile"), 0);
    EXPECT_EQ(c.send("open \"" + fixture("type1.mid") + "\" type sequencer alias MFile"),
              mediaerr::kDuplicateAlias);
    EXPECT_EQ(c.send("open \"" + fixture("type1.mid") + "\" type sequencer alias Other"),
              mediaerr::kDeviceInUse);
    EXPECT_EQ(c.send("status MFile colour"), mediaerr::kUnrecognizedKeyword);
    EXPECT_EQ(c.send("set MFile time format frames"), mediaerr::kBadTimeFormat);
    EXPECT_EQ(c.send("play MFile from x"), mediaerr::kBadInteger);
    EXPECT_EQ(c.send("close all"), 0);
    EXPECT_EQ(c.send("close MFile"), mediaerr::kDeviceNotOpen);
}

TEST(MediaCommands, OpensByExtensionWithoutAType) {
    MediaRig rig;
    auto& c = rig.media->commands();
    EXPECT_EQ(c.send("open " + fixture("type1.mid") + " alias song"), 0);
    std::string reply;
    EXPECT_EQ(c.send("status song length", &reply), 0);
    EXPECT_EQ(reply, "1200");
    EXPECT_EQ(c.send("open " + fixture("clip.avi") + " alias film"), 0);
    EXPECT_EQ(c.send("status film length", &reply), 0);
    EXPECT_EQ(reply, "1000");  // milliseconds until the time format is set
}

TEST(MediaCommands, ErrorStringsAreSentences) {
    EXPECT_EQ(MediaCommands::errorString(0), "Success");
    for (int code : {mediaerr::kDeviceNotOpen, mediaerr::kFileNotFound, mediaerr::kInvalidFile,
                     mediaerr::kUnrecognizedCommand}) {
        const auto s = MediaCommands::errorString(code);
        EXPECT_FALSE(s.empty());
        EXPECT_NE(s, "Success");
        EXPECT_EQ(s.back(), '.');
    }
    EXPECT_EQ(MediaCommands::errorString(9999), "Unknown media error 9999.");
}

TEST(MediaCommands, ShutdownClosesEverything) {
    MediaRig rig;
    rig.media->MusicControl(fixture("type0.mid"), "open");
    rig.media->OpenVideo(1, fixture("clip.avi"), "AviVideo");
    rig.media->PlaySoundEffect(fixture("long.wav"));
    rig.media->shutdown();
    EXPECT_EQ(rig.media->MediaQuery("status MFile mode"), "");
    EXPECT_EQ(rig.media->VideoMode(), "ERROR");
    EXPECT_EQ(rig.media->soundEffectEnd(), -1);
}

}  // namespace
}  // namespace parvel
