#include "Encipher.h"
#include "GameFixture.h"
#include "Paths.h"

using Pictures = GameFixture;

namespace {

std::vector<std::string> frames(const std::vector<std::string>& lines, int snapshots) {
    std::vector<std::string> out;
    for (int i = 0; i < snapshots; ++i) out.push_back(GameFixture::field(GameFixture::snapshot(lines, i), "frames"));
    return out;
}

std::string everySecond(int n) {
    std::string s = "open\nclick\nwait 0.5\nsnapshot\n";
    for (int i = 1; i < n; ++i) s += "wait 1\nsnapshot\n";
    return s;
}

}  // namespace

TEST_F(Pictures, BackgroundLoopsItsCountThenHoldsTheLastFrame) {
    solidBmp("a.bmp", 0xFF0000);
    solidBmp("b.bmp", 0x00FF00);
    solidBmp("c.bmp", 0x0000FF);
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@anim = a.bmp, b.bmp,c.bmp,\n@animLoop = 2\n@animspeed = SLOW\n");
    const auto lines = play(game, everySecond(8));
    // A tick moves the counters on before it waits for its time, so between
    // ticks the published frame is already the one the next tick shows.
    EXPECT_EQ(frames(lines, 8), (std::vector<std::string>{"2 0 0", "3 0 0", "1 0 0", "2 0 0",
                                                          "3 0 0", "3 0 0", "3 0 0", "3 0 0"}));
}

TEST_F(Pictures, SpeedsAreSecondsOrFramesPerSecond) {
    std::string names;
    for (int i = 0; i < 50; ++i) names += "f.bmp,";
    auto framesAfter = [&](const std::string& speed, double seconds) {
        const auto game = writeGame("[Setup]\n@firstscene = A\n[A]\n@anim = " + names +
                                    "\n@animLoop = FOREVER\n@animspeed = " + speed + "\n");
        const auto lines =
            play(game, "open\nclick\nwait " + std::to_string(seconds) + "\nsnapshot\n");
        const std::string f = field(snapshot(lines, 0), "frames");
        return std::stoi(f.substr(0, f.find(' ')));  // ticks done + 1
    };
    EXPECT_EQ(framesAfter("1.5", 2.1), 5);     // 1.5 frames a second: ticks every 0.667 s
    EXPECT_EQ(framesAfter("0.5", 2.1), 6);     // seconds
    EXPECT_EQ(framesAfter("MEDIUM", 1.0), 8);  // 0.166 s
    EXPECT_EQ(framesAfter("fast", 1.0), 14);   // 0.083 s
    EXPECT_EQ(framesAfter("", 1.0), 8);
    EXPECT_EQ(framesAfter("12", 0.45), 7);     // 1/12 s
    EXPECT_EQ(framesAfter("1", 2.5), 4);
}

TEST_F(Pictures, LayersComposeWithWhiteTransparent) {
    solidBmp("pics/back.bmp", 0x0000FF);
    writeBmp("pics/red.bmp", 20, 20, [](int x, int y) {
        return x < 2 || y < 2 ? 0xFFFFFFu : 0xFF0000u;  // a white border shows through
    });
    solidBmp("pics/green.bmp", 0x00FF00, 8, 8);
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n@imagedir = pics\n[A]\n@image = back.bmp\n"
        "@layeranim = red.bmp\n@layeranim2 = green.bmp\n");
    const std::string png = (dir / "shot.png").string();
    play(game, "open\nclick\nwait 0.5\npicture " + png + "\n");
    QImage shot(QString::fromStdString(png));
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.pixel(5, 5) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(shot.pixel(10, 15) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(shot.pixel(1, 10) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(shot.pixel(100, 100) & 0xFFFFFF, 0x0000FFu);
}

TEST_F(Pictures, FadingWithoutStepsDrawsNoOpaquePicture) {
    solidBmp("back.bmp", 0x808080);
    const std::string png = (dir / "shot.png").string();
    auto pixel = [&](const std::string& fade) {
        const auto game = writeGame("[Setup]\n@firstscene = A\n[A]\n@image = back.bmp\n" + fade);
        play(game, "open\nclick\nwait 0.5\npicture " + png + "\n");
        return QImage(QString::fromStdString(png)).pixel(50, 50) & 0xFFFFFF;
    };
    EXPECT_EQ(pixel(""), 0x808080u);
    EXPECT_EQ(pixel("@Fade = TRUE\n"), 0x000000u);
    EXPECT_EQ(pixel("@Fade = TRUE\n@percentFade = 255\n@FadeSteps = 10\n"), 0x808080u);
    EXPECT_EQ(pixel("@Fade = FALSE\n@FadeSteps = 10\n"), 0x808080u);
}

TEST_F(Pictures, TooManyEntriesKeepFiftyAndWarnWithShowErrors) {
    std::string names;
    for (int i = 0; i < 51; ++i) names += "x.bmp,";
    const auto game = writeGame("[Setup]\n@firstscene = Big\n[Big]\n@anim = " + names +
                                "y.bmp\n@layeranim2 = a(30)\n");
    auto lines = play(game, "menu errors\nopen\nclick\nwait 0.1\n");
    EXPECT_TRUE(has(lines, "msgbox: Too many animations in @anim command (MAX 50) - Scene: Big"));
    EXPECT_FALSE(has(lines, "msgbox: Too many animations in @layerAnim2 command (MAX 20) - Scene: Big"));
    lines = play(game, "open\nclick\nwait 0.1\n");
    EXPECT_TRUE(only(lines, "msgbox: ").empty());
}

TEST_F(Pictures, EncipheredGamePlaysFromPreparedPicturesAndRemovesTheCopies) {
    solidBmp("plain/pics/a.bmp", 0x112233);
    solidBmp("plain/pics/b.bmp", 0x445566);
    writeGame("[Setup]\n@firstscene = A\n@imagedir = pics\n[A]\n@anim = a.bmp, b.bmp\n"
              "@animspeed = 1\n",
              "plain/Gamefile.txt");
    ASSERT_TRUE(parvel::encipherGame((dir / "plain").string(), (dir / "enc").string()).ok());
    const std::string png1 = (dir / "one.png").string(), png2 = (dir / "two.png").string();
    const auto lines = play((dir / "enc" / "GameFile.Cgm").string(),
                            // Loading the enciphered file takes a (virtual) second.
                            "open\nwait 1\nclick\nwait 0.5\npicture " + png1 + "\nwait 1\npicture " +
                                png2 + "\nsnapshot\n");
    EXPECT_TRUE(has(lines, "title: Decrypting...Please Wait"));
    EXPECT_TRUE(has(lines, "title: Tavicast - 50%"));
    EXPECT_TRUE(has(lines, "title: Tavicast - 100%"));
    EXPECT_EQ(field(snapshot(lines, 0), "title"), "Tavicast");
    EXPECT_EQ(QImage(QString::fromStdString(png1)).pixel(10, 10) & 0xFFFFFF, 0x112233u);
    EXPECT_EQ(QImage(QString::fromStdString(png2)).pixel(10, 10) & 0xFFFFFF, 0x445566u);
    std::error_code ec;
    EXPECT_TRUE(fs::is_empty(parvel::privateTempFolder(), ec));
}

TEST_F(Pictures, PictureMadeForAnotherGameEndsThePlay) {
    solidBmp("plain/a.bmp", 0x112233);
    writeGame("[Setup]\n@firstscene = A\n[A]\n@anim = a.bmp\n", "plain/Gamefile.txt");
    ASSERT_TRUE(parvel::encipherGame((dir / "plain").string(), (dir / "enc").string()).ok());
    solidBmp("other/a.bmp", 0x112233);
    writeGame("[Setup]\n@firstscene = B\n", "other/Gamefile.txt");
    ASSERT_TRUE(parvel::encipherGame((dir / "other").string(), (dir / "enc2").string()).ok());
    fs::copy_file(dir / "enc2" / "a.clP", dir / "enc" / "a.clP", fs::copy_options::overwrite_existing);
    const auto lines = play((dir / "enc" / "GameFile.Cgm").string(), "open\nclick\nwait 1\nsnapshot\n");
    EXPECT_TRUE(has(lines, "msgbox: GAMEFILE AND IMAGES NOT VALID - Tampering suspected - QUITTING"));
    EXPECT_TRUE(snapshot(lines, 0).empty());  // the program ended before the snapshot
}
