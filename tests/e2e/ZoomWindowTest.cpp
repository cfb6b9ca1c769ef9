// The real window at 2x and 3x and in full screen under Xvfb: the picture is
// the replay's picture with every pixel an exact k x k block, and the mouse
// at k times an option's place hovers and chooses that option.

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <optional>

#include "E2eSupport.h"

namespace fs = std::filesystem;

namespace {


// Where `picture` enlarged k times sits in `screen`, every screen pixel
// compared, away from the picture's columns [skipFrom, skipTo) (the sprite
// there moves on its own clock).
std::optional<QPoint> findEnlarged(const QImage& screen, const QImage& picture, int k, int skipFrom,
                                   int skipTo) {
    const int w = picture.width() * k, h = picture.height() * k;
    for (int oy = 0; oy + h <= screen.height(); ++oy)
        for (int ox = 0; ox + w <= screen.width(); ++ox) {
            bool same = true;
            for (int y = 0; y < h && same; ++y)
                for (int x = 0; x < w && same; ++x) {
                    if (x / k >= skipFrom && x / k < skipTo) continue;
                    same = (screen.pixel(ox + x, oy + y) & 0xFFFFFF) ==
                           (picture.pixel(x / k, y / k) & 0xFFFFFF);
                }
            if (same) return QPoint(ox, oy);
        }
    return std::nullopt;
}

struct ZoomRun {
    fs::path dir;
    std::vector<std::string> hovered, chosen;  // window states
    QImage screen, replay;
};

// Plays title click, hover over option 1, click on it, at k times the
// designed positions (the menu bar, about 20 pixels, above them).
ZoomRun play(const std::string& name, const std::string& options, int k, const std::string& screen,
             QPoint offset = {}, const std::string& env = "") {
    ZoomRun r;
    r.dir = fs::temp_directory_path() / ("parvel-e2e-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(r.dir);
    fs::create_directories(r.dir / "config");
    const std::string game = std::string(DEMO_DIR) + "/Gamefile.txt";
    std::ofstream(r.dir / "input.txt") << "open\nclick\nwait 1\noption 1\nwait 0.3\npicture "
                                       << (r.dir / "replay.png").string() << "\n";
    runLines(quoted(TAVI_EXE) + " play " + quoted(game) + " --input " +
             quoted((r.dir / "input.txt").string()));
    auto pos = [&](int x, int y) {
        return std::to_string(offset.x() + x * k) + " " + std::to_string(offset.y() + y * k + 20);
    };
    std::ostringstream script;
    script << "export XDG_CONFIG_HOME=\"$D/config\" XDG_DATA_HOME=\"$D/data\" PARVEL_STATE_FILE=\"$D/state.txt\"\n"
           "\"$PARVEL\" "
        << options
        << " \"$GAME\" & p=$!\n"
           "for i in $(seq 300); do w=$(xdotool search --name 'The Lantern Road' | head -1); "
           "[ -n \"$w\" ] && break; sleep 0.1; done\n"
           "[ -n \"$w\" ] || { kill $p; exit 3; }\n"
           "sleep 2.5\n"
           "eval \"$(xdotool getwindowgeometry --shell $w)\"\n"
           "m() { xdotool mousemove $((X + $1)) $((Y + $2)); }\n"
           "m "
        << pos(120, 220)
        << "; xdotool click 1\n"
           "sleep 1.5\n"
           "m "
        << pos(60, 270) << "; sleep 0.2; m " << pos(61, 271)
        << "; sleep 0.5\n"
           "kill -USR1 $p; sleep 0.5; mv \"$D/state.txt\" \"$D/hovered.txt\"\n"
           "xdotool click 1\n"
           "sleep 1.5\n"
           "\"$GRAB\" 0 \"$D/window.png\"\n"
           "kill -USR1 $p; sleep 0.5\n"
           "kill $p; wait $p\n";
    int status = -1;
    const auto out = driveWindow(r.dir, game, script.str(), &status,
                                 env + " GRAB=" + quoted(GRAB_SCREEN_EXE), "", screen);
    EXPECT_EQ(status, 0) << joined(out);
    r.hovered = readLines(r.dir / "hovered.txt");
    r.chosen = readLines(r.dir / "state.txt");
    r.screen = QImage(QString::fromStdString((r.dir / "window.png").string()));
    r.replay = QImage(QString::fromStdString((r.dir / "replay.png").string()));
    return r;
}

void expectHoverAndChoice(const ZoomRun& r) {
    ASSERT_GE(r.hovered.size(), 4u);
    EXPECT_EQ(r.hovered[0], "scene: Dusk");
    EXPECT_EQ(r.hovered[3].substr(r.hovered[3].size() - 4), " <--") << r.hovered[3];
    ASSERT_GE(r.chosen.size(), 1u);
    EXPECT_EQ(r.chosen[0], "scene: Road");
}

class ZoomedWindow : public ::testing::TestWithParam<int> {};

TEST_P(ZoomedWindow, PictureIsAnExactEnlargementAndTheMouseChoosesAsAt1x) {
    if (!onPath("Xvfb") || !onPath("xdotool")) GTEST_SKIP() << "needs Xvfb and xdotool";
    const int k = GetParam();
    ZoomRun r = play("zoom" + std::to_string(k), "--zoom=" + std::to_string(k), k, "1000x1700x24");
    expectHoverAndChoice(r);
    ASSERT_FALSE(r.screen.isNull());
    ASSERT_EQ(r.replay.size(), QSize(200, 115));
    const auto at = findEnlarged(r.screen, r.replay, k, 80, 120);
    ASSERT_TRUE(at.has_value()) << "the enlarged picture is not on the screen";
    EXPECT_EQ(at->x(), 40 * k);
    if (!HasFailure()) fs::remove_all(r.dir);
}

INSTANTIATE_TEST_SUITE_P(TwoAndThree, ZoomedWindow, ::testing::Values(2, 3));

TEST(HiDpiWindow, PictureIsDrawnPixelForPixelIntoDevicePixels) {
    if (!onPath("Xvfb") || !onPath("xdotool")) GTEST_SKIP() << "needs Xvfb and xdotool";
    ZoomRun r = play("hidpi", "--zoom=1", 2, "1000x1700x24", {}, "QT_SCALE_FACTOR=2");
    expectHoverAndChoice(r);
    ASSERT_FALSE(r.screen.isNull());
    const auto at = findEnlarged(r.screen, r.replay, 2, 80, 120);
    ASSERT_TRUE(at.has_value()) << "the picture is not sharp at device pixel ratio 2";
    EXPECT_EQ(at->x(), 80);
    if (!HasFailure()) fs::remove_all(r.dir);
}

TEST(FullScreenWindow, ContentAt2xCentredOnBlack) {
    if (!onPath("Xvfb") || !onPath("xdotool")) GTEST_SKIP() << "needs Xvfb and xdotool";
    // The positions the script clicks assume the content's top left corner;
    // in full screen it is centred, so the script is told where.
    ZoomRun r = play("fullscreen", "--full-screen --zoom=1", 2, "1280x1024x24", {360, 22});
    expectHoverAndChoice(r);
    ASSERT_FALSE(r.screen.isNull());
    ASSERT_EQ(r.screen.size(), QSize(1280, 1024));
    const auto at = findEnlarged(r.screen, r.replay, 2, 80, 120);
    ASSERT_TRUE(at.has_value()) << "the enlarged picture is not on the screen";
    EXPECT_EQ(at->x(), (1280 - 2 * 280) / 2 + 80);
    EXPECT_GE(at->y(), 35);  // centred below the menu bar, not against it
    // Black around the content: the left and right margins, the bottom strip.
    for (int y = 100; y < 1000; y += 50) {
        EXPECT_EQ(r.screen.pixel(5, y) & 0xFFFFFF, 0u) << y;
        EXPECT_EQ(r.screen.pixel(355, y) & 0xFFFFFF, 0u) << y;
        EXPECT_EQ(r.screen.pixel(925, y) & 0xFFFFFF, 0u) << y;
    }
    if (!HasFailure()) fs::remove_all(r.dir);
}

}  // namespace
