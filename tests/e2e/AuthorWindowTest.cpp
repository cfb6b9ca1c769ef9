// Author mode in the real window: an edit of the scene playing shows within
// a second whether the editor writes in place or renames over, with the
// points as they were; Ctrl+G starts a scene by name; a scene the edit
// takes away lands on the first scene with a status line, no message box.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "E2eSupport.h"

namespace fs = std::filesystem;

TEST(AuthorWindow, EditsShowGoToSceneStartsAndAVanishedSceneLandsOnTheFirst) {
    if (!onPath("Xvfb") || !onPath("xdotool")) GTEST_SKIP() << "needs Xvfb and xdotool";
    const fs::path dir =
        fs::temp_directory_path() / ("parvel-e2e-author-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "game");
    const fs::path game = dir / "game" / "Gamefile.txt";
    std::ofstream(game, std::ios::binary)
        << "[Setup]\r\n@firstscene = Start\r\n\r\n[Title]\r\n@name = Rooms\r\n\r\n"
           "[Start]\r\n@description = A bare room.\r\n@maxHeroHP = 20\r\n@option1 = Go "
           "east\r\n@Link1 = East\r\n\r\n"
           "[East]\r\n@description = The east room.\r\n@herohit = 3\r\n@option1 = Go "
           "back\r\n@Link1 = Start\r\n\r\n"
           "[Hall]\r\n@description = A long hall.\r\n@option1 = Back\r\n@Link1 = Start\r\n";

    // Each "state NAME" prints the window's state a second (at most) after
    // the edit before it.
    const std::string script =
        "export PARVEL_STATE_FILE=\"$D/state.txt\"\n" + reachFunction() +
        "state() { sleep 0.75; kill -USR1 $p; sleep 0.25; echo \"== $1\"; cat \"$D/state.txt\"; }\n"
        "\"$PARVEL\" --author \"$GAME\" & p=$!\n"
        "for i in $(seq 300); do w=$(xdotool search --name 'Parvel - Rooms' | head -1); "
        "[ -n \"$w\" ] && break; sleep 0.1; done\n"
        "[ -n \"$w\" ] || { kill $p; exit 3; }\n"
        "xdotool windowactivate --sync $w; xdotool windowfocus --sync $w; sleep 2\n"
        "xdotool key Return; reach Start 10\n"
        "sleep 0.3; xdotool key a; reach East 11\n"
        "state east\n"
        "sed 's/The east room\\./The east room, repainted./' \"$GAME\" > \"$D/v1\"; cat \"$D/v1\" "
        "> \"$GAME\"\n"
        "state inplace\n"
        "sed 's/repainted\\./renamed over./' \"$GAME\" > \"$D/game/.Gamefile.txt.new\"; "
        "mv \"$D/game/.Gamefile.txt.new\" \"$GAME\"\n"
        "state renamed\n"
        "xdotool key ctrl+g; sleep 0.7; xdotool type --delay 30 hall; xdotool key Return; reach "
        "Hall 12\n"
        "state hall\n"
        "grep -v '^\\[Hall\\]' \"$GAME\" | sed 's/A long hall\\.//' > \"$D/v3\"; cat \"$D/v3\" > "
        "\"$GAME\"\n"
        "state deleted\n"
        "echo \"message boxes: $(xdotool search --onlyvisible --name '^Parvel$' | wc -l)\"\n"
        "kill $p; wait $p\n";
    int status = -1;
    const auto out = driveWindow(dir, game.string(), script, &status, {}, {}, "700x600x24");
    const std::string log = joined(out);
    ASSERT_EQ(status, 0) << log;
    auto block = [&](const std::string& name) {
        auto at = std::find(out.begin(), out.end(), "== " + name);
        std::vector<std::string> lines;
        if (at != out.end())
            for (++at; at != out.end() && at->rfind("== ", 0) != 0; ++at) lines.push_back(*at);
        return lines;
    };
    auto has = [](const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has(block("east"), "hero: 17 #80FF80")) << log;
    for (const char* edit : {"inplace", "renamed"}) {
        const auto b = block(edit);
        EXPECT_TRUE(has(b, "scene: East")) << edit << "\n" << log;
        EXPECT_TRUE(has(b, std::string("text: The east room, ") +
                               (edit == std::string("inplace") ? "repainted." : "renamed over.")))
            << edit << "\n"
            << log;
        EXPECT_TRUE(has(b, "hero: 17 #80FF80")) << edit << "\n" << log;
        EXPECT_TRUE(has(b, "author-status: Reloaded \"East\".")) << edit << "\n" << log;
    }
    EXPECT_TRUE(has(block("hall"), "text: A long hall.")) << log;
    EXPECT_TRUE(has(block("hall"), "author-scene: Hall at Gamefile.txt:19")) << log;
    const auto gone = block("deleted");
    EXPECT_TRUE(has(gone, "scene: Start")) << log;
    EXPECT_TRUE(
        has(gone, "author-status: No scene \"Hall\" any more: playing the first scene, \"Start\"."))
        << log;
    EXPECT_TRUE(has(out, "message boxes: 0")) << log;
    if (!HasFailure()) fs::remove_all(dir);
}
