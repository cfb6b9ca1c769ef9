#include "GameFixture.h"
#include "Lint.h"

using Lint = GameFixture;

namespace {
std::vector<std::string> lines(const std::vector<parvel::LintProblem>& problems) {
    std::vector<std::string> out;
    for (const auto& p : problems) out.push_back(p.scene + ": " + p.message);
    return out;
}
}  // namespace

TEST_F(Lint, CleanGameHasNoProblems) {
    solidBmp("pics/a.bmp", 0);
    solidBmp("pics/manR1.bmp", 0);
    solidBmp("pics/manL1.bmp", 0);
    solidBmp("pics/man1.bmp", 0);
    writeFile("music/song.mid", "MThd");
    writeFile("sfx/ding.wav", "RIFF");
    writeGame("[B]\n", "two.txt");
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n@imagedir = pics\n@musicdir = music\n@sounddir = sfx\n"
        "[Title]\n@name = T\n[A]\n@image = A.BMP\n@anim = a.bmp(3), a.bmp\n@music = song.mid\n"
        "@sound = ding.wav\n@multiSound = ding.wav,ding.wav\n@option1 = x\n@Link1 = c1\n"
        "@randomLink = (c)2\n@Link2 = RANDOM\n@nextGfile = two.txt\n@linkGo3 = TRUE\n@Link3 = B\n"
        "@X = 5\n@standingsprite = 1.man\n@walkingsprite = 1.man\n"
        "@hotspots = 10(\"t\",R,NO,!),20(\"u\",M,Y,c2)\n[c1]\n@music = STOP\n@media = stop\n[c2]\n");
    EXPECT_EQ(lines(parvel::lintGame(game)), std::vector<std::string>{});
}

TEST_F(Lint, ReportsEachKindOfProblem) {
    std::string many;
    for (int i = 0; i < 21; ++i) many += "p.bmp,";
    solidBmp("p.bmp", 0);
    const auto game = writeGame(
        "[Setup]\n@firstscene = Start\n[Start]\n@option1 = a\n@Link1 = Nowhere\n@option7 = extra\n"
        "@image = gone.bmp\n@layeranim2 = " + many + "\n@multiSound = a,b,c,d,e,f\n"
        "@Link2 = RANDOM\n@winscene = Win\n"
        "@X = 1\n@hotspots = 3(\"x\",M,NO,Cellar)\n");
    EXPECT_EQ(lines(parvel::lintGame(game)),
              (std::vector<std::string>{
                  "Start: more than 6 options (@option7 is never shown)",
                  "Start: @Link1 names undefined scene 'Nowhere'",
                  "Start: RANDOM link without a usable @randomLink (prefix)count",
                  "Start: @winscene names undefined scene 'Win'",
                  "Start: @image file not found: gone.bmp",
                  "Start: @layeranim2 has more than 20 pictures",
                  "Start: @hotspots names undefined scene 'Cellar'",
                  "Start: @multiSound has more than 5 sounds",
                  "Start: @multiSound file not found: a",
                  "Start: @multiSound file not found: b",
                  "Start: @multiSound file not found: c",
                  "Start: @multiSound file not found: d",
                  "Start: @multiSound file not found: e",
              }));
    // A file with LF line ends is one scene, so the next header joins the value.
    const auto lf = writeFile("lf.txt", "[Setup]\n@firstscene = Setup\n[Other]\n");
    EXPECT_EQ(lines(parvel::lintGame(lf)),
              (std::vector<std::string>{"Setup: @firstscene names undefined scene 'Setup[Other]'",
                                        "Setup: line ends with LF only (CR LF expected)"}));
}

TEST_F(Lint, WarnsAboutTheStorysShape) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@option1 = on\n@Link1 = Loop1\n@option2 = end\n@Link2 = End\n"
        "[Loop1]\n@option1 = on\n@Link1 = Loop2\n[Loop2]\n@option1 = back\n@Link1 = loop1\n"
        "[End]\n[Lost]\n@option1 = x\n@Link1 = A\n");
    EXPECT_EQ(lines(parvel::lintGame(game)), std::vector<std::string>{});
    const auto warnings = parvel::lintStory(game);
    EXPECT_EQ(lines(warnings),
              (std::vector<std::string>{"Lost: warning: no path from the first scene leads here",
                                        "Loop1: warning: once here the story never leaves Loop1, Loop2"}));
    EXPECT_TRUE(warnings[0].warning && warnings[1].warning);
}
