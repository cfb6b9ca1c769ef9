// Closing the real window and opening the game again: File > Continue
// (Ctrl+R) lands on the scene left, with its state.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "E2eSupport.h"

namespace fs = std::filesystem;

TEST(DemoWindow, ContinueAfterClosingLandsOnTheSceneLeft) {
    if (!onPath("Xvfb") || !onPath("xdotool")) GTEST_SKIP() << "needs Xvfb and xdotool";
    const fs::path dir = fs::temp_directory_path() / ("parvel-e2e-continue-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "config");
    const std::string game = std::string(DEMO_DIR) + "/Gamefile.txt";

    const std::string script =
        "export XDG_CONFIG_HOME=\"$D/config\" XDG_DATA_HOME=\"$D/data\" PARVEL_STATE_FILE=\"$D/state.txt\"\n"
        + reachFunction() + startDemoWindow() +
        "xdotool windowfocus --sync $w; sleep 2\n"
        "xdotool key Return; reach Dusk 10\n"
        "sleep 0.5; xdotool key a; reach Road 11\n"
        "sleep 0.5; kill $p; wait $p\n"  // closes as the close button does
        "rm -f \"$D/state.txt\"\n" +
        startDemoWindow() +
        "xdotool windowfocus --sync $w; sleep 2\n"
        "kill -USR1 $p; sleep 0.3; head -1 \"$D/state.txt\"\n"  // the title screen
        "xdotool key ctrl+r; reach Road 12\n"
        "sleep 1; kill -USR1 $p; sleep 0.3; cat \"$D/state.txt\"\n"
        "kill $p; wait $p\n";
    int status = -1;
    const auto out = driveWindow(dir, game, script, &status);
    const std::string log = joined(out);
    ASSERT_EQ(status, 0) << log;
    const auto first = std::find_if(out.begin(), out.end(), [](const std::string& l) { return l.rfind("scene:", 0) == 0; });
    ASSERT_NE(first, out.end()) << log;
    EXPECT_EQ(*first, "scene: ") << log;  // the title screen: no scene before Continue
    EXPECT_NE(std::find(out.begin(), out.end(), "sprite: on 100 79"), out.end()) << log;
    if (!HasFailure()) fs::remove_all(dir);
}
