#include "Encipher.h"
#include "GameFixture.h"

class Sprite : public GameFixture {
protected:
    std::string spriteGame(const std::string& hotspots, const std::string& extra = "") {
        for (const char* f : {"man1", "man2", "manR1", "manR2", "manR3", "manL1", "manL2", "manL3"})
            solidBmp(std::string(f) + ".bmp", 0xAA0000, 10, 20);
        return writeGame("[Setup]\n@firstscene = Walk\n[Walk]\n@description = A road.\n"
                         "@X = 100\n@Y = 56\n@xmove = 10\n@animspeed = 1\n"
                         "@standingsprite = 2.man\n@walkingsprite = 3.man\n@hotspots = " +
                         hotspots + "\n" + extra + "[Cellar]\n@description = Down here.\n");
    }
    std::string spriteAfter(const std::string& game, const std::string& input) {
        return field(snapshot(play(game, "open\nclick\nwait 0.5\n" + input + "snapshot\n"), 0),
                     "sprite");
    }
};

TEST_F(Sprite, OneKeyPressWalksOneCycleOfWalkingFrames) {
    const auto game = spriteGame("");
    EXPECT_EQ(spriteAfter(game, ""), "on 100 56");
    EXPECT_EQ(spriteAfter(game, "key right\nwait 10\n"), "on 140 56");  // W + 1 steps
    EXPECT_EQ(spriteAfter(game, "key left\nwait 10\n"), "on 60 56");
    EXPECT_EQ(spriteAfter(game, "menu speed5\nkey right\nwait 10\n"), "on 160 56");
    EXPECT_EQ(spriteAfter(game, "menu speed2\nkey right\nwait 2.2\n"), "on 124 56");
    // A held key keeps walking.
    EXPECT_EQ(spriteAfter(game, "keydown right\nwait 5.2\n"), "on 150 56");
}

TEST_F(Sprite, WalkingFramesFollowTheStandingOnes) {
    const auto game = spriteGame("");
    const std::pair<const char*, std::uint32_t> colours[] = {
        {"man1", 0x110000}, {"man2", 0x220000}, {"manR1", 0x330000},
        {"manR2", 0x440000}, {"manR3", 0x550000}};
    for (const auto& [name, c] : colours) solidBmp(std::string(name) + ".bmp", c, 10, 20);
    std::string input = "open\nclick\nwait 0.5\nkey right\n";
    for (int i = 0; i < 4; ++i)
        input += "wait 1\npicture " + (dir / ("p" + std::to_string(i) + ".bmp")).string() + "\n";
    input += "snapshot\n";
    const auto lines = play(game, input);
    // Ticks at 1, 2, 3 show the walking frames at x 110, 120, 130; the
    // fourth ends the cycle at 140 standing.
    const int xs[] = {110, 120, 130, 140};
    const std::uint32_t expected[] = {0x330000, 0x440000, 0x550000, 0x110000};
    for (int i = 0; i < 4; ++i) {
        QImage shot(QString::fromStdString((dir / ("p" + std::to_string(i) + ".bmp")).string()));
        ASSERT_FALSE(shot.isNull());
        EXPECT_EQ(shot.pixel(xs[i], 56) & 0xFFFFFF, expected[i]) << "tick " << i + 1;
    }
    EXPECT_EQ(field(snapshot(lines, 0), "sprite"), "on 140 56");
}

TEST_F(Sprite, HotSpotsShowTextBlockAndLead) {
    const auto game = spriteGame(
        "130(\"A wall, high and old\",R,NO,!),64(\"A trapdoor\",M,Y,Cellar),"
        "-5(\"far\",M,NO,!)");
    auto lines = play(game, "open\nclick\nwait 0.5\nkeydown right\nwait 6\nsnapshot\n");
    auto s = snapshot(lines, 0);
    EXPECT_EQ(field(s, "sprite"), "on 130 56");  // stopped at the wall
    EXPECT_EQ(field(s, "text"), "A wall, high and old");
    EXPECT_EQ(field(s, "scene"), "Walk");

    // Walking over the trapdoor shows its text; without Ctrl it is not taken.
    lines = play(game, "open\nclick\nwait 0.5\nkey left\nwait 6\nsnapshot\n");
    s = snapshot(lines, 0);
    EXPECT_EQ(field(s, "text"), "A trapdoor");
    EXPECT_EQ(field(s, "scene"), "Walk");
    EXPECT_EQ(field(s, "sprite"), "on 60 56");

    // Standing within 5 pixels of it with Ctrl held takes it.
    lines = play(game, "open\nclick\nwait 0.5\nkey left\nwait 6\nkeydown ctrl\nwait 2\nsnapshot\n");
    EXPECT_EQ(field(snapshot(lines, 0), "scene"), "Cellar");
    EXPECT_EQ(field(snapshot(lines, 0), "sprite"), "off");

    // Crossing it with Ctrl held takes it at once.
    lines = play(game, "open\nclick\nwait 0.5\nkeydown ctrl\nkey left\nwait 6\nsnapshot\n");
    EXPECT_EQ(only(lines, "scene: Cellar").size(), 2u);  // the event line and the snapshot
}

// The story so far says the scene was left by walking, not by option 1.
TEST_F(Sprite, StorySaysAHotSpotWasWalkedOn) {
    const auto game = spriteGame("64(\"A trapdoor\",M,NO,Cellar)", "@option1 = Go back\n@Link1 = Walk\n");
    const auto lines = play(game, "open\nclick\nwait 0.5\nkey left\nwait 6\nhistory\n");
    const auto at = std::find(lines.begin(), lines.end(), "A road.");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(std::vector<std::string>(at, at + 4),
              (std::vector<std::string>{"A road.", "> (walked on)", "", "Down here."}));
}

TEST_F(Sprite, SceneWithoutXHasNoSprite) {
    const auto game = writeGame("[Setup]\n@firstscene = A\n[A]\n@Y = 5\n");
    EXPECT_EQ(field(snapshot(play(game, "open\nclick\nwait 1\nsnapshot\n"), 0), "sprite"), "off");
}

TEST_F(Sprite, EncipheredGamesTakeHotSpotsTheyPassButNeverTheNoSceneOne) {
    spriteGame("70(\"A wall\",L,NO,!),40(\"A trapdoor\",M,Y,Cellar)");
    fs::create_directories(dir / "enc");
    ASSERT_TRUE(parvel::encipherGame(dir.string(), (dir / "enc").string()).ok());
    const auto game = (dir / "enc" / "GameFile.Cgm").string();
    // Past the wall (no blocking, no text in this form) and on over the
    // trapdoor, which leads down without Ctrl.
    const auto lines =
        play(game, "open\nwait 1\nclick\nwait 0.5\nkeydown left\nwait 4.2\nsnapshot\nwait 4\nsnapshot\n");
    auto s = snapshot(lines, 0);
    EXPECT_EQ(field(s, "scene"), "Walk");
    EXPECT_EQ(field(s, "text"), "A road.");
    EXPECT_EQ(field(s, "sprite"), "on 60 56");
    EXPECT_EQ(field(snapshot(lines, 1), "scene"), "Cellar");
}

// The window greys out SpriteSpeed on the title screen and in scenes without
// a sprite; a replay's menu choice there is refused and changes nothing.
TEST_F(Sprite, SpeedMenuIsRefusedWhileDisabled) {
    const auto game = spriteGame("64(\"A trapdoor\",M,Y,Cellar)");
    auto lines = play(game, "open\nmenu speed5\nclick\nwait 0.5\nkey right\nwait 10\nsnapshot\n");
    EXPECT_TRUE(has(lines, "menu: speed5 disabled"));
    EXPECT_EQ(field(snapshot(lines, 0), "sprite"), "on 140 56");  // still the normal pace

    lines = play(game, "open\nclick\nwait 0.5\nkeydown ctrl\nkey left\nwait 6\n"
                       "menu speed2\nmenu sounds\nsnapshot\n");
    EXPECT_EQ(field(snapshot(lines, 0), "scene"), "Cellar");
    EXPECT_EQ(only(lines, "menu: "), std::vector<std::string>{"menu: speed2 disabled"});
}
