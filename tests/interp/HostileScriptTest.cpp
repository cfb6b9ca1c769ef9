// Scripts that would once spin or hang the player: scene circles that never
// wait, absurd frame rates, random links too large to count.

#include "GameFixture.h"

using HostileScript = GameFixture;

TEST_F(HostileScript, LoseSceneThatHitsAgainLoopsAtTheFramePace) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@maxHeroHP = 10\n@losescene = L\n"
        "@option1 = Fight\n@Link1 = L\n"
        "[L]\n@description = Down again\n@herohit = 10\n");
    // The first fall is the game's own; from the next on each pass waits one
    // frame (the default .166 s), so one second holds a countable number.
    const auto lines = play(game, "open\nclick\nwait 0.5\noption 1\nwait 1\nsnapshot\n");
    const auto scenes = only(lines, "scene: L");
    EXPECT_EQ(scenes.size(), 2u + 6u + 1u);  // two at once, six a second, then the snapshot's
    EXPECT_EQ(field(snapshot(lines, 0), "text"), "Down again");
}

TEST_F(HostileScript, HugeAndTinyFrameDelaysNeitherSpinNorOverflow) {
    for (const char* speed : {"1e-19", "1e-300", "1e300", "-5", "0"}) {
        const auto game = writeGame(
            std::string("[Setup]\n@firstscene = A\n[A]\n@anim = a.bmp, b.bmp\n@animLoop = FOREVER\n"
                        "@animspeed = ") +
            speed + "\n@option1 = On\n@Link1 = B\n[B]\n@description = Reached\n");
        const auto lines = play(game, "open\nclick\nwait 2\noption 1\nwait 0.5\nsnapshot\n");
        EXPECT_EQ(field(snapshot(lines, 0), "text"), "Reached") << speed;
    }
}

TEST_F(HostileScript, RandomLinkCountTooLargeLeavesTheLinkAsWritten) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@randomLink = (R)1e300\n@option1 = Go\n@Link1 = RANDOM\n"
        "[R5]\n@description = five\n[RANDOM]\n@description = as written\n");
    const auto lines = play(game, "open\nclick\nwait 0.5\noption 1\nwait 0.5\nsnapshot\n");
    EXPECT_EQ(field(snapshot(lines, 0), "scene"), "RANDOM");
    EXPECT_EQ(field(snapshot(lines, 0), "text"), "as written");
}
