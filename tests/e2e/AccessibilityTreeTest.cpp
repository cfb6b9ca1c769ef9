// What a screen reader finds in the real window: the demo under Xvfb with
// a session bus and the AT-SPI registry, read and driven by
// accessible_tree.py through pyatspi.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "E2eSupport.h"

namespace fs = std::filesystem;

TEST(DemoWindow, ScreenReaderFindsTheSceneAndPressesAnOption) {
    if (!haveAtSpiTools())
        GTEST_SKIP()
            << "needs Xvfb, xdotool, dbus-run-session, at-spi2-core and python3-pyatspi";
    const fs::path dir =
        fs::temp_directory_path() / ("parvel-e2e-atspi-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "config");
    const std::string game = std::string(DEMO_DIR) + "/Gamefile.txt";

    // The bridge is on as if a screen reader had asked for it; the
    // accessibility bus runs before the player so it finds it at start.
    const std::string script =
        "export XDG_CONFIG_HOME=\"$D/config\" XDG_DATA_HOME=\"$D/data\" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1\n"
        "/usr/libexec/at-spi-bus-launcher --launch-immediately & b=$!\n"
        "sleep 1\n"
        + startDemoWindow("$b") +
        "xdotool windowfocus --sync $w\n"
        "sleep 2\n"  // the main loop starts a second after the window
        "/usr/bin/python3 \"$TREE\"; rc=$?\n"
        "kill $p; wait $p; kill $b\n"
        "exit $rc\n";
    int status = -1;
    const auto out = driveWindow(dir, game, script, &status,
                                 "TREE=" + quoted(std::string(E2E_DIR) + "/accessible_tree.py"),
                                 "dbus-run-session -- ");
    const std::string log = joined(out);
    ASSERT_EQ(status, 0) << log;
    EXPECT_NE(std::find(out.begin(), out.end(), "ok"), out.end()) << log;
    if (!HasFailure()) fs::remove_all(dir);
}

