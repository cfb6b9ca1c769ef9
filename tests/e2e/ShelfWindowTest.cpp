// The game shelf in the real program under Xvfb: add a folder through the
// folder dialog, read the list through the accessibility tree, open the
// second game with Enter and find its title on the main window.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "E2eSupport.h"

namespace fs = std::filesystem;

namespace {

void writeGame(const fs::path& folder, const std::string& name) {
    fs::create_directories(folder);
    std::ofstream(folder / "Gamefile.txt", std::ios::binary)
        << "[Setup]\r\n@firstscene=Start\r\n[Title]\r\n@name=" << name
        << "\r\n[Start]\r\n@desc=Hi.\r\n";
}

}  // namespace

TEST(ShelfWindow, AddedFolderIsListedAndEnterOpensTheGame) {
    if (!haveAtSpiTools())
        GTEST_SKIP()
            << "needs Xvfb, xdotool, dbus-run-session, at-spi2-core and python3-pyatspi";
    const fs::path dir =
        fs::temp_directory_path() / ("parvel-e2e-shelf-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    writeGame(dir / "games" / "Lantern", "The Lantern Road");
    writeGame(dir / "games" / "cd" / "Beacon", "Beacon Hill");
    writeGame(dir / "games" / "cd" / "AMBER", "Amber Coast");
    fs::create_directories(dir / "games" / "empty");

    const std::string script =
        "export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 XDG_DATA_HOME=\"$D/data\"\n"
        "/usr/libexec/at-spi-bus-launcher --launch-immediately & b=$!\n"
        "sleep 1\n"
        "\"$PARVEL\" --shelf & p=$!\n"
        "wait_for() { for i in $(seq 300); do w=$(xdotool search --name \"$1\" | head -1); "
        "[ -n \"$w\" ] && return 0; sleep 0.1; done; return 1; }\n"
        "wait_for '^Game Shelf$' || { kill $p $b; exit 3; }\n"
        "shelf=$w\n"
        "xdotool windowfocus --sync $shelf key alt+a\n"
        "wait_for '^Add a folder of games$' || { echo 'no folder dialog'; kill $p $b; exit 1; }\n"
        "xdotool windowfocus --sync $w type --delay 10 \"$D/games\"\n"
        // The first Return may only close the name completer's list.
        "dialog=$w\n"
        "for i in $(seq 20); do xdotool windowfocus --sync $dialog key Return 2>/dev/null; sleep 0.5; "
        "xdotool search --name '^Add a folder of games$' >/dev/null || break; done\n"
        "/usr/bin/python3 \"$NAMES\" 'Amber Coast' 'Beacon Hill' 'The Lantern Road'; rc=$?\n"
        "if [ $rc = 0 ]; then\n"
        "  xdotool windowfocus --sync $shelf key ctrl+f Down Down Return\n"
        "  if wait_for '^Parvel - Beacon Hill$'; then echo opened; else rc=1; xdotool search "
        "--name Parvel getwindowname %@; fi\n"
        "fi\n"
        "kill $p; wait $p; kill $b\n"
        "exit $rc\n";
    int status = -1;
    const auto out = driveWindow(dir, "", script, &status,
                                 "NAMES=" + quoted(std::string(E2E_DIR) + "/shelf_names.py"),
                                 "dbus-run-session -- ");
    const std::string log = joined(out);
    ASSERT_EQ(status, 0) << log;
    const auto at = std::find(out.begin(), out.end(), "Amber Coast");
    ASSERT_NE(at, out.end()) << log;
    EXPECT_EQ(std::vector<std::string>(at, std::min(at + 3, out.end())),
              (std::vector<std::string>{"Amber Coast", "Beacon Hill", "The Lantern Road"}));
    EXPECT_NE(std::find(out.begin(), out.end(), "opened"), out.end()) << log;
    if (!HasFailure()) fs::remove_all(dir);
}
