// The demo played to its winning ending in the real window with nothing but
// the keyboard: Enter on the title screen, Tab and the arrows to move the
// focus ring over the options, Enter to choose, and a held arrow to walk.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "E2eSupport.h"

namespace fs = std::filesystem;

TEST(DemoWindow, KeyboardOnlyWalkthroughReachesTheEnding) {
    if (std::system("command -v Xvfb >/dev/null 2>&1 && "
                    "command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    const fs::path dir =
        fs::temp_directory_path() / ("parvel-e2e-keys-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "config");
    const std::string game = std::string(DEMO_DIR) + "/Gamefile.txt";

    // Each step waits, asking the window for its state, until the scene it
    // leads to is shown; a step that never gets there fails with its number.
    const std::string script =
        "export XDG_CONFIG_HOME=\"$D/config\" XDG_DATA_HOME=\"$D/data\" PARVEL_STATE_FILE=\"$D/state.txt\"\n"
        + startDemoWindow() +
        "xdotool windowfocus --sync $w\n"
        "sleep 2\n"  // the main loop starts a second after the window
        + reachFunction() +
        "xdotool key Return; reach Dusk 10\n"
        "xdotool key Tab Down Down Return; reach Road 11\n"  // round the two options
        "xdotool keydown Right; reach Gate 12; xdotool keyup Right\n"
        "sleep 0.5; xdotool key Down Down Down Down Down Down Return; reach Courtyard 13\n"
        "sleep 0.5; xdotool key Return; reach Fight 14\n"
        "for blow in 1 2 3 4 5 6; do sleep 0.5; xdotool key Return; sleep 1;\n"
        "  kill -USR1 $p; sleep 0.3; head -1 \"$D/state.txt\" | grep -qx 'scene: Dawn' && break\n"
        "done\n"
        "reach Dawn 15\n"
        "kill $p; wait $p\n";
    int status = -1;
    const auto out = driveWindow(dir, game, script, &status);
    const std::string log = joined(out);
    ASSERT_EQ(status, 0) << log;
    if (!HasFailure()) fs::remove_all(dir);
}
