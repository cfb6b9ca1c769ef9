#include "GameFixture.h"
#include "Lint.h"

using Lint = GameFixture;

namespace {
// Findings as printed, with the test's folder cut from the file names, and
// each one's code after a "|".
std::vector<std::string> lines(const std::vector<parvel::LintFinding>& findings) {
    std::vector<std::string> out;
    for (const auto& f : findings) {
        std::string l = parvel::formatFinding(f) + " |" + f.code;
        if (const size_t slash = f.file.rfind('/'); slash != std::string::npos) l.erase(0, slash + 1);
        out.push_back(l);
    }
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
                  "Gamefile.txt:6: error: more than 6 options (@option7 is never shown) |too-many-options",
                  "Gamefile.txt:5: error: @Link1 names undefined scene 'Nowhere' |undefined-scene",
                  "Gamefile.txt:10: error: RANDOM link without a usable @randomLink (prefix)count |bad-random-link",
                  "Gamefile.txt:11: error: @winscene names undefined scene 'Win' |undefined-scene",
                  "Gamefile.txt:7: error: @image file not found: gone.bmp |missing-file",
                  "Gamefile.txt:8: error: @layeranim2 has more than 20 pictures |list-too-long",
                  "Gamefile.txt:13: error: @hotspots names undefined scene 'Cellar' |undefined-scene",
                  "Gamefile.txt:9: error: @multiSound has more than 5 sounds |list-too-long",
                  "Gamefile.txt:9: error: @multiSound file not found: a |missing-file",
                  "Gamefile.txt:9: error: @multiSound file not found: b |missing-file",
                  "Gamefile.txt:9: error: @multiSound file not found: c |missing-file",
                  "Gamefile.txt:9: error: @multiSound file not found: d |missing-file",
                  "Gamefile.txt:9: error: @multiSound file not found: e |missing-file",
              }));
    // A file with LF line ends is one scene, so the next header joins the
    // value; the line ends are named first.
    const auto lf = writeFile("lf.txt", "[Setup]\r\n@firstscene = Setup\n[Other]\n");
    EXPECT_EQ(lines(parvel::lintGame(lf)),
              (std::vector<std::string>{
                  "lf.txt:2: error: line ends with LF only (CR LF expected) |lf-line-ends",
                  "lf.txt:2: error: @firstscene names undefined scene 'Setup[Other]' |undefined-scene"}));
    // The JSON form carries the same findings.
    auto one = parvel::lintGame(lf);
    one.resize(1);
    one[0].file = "lf.txt";
    EXPECT_EQ(parvel::findingsToJson(one),
              "[\n    {\n        \"code\": \"lf-line-ends\",\n        \"column\": 0,\n"
              "        \"file\": \"lf.txt\",\n        \"line\": 2,\n"
              "        \"message\": \"line ends with LF only (CR LF expected)\",\n"
              "        \"severity\": \"error\"\n    }\n]\n");
}

TEST_F(Lint, WarnsAboutTheStorysShape) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@option1 = on\n@Link1 = Loop1\n@option2 = end\n@Link2 = End\n"
        "[Loop1]\n@option1 = on\n@Link1 = Loop2\n[Loop2]\n@option1 = back\n@Link1 = loop1\n"
        "[End]\n[Lost]\n@option1 = x\n@Link1 = A\n");
    EXPECT_EQ(lines(parvel::lintGame(game)), std::vector<std::string>{});
    const auto warnings = parvel::lintStory(game);
    EXPECT_EQ(lines(warnings),
              (std::vector<std::string>{
                  "Gamefile.txt:15: warning: no path from the first scene leads here |unreachable-scene",
                  "Gamefile.txt:8: warning: once here the story never leaves Loop1, Loop2 |story-trap"}));
    EXPECT_TRUE(warnings[0].severity == parvel::Severity::Warning &&
                warnings[1].severity == parvel::Severity::Warning);
}
