// The real player window on an X server: start the demo, click the title
// screen, choose the first option, and compare what the window shows with
// a headless replay of the same steps.

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>

#include "E2eSupport.h"

namespace fs = std::filesystem;

namespace {


// Where `picture` sits in `screen`, ignoring the columns [skipFrom, skipTo)
// of the picture (the sprite there moves on its own clock).
std::optional<QPoint> find(const QImage& screen, const QImage& picture, int skipFrom, int skipTo) {
    for (int oy = 0; oy + picture.height() <= screen.height() && oy < 120; ++oy)
        for (int ox = 0; ox + picture.width() <= screen.width() && ox < 120; ++ox) {
            bool same = true;
            for (int y = 0; y < picture.height() && same; ++y)
                for (int x = 0; x < picture.width() && same; ++x) {
                    if (x >= skipFrom && x < skipTo) continue;
                    same = (screen.pixel(ox + x, oy + y) & 0xFFFFFF) == (picture.pixel(x, y) & 0xFFFFFF);
                }
            if (same) return QPoint(ox, oy);
        }
    return std::nullopt;
}

}  // namespace

TEST(DemoWindow, ChosenSceneLooksAsTheReplayShowsIt) {
    if (!onPath("Xvfb") || !onPath("xdotool")) GTEST_SKIP() << "needs Xvfb and xdotool";
    const fs::path dir = fs::temp_directory_path() / ("parvel-e2e-window-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "config");
    const std::string game = std::string(DEMO_DIR) + "/Gamefile.txt";

    // The replay: the Road scene, its picture and its labels.
    std::ofstream(dir / "input.txt") << "open\nclick\nwait 1\noption 1\nwait 0.3\npicture "
                                     << (dir / "replay.png").string() << "\nsnapshot\n";
    const auto replay = snapshots(runLines(quoted(TAVI_EXE) + " play " + quoted(game) +
                                           " --input " + quoted((dir / "input.txt").string())));
    ASSERT_EQ(replay.size(), 1u);
    ASSERT_EQ(replay[0][0], "scene: Road");

    // The window: the same steps by mouse and keyboard.
    const std::string script =
        "export XDG_CONFIG_HOME=\"$D/config\" XDG_DATA_HOME=\"$D/data\" PARVEL_STATE_FILE=\"$D/state.txt\"\n"
        "\"$PARVEL\" \"$GAME\" & p=$!\n"
        "for i in $(seq 300); do w=$(xdotool search --name 'The Lantern Road' | head -1); "
        "[ -n \"$w\" ] && break; sleep 0.1; done\n"
        "[ -n \"$w\" ] || { kill $p; exit 3; }\n"
        "sleep 2\n"  // the main loop starts a second after the window
        "xdotool mousemove --window $w 120 220 click 1\n"
        "sleep 1.5\n"
        "xdotool windowfocus --sync $w 2>/dev/null; xdotool key --window $w a\n"
        "sleep 1.5\n"
        "\"$GRAB\" 0 \"$D/window.png\"\n"
        "kill -USR1 $p; sleep 0.5\n"
        "kill $p; wait $p\n";
    int status = -1;
    const auto out = driveWindow(dir, game, script, &status, "GRAB=" + quoted(GRAB_SCREEN_EXE));
    ASSERT_EQ(status, 0) << joined(out);

    // Labels: what the window says equals what the replay says.
    const auto state = readLines(dir / "state.txt");
    ASSERT_GE(state.size(), 15u);
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8}) EXPECT_EQ(state[static_cast<size_t>(i)], replay[0][static_cast<size_t>(i)]);

    // The picture: the road, pixel for pixel, away from the sprite, whose
    // standing frames change on their own clock.
    const QImage screen(QString::fromStdString((dir / "window.png").string()));
    const QImage picture(QString::fromStdString((dir / "replay.png").string()));
    ASSERT_FALSE(screen.isNull());
    ASSERT_EQ(picture.size(), QSize(200, 115));
    const auto at = find(screen, picture, 80, 120);
    ASSERT_TRUE(at.has_value()) << "the replay's picture is not on the screen";
    EXPECT_EQ(at->x(), 40);  // Picture1 sits 40 pixels from the window's left edge
    if (!HasFailure()) fs::remove_all(dir);
}
