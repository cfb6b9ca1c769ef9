#include <map>

#include "GameFixture.h"
#include "SceneRunner.h"

using namespace parvel;
using TextAndLinks = GameFixture;

TEST(ReplaceLineBreaks, MarkersBecomeCarriageReturnsEvenPastTenThousand) {
    EXPECT_EQ(ReplaceLineBreaks("One\\nTwo"), "One\rTwo");
    EXPECT_EQ(ReplaceLineBreaks("end\\n"), "end\r");
    EXPECT_EQ(ReplaceLineBreaks("a\\\\nb\\x"), "a\\\rb\\x");
    const std::string longText = std::string(12000, 'x') + "\\ntail";
    EXPECT_EQ(ReplaceLineBreaks(longText), std::string(12000, 'x') + "\rtail");
}

TEST_F(TextAndLinks, OptionsCarryTheirKeyPrefixesAndKeysChooseOnRelease) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@description = One\\nTwo\n"
        "@option1 = first\n@option2 =   second  \n@option3 = third\n@option4 = fourth\n"
        "@option5 = fifth\n@option6 = sixth\n@Link6 = B\n[B]\n@description = at B\n");
    const auto lines =
        play(game, "open\nclick\nwait 1\nsnapshot\nkeydown z\nwait 1\nsnapshot\nkeyup z\nwait 1\nsnapshot\n");
    const auto a = snapshot(lines, 0);
    EXPECT_EQ(field(a, "text"), "One\\nTwo");
    EXPECT_EQ(field(a, "option1"), "(a) first");
    EXPECT_EQ(field(a, "option2"), "(s) second");
    EXPECT_EQ(field(a, "option3"), "(d) third");
    EXPECT_EQ(field(a, "option4"), "(f) fourth");
    EXPECT_EQ(field(a, "option5"), "(g) fifth");
    EXPECT_EQ(field(a, "option6"), "(z) sixth");
    EXPECT_EQ(field(snapshot(lines, 1), "scene"), "A");  // key still down
    EXPECT_EQ(field(snapshot(lines, 2), "scene"), "B");
    EXPECT_EQ(field(snapshot(lines, 2), "option6"), "");
}

TEST_F(TextAndLinks, EmptyOptionDoesNothingEvenWithALink) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@option1 =\n@Link1 = B\n@option2 = go\n@Link2 = B\n[B]\n");
    const auto lines = play(game, "open\nkey a\nclick\nwait 1\noption 1\nwait 1\nsnapshot\n");
    EXPECT_EQ(field(snapshot(lines, 0), "scene"), "A");
    EXPECT_EQ(only(lines, "scene: B").size(), 0u);
}

TEST_F(TextAndLinks, UndefinedSceneShowsTheErrorTitleAndWaits) {
    const auto game = writeGame("[Setup]\n@firstscene = Nowhere\n[Title]\n@name = T\n");
    const auto lines = play(game, "open\nclick\nwait 2\nsnapshot\n");
    const auto s = snapshot(lines, 0);
    EXPECT_EQ(field(s, "scene"), "Nowhere");
    EXPECT_EQ(field(s, "title"), "ERROR - SCENE NOT DEFINED!");
    EXPECT_EQ(field(s, "text"), "");
}

TEST_F(TextAndLinks, RandomLinksSpreadOverTheNamedScenes) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@randomLink = (room)4\n@option2 = go\n"
        "@Link2 =  random \n[room1]\n[room2]\n[room3]\n[room4]\n");
    std::map<std::string, int> seen;
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        const auto lines = play(game, "open\nclick\nwait 1\noption 2\nwait 1\n", seed);
        const auto scenes = only(lines, "scene: ");
        ASSERT_EQ(scenes.size(), 2u);
        ++seen[scenes[1]];
    }
    ASSERT_EQ(seen.size(), 4u);
    for (const auto& [scene, n] : seen) {
        EXPECT_GE(n, 25) << scene;  // about 50 each
        EXPECT_LE(n, 75) << scene;
    }
}

TEST_F(TextAndLinks, RandomWithoutAnyRandomLinkGoesToSceneOneAndBadCountStaysRandom) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@option1 = go\n@Link1 = RANDOM\n[1]\n@option1 = on\n"
        "@randomLink = (x)\n@Link1 = RANDOM\n[RANDOM]\n@description = stuck\n");
    const auto lines = play(game, "open\nclick\nwait 1\noption 1\nwait 1\noption 1\nwait 1\n");
    EXPECT_EQ(only(lines, "scene: "),
              (std::vector<std::string>{"scene: A", "scene: 1", "scene: RANDOM"}));
}

TEST_F(TextAndLinks, ChainingFollowsLinkGoTrueAndForgetsOtherwise) {
    writeGame("[Two]\n@description = second file\n[Stay]\n@description = wrong file\n",
              "part2.txt");
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@nextGfile = part2.txt\n@linkGo1 = true\n"
        "@option1 = on\n@Link1 = Two\n@option2 = stay\n@Link2 = Stay\n"
        "[Stay]\n@description = first file\n[Two]\n@description = not chained\n");
    auto lines = play(game, "open\nclick\nwait 1\noption 1\nwait 1\nsnapshot\n");
    EXPECT_EQ(field(snapshot(lines, 0), "text"), "second file");
    lines = play(game, "open\nclick\nwait 1\noption 2\nwait 1\nsnapshot\n");
    EXPECT_EQ(field(snapshot(lines, 0), "text"), "first file");
}

TEST_F(TextAndLinks, OptionHoverMarksOneLabelAtATime) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n@fntColor = 010020030\n@msOverColor = H255\n"
        "[A]\n@option1 = one <-- x\n@option2 = two\n@option4 = four\n");
    const auto lines =
        play(game, "open\nclick\nwait 1\nhover 1\nhover 1\nsnapshot\nhover 3\nhover 2\nsnapshot\n");
    EXPECT_EQ(field(snapshot(lines, 0), "option1"), "(a) one <-- x <--");
    const auto s = snapshot(lines, 1);
    EXPECT_EQ(field(s, "option1"), "(a) one");  // cut at the first marker
    EXPECT_EQ(field(s, "option2"), "(s) two <--");
    EXPECT_EQ(field(s, "option3"), "");  // hovering an empty label changes nothing
}

TEST_F(TextAndLinks, RunawayTextsKeepWhatACaptionOrTitleHolds) {
    const std::string name(100'000, 'n'), text(1 << 20, 'd'), option(100'000, 'o');
    const auto game = writeGame("[Setup]\n@firstscene = A\n[Title]\n@name = " + name +
                                "\n[A]\n@description = " + text + "\n@option1 = " + option + "\n");
    const auto lines = play(game, "open\nclick\nwait 1\nsnapshot\n");
    const auto s = snapshot(lines, 0);
    EXPECT_EQ(field(s, "title"), "Parvel - " + name.substr(0, Host::kMaxTitleBytes - 9));
    EXPECT_EQ(field(s, "text"), text.substr(0, Host::kMaxCaptionBytes));
    EXPECT_EQ(field(s, "option1"), "(a) " + option.substr(0, Host::kMaxCaptionBytes));
}

TEST_F(TextAndLinks, SceneTheFileLacksIsSaidOnceAndLeavesThePlayerFree) {
    const auto game = writeGame("[Setup]\n@firstscene = Nowhere\n[Title]\n@name = T\n[Start]\n");
    const auto lines = play(game, "menu errors\nopen\nclick\nwait 5\nopen\nsnapshot\n");
    EXPECT_EQ(only(lines, "msgbox: "),
              std::vector<std::string>{"msgbox: Cannot show the scene \"Nowhere\": the game file " + game +
                                       " has no such scene. Choose another game with File > Open."});
    // Play stopped: opening the game again shows its title screen.
    EXPECT_EQ(field(snapshot(lines, 0), "title"), "Parvel - T");
}

// The mouse's marker goes when the pointer leaves the window ("hover 0").
TEST_F(TextAndLinks, MarkerGoesWhenThePointerLeaves) {
    const auto game = writeGame("[Setup]\n@firstscene = A\n[A]\n@option1 = go\n@option2 = stay\n");
    const auto lines = play(game, "open\nclick\nwait 1\nhover 2\nsnapshot\nhover 0\nsnapshot\n");
    EXPECT_EQ(field(snapshot(lines, 0), "option2"), "(s) stay <--");
    EXPECT_EQ(field(snapshot(lines, 1), "option2"), "(s) stay");
    EXPECT_EQ(field(snapshot(lines, 1), "option1"), "(a) go");
}
