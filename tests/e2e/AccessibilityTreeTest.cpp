// What a screen reader finds in the real window: the demo under Xvfb with
// a session bus and the AT-SPI registry, read and driven by
// accessible_tree.py through pyatspi.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "E2eSupport.h"

namespace fs = std::filesystem;

namespace {
// A folder of the run's own, with the settings folder the window takes.
fs::path runFolder(const std::string& kind) {
    const fs::path dir =
        fs::temp_directory_path() / ("parvel-e2e-" + kind + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "config");
    return dir;
}
}  // namespace

TEST(DemoWindow, ScreenReaderFindsTheSceneAndPressesAnOption) {
    if (!haveAtSpiTools())
        GTEST_SKIP()
            << "needs Xvfb, xdotool, dbus-run-session, at-spi2-core and python3-pyatspi";
    const fs::path dir = runFolder("atspi");
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

// Blind play with a real screen reader: Orca, started before the player as
// a desktop would, speaking through a speech-dispatcher of the test's own
// (espeak-ng into a null audio device), under a window manager. What Orca
// said is read from its debug file, written line by line, by orca_play.py.
TEST(DemoWindow, OrcaSaysEachSceneTheOptionsAndThePoints) {
    if (!haveAtSpiTools() || !onPath("orca") || !onPath("speech-dispatcher") || !onPath("openbox") ||
        !std::filesystem::exists("/usr/lib/speech-dispatcher-modules/sd_espeak-ng"))
        GTEST_SKIP() << "needs orca, speech-dispatcher, espeak-ng and openbox besides the AT-SPI "
                        "tools (Debian: orca speech-dispatcher-espeak-ng openbox)";
    // Orca runs once per user: it refuses to start beside another (the
    // user's own, or a second test run's), so the check waits its turn.
    if (std::system("pgrep -u \"$(id -u)\" -x orca >/dev/null 2>&1") == 0)
        GTEST_SKIP() << "another Orca runs for this user, and Orca starts only once per user";
    const fs::path dir = runFolder("orca");
    const std::string game = std::string(DEMO_DIR) + "/Gamefile.txt";

    // Everything is started here and ended by its id; Orca never with
    // --replace, which would end every Orca of the user.
    const std::string script =
        "export XDG_CONFIG_HOME=\"$D/config\" XDG_DATA_HOME=\"$D/data\" XDG_RUNTIME_DIR=\"$D/run\" "
        "PARVEL_STATE_FILE=\"$D/state.txt\" SPEECHD_ADDRESS=\"unix_socket:$D/speechd.sock\"\n"
        "mkdir -p \"$D/run\" \"$D/speechd\" \"$D/orca\" \"$HOME\"; chmod 700 \"$D/run\"\n"
        "printf 'default_driver=null\\n' >\"$HOME/.libao\"\n"
        "printf 'AudioOutputMethod \"libao\"\\nDefaultModule espeak-ng\\n"
        "AddModule \"espeak-ng\" \"sd_espeak-ng\" \"espeak-ng.conf\"\\n' >\"$D/speechd/speechd.conf\"\n"
        "speech-dispatcher -s -t 0 -c unix_socket -S \"$D/speechd.sock\" -C \"$D/speechd\" -L \"$D\" "
        ">\"$D/speechd.out\" 2>&1 & s=$!\n"
        "openbox >\"$D/openbox.out\" 2>&1 & o=$!\n"
        "/usr/libexec/at-spi-bus-launcher --launch-immediately & b=$!\n"
        "sleep 1\n"
        "/usr/bin/python3 \"$E2E/orca_line_buffered.py\" -u \"$D/orca\" --debug-file \"$D/orca.log\" "
        ">\"$D/orca.out\" 2>&1 & r=$!\n"
        "for i in $(seq 150); do grep -q 'Screen reader on' \"$D/orca.log\" 2>/dev/null && break; "
        "sleep 0.2; done\n"
        "if grep -q 'Another screen reader' \"$D/orca.out\"; then kill $r $o $s $b; wait; exit 77; fi\n"
        + startDemoWindow("$r $o $s $b") +
        "xdotool windowactivate --sync $w\n"
        "PLAYER_PID=$p /usr/bin/python3 \"$PLAY\"; rc=$?\n"
        // Orca may linger on its way out: a few seconds, then it is killed.
        "kill $p; wait $p\n"
        "kill $r $o $s $b 2>/dev/null\n"
        "for i in $(seq 50); do a=0; for q in $r $o $s $b; do kill -0 $q 2>/dev/null && a=1; done; "
        "[ $a = 0 ] && break; sleep 0.1; done\n"
        "kill -9 $r $o $s $b 2>/dev/null; wait\n"
        "exit $rc\n";
    int status = -1;
    const auto out = driveWindow(dir, game, script, &status,
                                 "E2E=" + quoted(std::string(E2E_DIR)) + " PLAY=" +
                                     quoted(std::string(E2E_DIR) + "/orca_play.py"),
                                 "dbus-run-session -- ");
    const std::string log = joined(out);
    if (status == 77) {
        fs::remove_all(dir);
        GTEST_SKIP() << "another Orca started beside this one, and Orca starts only once per user";
    }
    ASSERT_EQ(status, 0) << log;
    EXPECT_NE(std::find(out.begin(), out.end(), "ok"), out.end()) << log;
    if (!HasFailure()) fs::remove_all(dir);
}
