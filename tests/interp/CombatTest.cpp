#include <set>

#include "GameFixture.h"

using Combat = GameFixture;

TEST_F(Combat, MaximaHealingAndHitsShowInColouredLabels) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n"
        "[A]\n@maxHeroHP = 20\n@MaxenemyHP = 40\n@option1 = on\n@Link1 = B\n"
        "[B]\n@herohit = 5\n@enemyhit = 30\n@option1 = on\n@Link1 = C\n"
        "[C]\n@HPup = MAX\n@herohit = 13\n@option1 = on\n@Link1 = D\n"
        "[D]\n@HPup = 100\n@HPenemyUp = 3\n");
    const auto lines = play(game,
                            "open\nclick\nwait 1\nsnapshot\noption 1\nwait 1\nsnapshot\n"
                            "option 1\nwait 1\nsnapshot\noption 1\nwait 1\nsnapshot\n");
    auto a = snapshot(lines, 0), b = snapshot(lines, 1), c = snapshot(lines, 2),
         d = snapshot(lines, 3);
    EXPECT_EQ(field(a, "hero"), "20 #C0C000");
    EXPECT_EQ(field(a, "heromax"), "/20");
    EXPECT_EQ(field(a, "enemy"), "40 #C0C000");
    EXPECT_EQ(field(a, "enemymax"), "/40");
    EXPECT_EQ(field(b, "hero"), "15 #00C000");    // 75 %
    EXPECT_EQ(field(b, "enemy"), "10 #FF8080");   // 25 %
    EXPECT_EQ(field(b, "enemymax"), "/40");
    EXPECT_EQ(field(c, "hero"), "7 #FF8000");     // healed to 20, then 13 off: 35 %
    EXPECT_EQ(field(d, "hero"), "20 #FFFF00");    // at most the maximum
    EXPECT_EQ(field(d, "enemy"), "13 #FF8000");   // 32.5 %
}

TEST_F(Combat, AFallLeadsToTheLoseSceneAndClearsThePoints) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n"
        "[A]\n@maxHeroHP = 10\n@losescene = Lost\n@option1 = on\n@Link1 = B\n"
        "[B]\n@herohit = 10\n@losescene = Other\n@description = never seen\n"
        "[Lost]\n@description = you fell\n[Other]\n");
    EXPECT_EQ(only(play(game, "open\nclick\nwait 1\noption 1\nwait 1\n"), "scene: "),
              (std::vector<std::string>{"scene: A", "scene: B", "scene: Lost"}));
    const auto lines = play(game, "open\nclick\nwait 1\noption 1\nwait 1\nsnapshot\n");
    const auto s = snapshot(lines, 0);
    EXPECT_EQ(field(s, "text"), "you fell");
    EXPECT_EQ(field(s, "hero"), " #FF0000");
    EXPECT_EQ(field(s, "heromax"), "");
}

TEST_F(Combat, MissingWinOrLoseSceneIsFatal) {
    const auto lose = writeGame("[Setup]\n@firstscene = A\n[A]\n@maxHeroHP = 3\n@herohit = 4\n");
    auto lines = play(lose, "open\nclick\nwait 1\nsnapshot\n");
    EXPECT_TRUE(has(lines, "msgbox: Error - NO LOSE SCENE DECLARED!!! - QUITTING"));
    EXPECT_EQ(field(snapshot(lines, 0), "scene"), "A");
    const auto win = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@MaxenemyHP = 3\n@enemyhit = 3\n@winscene = W\n[W]\n",
        "win.txt");
    lines = play(win, "open\nclick\nwait 1\n");
    EXPECT_TRUE(has(lines, "msgbox: Error - NO WIN SCENE DECLARED!!! - QUITTING"));
    EXPECT_EQ(only(lines, "scene: ").size(), 1u);
}

TEST_F(Combat, RandomHitsCoverTheirRange) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@MaxenemyHP = 100\n@enemyhit = RAN(10-1)\n"
        "@winscene = W\n[W]\n");
    std::set<int> damage;
    for (std::uint32_t seed = 1; seed <= 150; ++seed) {
        const auto lines = play(game, "open\nclick\nwait 1\nsnapshot\n", seed);
        const std::string enemy = field(snapshot(lines, 0), "enemy");
        damage.insert(100 - std::stoi(enemy.substr(0, enemy.find(' '))));
    }
    EXPECT_EQ(damage, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(Combat, ValuesThatAreNoNumbersChangeNothing) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@maxHeroHP = 12\n@option1 = on\n@Link1 = B\n"
        "[B]\n@herohit = lots\n@HPup = some\n@maxHeroHP = many\n");
    const auto lines = play(game, "open\nclick\nwait 1\noption 1\nwait 1\nsnapshot\n");
    EXPECT_EQ(field(snapshot(lines, 0), "hero"), "12 #FFFF00");
    EXPECT_EQ(field(snapshot(lines, 0), "heromax"), "/12");
}
