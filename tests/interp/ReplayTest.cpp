#include "GameFixture.h"
#include "SaveSlots.h"
#include <QColor>

using namespace parvel;

TEST(ParseReplay, ReadsEveryCommand) {
    auto steps = parseReplay(
        "# a walkthrough\nopen\nclick\noption 3\nhover 6\nkey a\nkeydown left\nkeyup CTRL\n"
        "wait 1.5\nmenu speed5\nanswer no\nsnapshot\npicture out dir/p.png  \n\n");
    ASSERT_TRUE(steps.ok());
    ASSERT_EQ(steps->size(), 12u);
    using K = ReplayStep::Kind;
    EXPECT_EQ((*steps)[2].kind, K::Option);
    EXPECT_EQ((*steps)[2].number, 3);
    EXPECT_EQ((*steps)[4].number, 'A');
    EXPECT_EQ((*steps)[5].number, 37);
    EXPECT_EQ((*steps)[6].number, 17);
    EXPECT_EQ((*steps)[7].seconds, 1.5);
    EXPECT_EQ((*steps)[8].text, "speed5");
    EXPECT_EQ((*steps)[11].text, "out dir/p.png");
}

TEST(ParseReplay, NamesTheBadLine) {
    EXPECT_EQ(parseReplay("open\noption 7\n").error().description,
              "line 2: option number must be 1 to 6");
    EXPECT_EQ(parseReplay("key f1").error().description, "line 1: unknown key 'f1'");
    EXPECT_EQ(parseReplay("wait -1").error().description, "line 1: wait needs seconds (0 or more)");
    EXPECT_EQ(parseReplay("menu volume").error().description, "line 1: unknown menu 'volume'");
    EXPECT_EQ(parseReplay("\n\njump").error().description, "line 3: cannot read 'jump'");
    EXPECT_EQ(parseReplay("click twice").error().description, "line 1: cannot read 'click twice'");
    EXPECT_TRUE(parseReplay("").ok());
}

using ReplayRun = GameFixture;

TEST_F(ReplayRun, TitleScreenThenFirstSceneWithExactEventLines) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = Start\n[Title]\n@name = Demo\n"
        "[Start]\n@description = Hello\n@option1 = On\n@Link1 = Start\n");
    const auto lines = play(game, "open\nsnapshot\nclick\nwait 1\nsnapshot\n");
    const auto first = snapshot(lines, 0);
    EXPECT_EQ(first, (std::vector<std::string>{
                         "scene: ", "title: Parvel - Demo",
                         "text: Parvel - Demo\\n \\nAuthor: \\n\\nArtist: \\nProduced by: \\n()\\n",
                         "option1: ", "option2: ", "option3: ", "option4: ", "option5: ",
                         "option6: ", "hero:  #000000", "heromax: ", "enemy:  #000000",
                         "enemymax: ", "frames: 0 0 0", "sprite: off"}));
    EXPECT_TRUE(has(lines, "title: Loading..."));
    EXPECT_TRUE(has(lines, "scene: Start"));
    const auto second = snapshot(lines, 1);
    EXPECT_EQ(field(second, "scene"), "Start");
    EXPECT_EQ(field(second, "text"), "Hello");
    EXPECT_EQ(field(second, "option1"), "(a) On");
}

TEST_F(ReplayRun, SameSeedSameRunDifferentSeedsDiffer) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = Start\n[Start]\n@randomLink = (r)50\n@option1 = Go\n"
        "@Link1 = RANDOM\n[r1]\n");
    const std::string input = "open\nclick\nwait 1\noption 1\nwait 1\nsnapshot\n";
    const auto a = play(game, input, 7), b = play(game, input, 7);
    EXPECT_EQ(a, b);
    bool differs = false;
    for (std::uint32_t s = 8; s < 14 && !differs; ++s) differs = play(game, input, s) != a;
    EXPECT_TRUE(differs);
}

TEST_F(ReplayRun, PictureCommandWritesTheComposedPicture) {
    solidBmp("pics/room.bmp", 0x3366CC);
    const auto game = writeGame(
        "[Setup]\n@firstscene = Room\n@imagedir = pics\n[Room]\n@image = room.bmp\n");
    const std::string png = (dir / "shot.png").string();
    play(game, "open\nclick\nwait 1\npicture " + png + "\n");
    QImage shot(QString::fromStdString(png));
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(200, 115));
    EXPECT_EQ(shot.pixel(0, 0) & 0xFFFFFF, 0x3366CCu);
    EXPECT_EQ(shot.pixel(199, 111) & 0xFFFFFF, 0x3366CCu);
}

TEST_F(ReplayRun, OpeningAGameWhileAScenePlaysShowsItsTitleScreen) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[Title]\n@name = First\n[A]\n@description = In A\n"
        "@option1 = stay\n@Link1 = A\n");
    // The replay opens its game file again: the scene that was playing
    // ends and leaves the fresh title screen alone.
    const auto lines = play(game, "open\nclick\nwait 1\nopen\nwait 1\nsnapshot\nclick\nwait 1\nsnapshot\n");
    const auto title = snapshot(lines, 0);
    EXPECT_EQ(field(title, "title"), "Parvel - First");
    EXPECT_EQ(field(title, "text").rfind("Parvel - First\\n", 0), 0u);
    EXPECT_EQ(field(title, "option1"), "");
    EXPECT_EQ(field(snapshot(lines, 1), "text"), "In A");
}

// The autosave resumes the scene that has just started; its thumbnail is
// that scene's picture, not the one before.
TEST_F(ReplayRun, AutosaveThumbnailIsTheSceneItResumes) {
    solidBmp("red.bmp", 0xFF0000);
    solidBmp("blue.bmp", 0x0000FF);
    const auto game = writeGame("[Setup]\n@firstscene = A\n[A]\n@image = red.bmp\n@option1 = on\n@Link1 = B\n"
                                "[B]\n@image = blue.bmp\n@option1 = back\n@Link1 = A\n");
    auto steps = parseReplay("open\nclick\nwait 1\noption 1\nwait 1\n");
    ASSERT_TRUE(steps.ok());
    const std::string saves = (dir / "saves").string();
    runReplay(game, *steps, 1, [](std::string_view) {}, {}, false, saves);
    SaveSlots folder(saves);
    folder.setGame(game);
    const auto list = folder.list();
    const auto autosave = std::find_if(list.begin(), list.end(), [](const auto& s) { return s.name == "autosave"; });
    ASSERT_NE(autosave, list.end());
    EXPECT_EQ(autosave->scene, "B");
    const QImage thumb = QImage::fromData(QByteArray::fromStdString(autosave->thumbnailPng), "PNG");
    ASSERT_FALSE(thumb.isNull());
    EXPECT_EQ(QColor(thumb.pixel(100, 50)), QColor(0, 0, 255));
}
