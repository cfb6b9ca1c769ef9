// A game whose first scene does not exist, in the real window: the title
// click gives one message box, with Show Errors on or off; once it is
// answered none follows and the window still takes commands.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "E2eSupport.h"

namespace fs = std::filesystem;

TEST(BrokenGameWindow, MissingFirstSceneGivesOneMessageAndLeavesTheWindowUsable) {
    if (!onPath("Xvfb") || !onPath("xdotool")) GTEST_SKIP() << "needs Xvfb and xdotool";
    for (const bool showErrors : {true, false}) {
        SCOPED_TRACE(showErrors ? "Show Errors on" : "Show Errors off");
        const fs::path dir = fs::temp_directory_path() / ("parvel-e2e-broken-" +
                                                          std::to_string(::getpid()) +
                                                          (showErrors ? "-on" : "-off"));
        fs::remove_all(dir);
        fs::create_directories(dir / "game");
        fs::create_directories(dir / "bin");
        std::ofstream(dir / "bin" / "Parvel.ini", std::ios::binary)
            << "[Parvel]\r\nShowErrors=" << (showErrors ? "True" : "False") << "\r\n";
        const fs::path game = dir / "game" / "Gamefile.txt";
        std::ofstream(game, std::ios::binary)
            << "[Setup]\r\n@firstscene = Nowhere\r\n\r\n[Title]\r\n@name = Lost\r\n\r\n"
               "[Start]\r\n@description = Never reached.\r\n";
        // Message boxes are the visible windows titled "Parvel" alone.
        const std::string script =
            "export PARVEL_STATE_FILE=\"$D/state.txt\"\n"
            "boxes() { xdotool search --onlyvisible --name '^Parvel$' 2>/dev/null | wc -l; }\n"
            "\"$PARVEL\" \"$GAME\" & p=$!\n"
            "for i in $(seq 300); do w=$(xdotool search --name 'Parvel - Lost' | head -1); "
            "[ -n \"$w\" ] && break; sleep 0.1; done\n"
            "[ -n \"$w\" ] || { kill $p; exit 3; }\n"
            "sleep 2\n"
            "eval \"$(xdotool getwindowgeometry --shell $w)\"\n"
            "xdotool mousemove $((X + 120)) $((Y + 200)) click 1\n"
            "for i in $(seq 50); do [ \"$(boxes)\" -gt 0 ] && break; sleep 0.1; done\n"
            "sleep 1; echo \"boxes: $(boxes)\"\n"
            "b=$(xdotool search --onlyvisible --name '^Parvel$' | head -1)\n"
            "[ -n \"$b\" ] && { xdotool windowfocus --sync $b; xdotool key Return; }\n"
            "sleep 1.5; echo \"after: $(boxes)\"\n"
            "kill -USR1 $p; sleep 0.5; head -2 \"$D/state.txt\"\n"
            "xdotool windowfocus --sync $w; xdotool key ctrl+o\n"
            "for i in $(seq 50); do o=$(xdotool search --onlyvisible --name "
            "'^Please Choose a valid Game File$' | head -1); [ -n \"$o\" ] && break; sleep 0.1; "
            "done\n"
            "[ -n \"$o\" ] && echo 'open dialog shows'\n"
            "kill $p; wait $p\n";
        int status = -1;
        const auto out = driveWindow(dir, game.string(), script, &status, {}, {}, "700x600x24");
        const std::string log = joined(out);
        ASSERT_EQ(status, 0) << log;
        auto has = [&](const std::string& line) {
            return std::find(out.begin(), out.end(), line) != out.end();
        };
        EXPECT_TRUE(has("boxes: 1")) << log;
        EXPECT_TRUE(has("after: 0")) << log;
        EXPECT_TRUE(has("title: ERROR - SCENE NOT DEFINED!")) << log;
        EXPECT_TRUE(has("open dialog shows")) << log;
        if (!HasFailure()) fs::remove_all(dir);
    }
}
