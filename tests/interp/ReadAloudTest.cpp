#include "GameFixture.h"

using ReadAloud = GameFixture;

namespace {
std::vector<std::string> without(const std::vector<std::string>& lines, std::string_view prefix) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        if (l.rfind(prefix, 0) != 0) out.push_back(l);
    return out;
}
}  // namespace

TEST_F(ReadAloud, SaysTheTitleThenEachSceneTextLineByLineAndItsOptions) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = Gate\n[Title]\n@name = Road\n@author = Ann\n"
        "[Gate]\n@description = An iron gate.\\nA lantern hangs there.\n"
        "@option1 = Walk in \n@option3 = Turn back\n@Link1 = Hall\n@Link3 = Gate\n"
        "[Hall]\n@description = Dark.\n");
    const auto lines = play(game, "menu readaloud\nopen\nclick\nwait 1\noption 1\nwait 1\n");
    EXPECT_EQ(only(lines, "speech: "),
              (std::vector<std::string>{"speech: Parvel - Road", "speech: Author: Ann",
                                        "speech: Artist: ", "speech: Produced by: ", "speech: ()",
                                        "speech: An iron gate.", "speech: A lantern hangs there.",
                                        "speech: a: Walk in, d: Turn back", "speech: Dark."}));
    // The text comes once the scene has started, before anything it plays.
    const auto gate = std::find(lines.begin(), lines.end(), "scene: Gate");
    ASSERT_NE(gate, lines.end());
    EXPECT_EQ(*(gate + 1), "speech: An iron gate.");
}

TEST_F(ReadAloud, SaysThePointsAFightChanged) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n"
        "[A]\n@maxHeroHP = 20\n@MaxenemyHP = 10\n@description = Wolf!\n@option1 = Hit\n@Link1 = B\n"
        "[B]\n@herohit = 5\n@enemyhit = 7\n@option1 = Again\n@Link1 = C\n"
        "[C]\n@description = Calm.\n@option1 = On\n@Link1 = C\n");
    const auto lines =
        play(game, "open\nmenu readaloud\nclick\nwait 1\noption 1\nwait 1\noption 1\nwait 1\n");
    EXPECT_EQ(only(lines, "speech: "),
              (std::vector<std::string>{"speech: Wolf!", "speech: Hero 20 of 20, Enemy 10 of 10",
                                        "speech: a: Hit", "speech: Hero 15 of 20, Enemy 3 of 10",
                                        "speech: a: Again", "speech: Calm.", "speech: a: On"}));
}

TEST_F(ReadAloud, SaysAMessageBoxAfterShowingIt) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n"
        "[A]\n@maxHeroHP = 3\n@option1 = on\n@Link1 = B\n[B]\n@herohit = 9\n");
    const auto lines = play(game, "open\nmenu readaloud\nclick\nwait 1\noption 1\nwait 1\n");
    const auto box = std::find(lines.begin(), lines.end(),
                               "msgbox: Error - NO LOSE SCENE DECLARED!!! - QUITTING");
    ASSERT_NE(box, lines.end());
    ASSERT_NE(box + 1, lines.end());
    EXPECT_EQ(*(box + 1), "speech: Error - NO LOSE SCENE DECLARED!!! - QUITTING");
}

TEST_F(ReadAloud, OffByDefaultAndTurnedOffChangesNothing) {
    const auto game =
        writeGame("[Setup]\n@firstscene = A\n[A]\n@description = Hi\n@option1 = Go\n@Link1 = A\n");
    const auto plain = play(game, "open\nclick\nwait 1\noption 1\nwait 1\nsnapshot\n");
    EXPECT_TRUE(only(plain, "speech: ").empty());
    const auto twice = play(
        game, "menu readaloud\nmenu readaloud\nopen\nclick\nwait 1\noption 1\nwait 1\nsnapshot\n");
    EXPECT_EQ(twice, plain);
    const auto on = play(game, "menu readaloud\nopen\nclick\nwait 1\noption 1\nwait 1\nsnapshot\n");
    EXPECT_EQ(without(on, "speech: "), plain);
}
