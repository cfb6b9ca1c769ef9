#include <gtest/gtest.h>

#include <mutex>

#include "MediaTestRig.h"

namespace parvel {
namespace {

using test::fixture;
using test::MediaRig;
using Log = std::vector<std::string>;

// Keeps what the video area would show.
class ImageSink : public VideoSink {
public:
    void videoFrame(const QImage& frame, std::int32_t number) override {
        std::lock_guard g(m_mutex);
        numbers.push_back(number);
        last = frame.copy();
    }
    void videoClosed() override {
        std::lock_guard g(m_mutex);
        ++closed;
    }
    std::mutex m_mutex;
    std::vector<std::int32_t> numbers;
    QImage last;
    int closed = 0;
};

constexpr std::int32_t kHandle = 4242;

std::string openText(const std::string& path, const char* type) {
    return "open " + path + " type " + type + " Alias mpeg parent 4242 Style 1073741824";
}

struct ClipCase {
    const char* file;
    const char* type;
};

class VideoClips : public ::testing::TestWithParam<ClipCase> {};

TEST_P(VideoClips, OpenPlayToTheEndAndClose) {
    ImageSink sink;  // outlives the clip, which reports its close
    MediaRig rig;
    rig.media->setVideoSink(kHandle, &sink);
    rig.capture();
    const std::string path = fixture(GetParam().file);
    EXPECT_EQ(rig.media->OpenVideo(kHandle, path, GetParam().type), "Success");
    EXPECT_EQ(rig.media->VideoLength(), 25);
    EXPECT_EQ(rig.takeLog(), (Log{openText(path, GetParam().type), "set mpeg time format frames",
                                  "status mpeg length"}));
    EXPECT_EQ(rig.media->VideoMode(), "stopped");
    EXPECT_EQ(rig.media->PlayVideo("", ""), "Success");
    EXPECT_EQ(rig.takeLog(), (Log{"status mpeg mode", "set mpeg time format frames",
                                  "status mpeg length", "play mpeg from 1 to 25"}));
    EXPECT_EQ(rig.media->VideoMode(), "playing");
    rig.wait(0.5);
    EXPECT_EQ(rig.media->VideoMode(), "playing");
    rig.media->settleVideo();
    {
        std::lock_guard g(sink.m_mutex);
        ASSERT_FALSE(sink.numbers.empty());
        EXPECT_EQ(sink.numbers.front(), 1);
        EXPECT_LE(sink.numbers.back(), 13);
    }
    rig.wait(0.5);
    EXPECT_EQ(rig.media->VideoMode(), "stopped");
    EXPECT_EQ(rig.media->commands().send("status mpeg position"), 0);
    rig.media->settleVideo();
    {
        std::lock_guard g(sink.m_mutex);
        EXPECT_EQ(sink.numbers.size(), 25u);
        EXPECT_EQ(sink.numbers.back(), 25);
        EXPECT_EQ(sink.last.size(), QSize(160, 120));
        EXPECT_EQ(sink.last.format(), QImage::Format_RGB32);
    }
    // The clip's tone was mixed while it played.
    EXPECT_GT(rig.peak(2205, 40000), 0.3f);
    EXPECT_EQ(rig.media->CloseVideo(), "Success");
    EXPECT_EQ(sink.closed, 1);
    EXPECT_EQ(rig.media->VideoMode(), "ERROR");
    EXPECT_EQ(rig.media->VideoLength(), -1);
}

INSTANTIATE_TEST_SUITE_P(Formats, VideoClips,
                         ::testing::Values(ClipCase{"clip.avi", "AviVideo"},
                                           ClipCase{"clip.mpg", "MPEGVideo"}));

TEST(Video, FramesShowTheClipsPictures) {
    ImageSink sink;  // outlives the clip, which reports its close
    MediaRig rig;
    rig.media->setVideoSink(kHandle, &sink);
    ASSERT_EQ(rig.media->OpenVideo(kHandle, fixture("clip.avi"), "AviVideo"), "Success");
    rig.media->VideoLength();
    rig.media->PlayVideo("", "");
    rig.wait(1.1);
    rig.media->settleVideo();
    std::lock_guard g(sink.m_mutex);
    ASSERT_EQ(sink.numbers.size(), 25u);
    // The last frame is a flat grey of luma 16 + 24 * 8 = 208 (limited range).
    const QRgb c = sink.last.pixel(80, 60);
    EXPECT_NEAR(qRed(c), (208 - 16) * 255 / 219, 3);
    EXPECT_EQ(qRed(c), qGreen(c));
}

TEST(Video, FramesOfAnyWidthKeepTheirSize) {
    // 200 pixels is no multiple of the converter's blocks; frames must come
    // out 200 wide without writing past their rows (once a heap overrun).
    ImageSink sink;
    MediaRig rig;
    rig.media->setVideoSink(kHandle, &sink);
    ASSERT_EQ(rig.media->OpenVideo(kHandle, fixture("wide200.avi"), "AviVideo"), "Success");
    EXPECT_EQ(rig.media->VideoLength(), 25);
    rig.media->PlayVideo("", "");
    rig.wait(1.1);
    rig.media->settleVideo();
    std::lock_guard g(sink.m_mutex);
    ASSERT_EQ(sink.numbers.size(), 25u);
    EXPECT_EQ(sink.last.size(), QSize(200, 112));
    const QRgb c = sink.last.pixel(199, 111);
    EXPECT_NEAR(qRed(c), (208 - 16) * 255 / 219, 3);
}

TEST(Video, StopAndReplayFromTheStart) {
    MediaRig rig;
    ASSERT_EQ(rig.media->OpenVideo(kHandle, fixture("clip.mpg"), "MPEGVideo"), "Success");
    rig.media->VideoLength();
    rig.media->PlayVideo("", "");
    rig.wait(0.4);
    EXPECT_EQ(rig.media->StopVideo(), "Success");
    EXPECT_EQ(rig.media->VideoMode(), "stopped");
    EXPECT_EQ(rig.media->PlayVideo("", ""), "Success");
    EXPECT_EQ(rig.media->VideoMode(), "playing");
    rig.wait(0.99);
    EXPECT_EQ(rig.media->VideoMode(), "playing");
    rig.wait(0.02);
    EXPECT_EQ(rig.media->VideoMode(), "stopped");
}

TEST(Video, PartialRangeLastsItsFrames) {
    MediaRig rig;
    ASSERT_EQ(rig.media->OpenVideo(kHandle, fixture("clip.avi"), "AviVideo"), "Success");
    EXPECT_EQ(rig.media->VideoLength(), 25);
    rig.takeLog();
    EXPECT_EQ(rig.media->PlayVideo("11", "15"), "Success");
    EXPECT_EQ(rig.takeLog(), (Log{"play mpeg from 11 to 15"}));
    rig.wait(0.19);
    EXPECT_EQ(rig.media->VideoMode(), "playing");
    rig.wait(0.02);
    EXPECT_EQ(rig.media->VideoMode(), "stopped");
    EXPECT_NE(rig.media->PlayVideo("20", "30"), "Success");
}

TEST(Video, PathWithSpacesOpens) {
    MediaRig rig;
    const std::string path = fixture("with spaces/My Clip.avi");
    EXPECT_EQ(rig.media->OpenVideo(kHandle, path, "AviVideo"), "Success");
    EXPECT_EQ(rig.takeLog(), (Log{openText(path, "AviVideo")}));
    EXPECT_EQ(rig.media->VideoLength(), 25);
}

TEST(Video, ScriptPathsResolveWithoutRegardToCaseOrSeparator) {
    MediaRig rig;
    std::string path = test::fixtureDir() + "CLIP.AVI";
    EXPECT_EQ(rig.media->OpenVideo(kHandle, path, "AviVideo"), "Success");
}

TEST(Video, BrokenClipsFailToOpenAndLeaveNothingOpen) {
    for (const char* name : {"missing.avi", "empty.avi", "corrupt.avi", "corrupt.mpg"}) {
        SCOPED_TRACE(name);
        MediaRig rig;
        const std::string r = rig.media->OpenVideo(kHandle, fixture(name), "AviVideo");
        EXPECT_NE(r, "Success");
        EXPECT_FALSE(r.empty());
        EXPECT_EQ(rig.media->VideoLength(), -1);
        EXPECT_EQ(rig.media->VideoMode(), "ERROR");
        EXPECT_NE(rig.media->PlayVideo("", ""), "Success");
        EXPECT_NE(rig.media->CloseVideo(), "Success");
    }
    MediaRig rig;
    EXPECT_EQ(rig.media->OpenVideo(kHandle, fixture("missing.avi"), "AviVideo"),
              MediaCommands::errorString(mediaerr::kFileNotFound));
}

TEST(Video, TruncatedClipPlaysWhatItHasAndEnds) {
    ImageSink sink;  // outlives the clip, which reports its close
    MediaRig rig;
    rig.media->setVideoSink(kHandle, &sink);
    if (rig.media->OpenVideo(kHandle, fixture("truncated.avi"), "AviVideo") != "Success") return;
    const auto length = rig.media->VideoLength();
    EXPECT_GT(length, 0);
    rig.media->PlayVideo("", "");
    rig.wait(static_cast<double>(length) / 25 + 0.1);
    EXPECT_EQ(rig.media->VideoMode(), "stopped");
    rig.media->settleVideo();
    std::lock_guard g(sink.m_mutex);
    EXPECT_LE(sink.numbers.size(), static_cast<size_t>(length));
}

TEST(Video, CloseWhilePlayingStopsTheDecoder) {
    ImageSink sink;  // outlives the clip, which reports its close
    MediaRig rig;
    rig.media->setVideoSink(kHandle, &sink);
    ASSERT_EQ(rig.media->OpenVideo(kHandle, fixture("clip.avi"), "AviVideo"), "Success");
    rig.media->VideoLength();
    rig.media->PlayVideo("", "");
    rig.wait(0.2);
    EXPECT_EQ(rig.media->CloseVideo(), "Success");
    const size_t shown = sink.numbers.size();
    rig.wait(1.0);
    EXPECT_EQ(sink.numbers.size(), shown);
    EXPECT_EQ(sink.closed, 1);
    // A new clip opens after the close, as the scene commands do it.
    EXPECT_EQ(rig.media->OpenVideo(kHandle, fixture("clip.mpg"), "MPEGVideo"), "Success");
}

}  // namespace
}  // namespace parvel
