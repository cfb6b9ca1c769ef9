// A game controller in a headless replay: its buttons choose options, the
// D-pad and stick walk the sprite, a trigger takes hot spots, Start starts.

#include "GameFixture.h"
#include "PadInput.h"

using namespace parvel;

TEST(ParseReplay, ReadsPadCommands) {
    auto steps = parseReplay("pad a\npaddown DPLEFT\npadup dpleft\npadaxis leftx -32768\n");
    ASSERT_TRUE(steps.ok());
    using K = ReplayStep::Kind;
    EXPECT_EQ((*steps)[0].kind, K::Pad);
    EXPECT_EQ((*steps)[0].number, static_cast<int>(PadButton::A));
    EXPECT_EQ((*steps)[1].kind, K::PadDown);
    EXPECT_EQ((*steps)[1].number, static_cast<int>(PadButton::DpadLeft));
    EXPECT_EQ((*steps)[3].kind, K::PadAxis);
    EXPECT_EQ((*steps)[3].value, -32768);
    EXPECT_EQ(parseReplay("pad z").error().description, "line 1: unknown pad button 'z'");
    EXPECT_EQ(parseReplay("padaxis leftx 40000").error().description,
              "line 1: pad axis value must be -32768 to 32767");
}

TEST(PadMapper, ButtonsAreTheOptionKeysAndSticksHoldTheArrows) {
    PadMapper m;
    std::vector<std::string> got;
    m.key = [&](int code, bool down) {
        got.push_back((down ? "down " : "up ") + std::to_string(code));
    };
    m.click = [&] { got.push_back("click"); };
    const PadButton options[] = {PadButton::A,
                                 PadButton::B,
                                 PadButton::X,
                                 PadButton::Y,
                                 PadButton::LeftShoulder,
                                 PadButton::RightShoulder};
    for (PadButton b : options) {
        m.button(b, true);
        m.button(b, false);
    }
    EXPECT_EQ(got, (std::vector<std::string>{"down 65", "up 65", "down 83", "up 83", "down 68",
                                             "up 68", "down 70", "up 70", "down 71", "up 71",
                                             "down 90", "up 90"}));
    got.clear();
    m.button(PadButton::DpadLeft, true);
    m.axis(PadAxis::LeftX, -20000);  // held by both: one press
    m.button(PadButton::DpadLeft, false);
    m.axis(PadAxis::LeftX, -10000);  // not back past a quarter yet
    m.axis(PadAxis::LeftX, -4000);
    m.axis(PadAxis::TriggerRight, 30000);
    m.axis(PadAxis::TriggerRight, 0);
    m.button(PadButton::Start, true);
    m.button(PadButton::DpadDown, true);
    m.releaseAll();
    EXPECT_EQ(got, (std::vector<std::string>{"down 37", "up 37", "down 17", "up 17", "click",
                                             "down 40", "up 40"}));
}

using PadReplay = GameFixture;

TEST_F(PadReplay, StartStartsButtonsChooseAndTheStickWalks) {
    for (const char* f : {"man1", "man2", "manR1", "manR2", "manR3", "manL1", "manL2", "manL3"})
        solidBmp(std::string(f) + ".bmp", 0xAA0000, 10, 20);
    const auto game = writeGame(
        "[Setup]\n@firstscene = Walk\n[Walk]\n@description = A road.\n"
        "@X = 100\n@Y = 56\n@xmove = 10\n@animspeed = 1\n"
        "@standingsprite = 2.man\n@walkingsprite = 3.man\n@hotspots = 64(\"A "
        "trapdoor\",M,Y,Cellar)\n"
        "@option2 = Stay\n@Link2 = Other\n[Other]\n@description = Elsewhere.\n[Cellar]\n"
        "@description = Down here.\n");
    // Exactly as the held arrow keys walk.
    auto lines = play(game, "open\npad start\nwait 0.5\npaddown dpright\nwait 2.2\nsnapshot\n");
    EXPECT_EQ(field(snapshot(lines, 0), "sprite"), "on 120 56");
    EXPECT_EQ(lines, play(game, "open\nclick\nwait 0.5\nkeydown right\nwait 2.2\nsnapshot\n"));
    lines = play(game, "open\npad start\nwait 0.5\npadaxis leftx -32000\nwait 2\nsnapshot\n");
    EXPECT_EQ(field(snapshot(lines, 0), "sprite"), "on 80 56");

    lines = play(game,
                 "open\npad start\nwait 0.5\npadaxis righttrigger 32767\n"
                 "padaxis leftx -32000\nwait 6\nsnapshot\n");
    EXPECT_EQ(field(snapshot(lines, 0), "scene"), "Cellar");

    lines = play(game, "open\npad start\nwait 0.5\npad b\nwait 1\nsnapshot\n");
    EXPECT_EQ(field(snapshot(lines, 0), "scene"), "Other");
}
