#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <regex>

#include "Encipher.h"
#include "GameFixture.h"
#include "LabelText.h"
#include "Lint.h"
#include "Paths.h"

using Lint = GameFixture;

namespace {
// Findings as printed, with the test's folder cut from the file names, and
// each one's code after a "|".
std::vector<std::string> lines(const std::vector<parvel::LintFinding>& findings) {
    std::vector<std::string> out;
    for (const auto& f : findings) {
        std::string l = parvel::formatFinding(f) + " |" + f.code;
        if (const size_t slash = f.file.rfind('/'); slash != std::string::npos)
            l.erase(0, slash + 1);
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
        "@randomLink = (c)2\n@option2 = y\n@Link2 = RANDOM\n@nextGfile = two.txt\n@linkGo3 = TRUE\n"
        "@option3 = z\n@Link3 = B\n"
        "@X = 5\n@standingsprite = 1.man\n@walkingsprite = 1.man\n"
        "@hotspots = 10(\"t\",R,NO,!),20(\"u\",M,Y,B)\n[c1]\n@music = STOP\n@media = stop\n[c2]\n");
    EXPECT_EQ(lines(parvel::lintGame(game)), std::vector<std::string>{});
}

TEST_F(Lint, ReportsEachKindOfProblem) {
    std::string many;
    for (int i = 0; i < 21; ++i) many += "p.bmp,";
    solidBmp("p.bmp", 0);
    const auto game = writeGame(
        "[Setup]\n@firstscene = Start\n[Start]\n@option1 = a\n@Link1 = Nowhere\n@option7 = extra\n"
        "@image = gone.bmp\n@layeranim2 = " +
        many +
        "\n@multiSound = a,b,c,d,e,f\n"
        "@Link2 = RANDOM\n@option2 = r\n@winscene = Win\n"
        "@X = 1\n@hotspots = 3(\"x\",M,NO,Cellar)\n");
    EXPECT_EQ(
        lines(parvel::lintGame(game)),
        (std::vector<std::string>{
            "Gamefile.txt:6: error: more than 6 options (@option7 is never shown) "
            "|too-many-options",
            "Gamefile.txt:5: error: @Link1 names undefined scene 'Nowhere' |undefined-scene",
            "Gamefile.txt:10: error: RANDOM link without a usable @randomLink (prefix)count "
            "|bad-random-link",
            "Gamefile.txt:12: error: @winscene names undefined scene 'Win' |undefined-scene",
            "Gamefile.txt:7: error: @image file not found: gone.bmp |missing-file",
            "Gamefile.txt:8: error: @layeranim2 has more than 20 pictures |list-too-long",
            "Gamefile.txt:14: error: @hotspots names undefined scene 'Cellar' |undefined-scene",
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
    EXPECT_EQ(
        lines(parvel::lintGame(lf)),
        (std::vector<std::string>{
            "lf.txt:2: error: line ends with LF only (CR LF expected): the player starts scenes "
            "and commands only after CR LF, so what follows joins this line |lf-line-ends",
            "lf.txt:2: error: @firstscene names undefined scene 'Setup[Other]' |undefined-scene"}));
    // The JSON form carries the same findings.
    auto one = parvel::lintGame(lf);
    one.resize(1);
    one[0].file = "lf.txt";
    EXPECT_EQ(
        parvel::findingsToJson(one),
        "[\n    {\n        \"code\": \"lf-line-ends\",\n        \"column\": 0,\n"
        "        \"file\": \"lf.txt\",\n        \"line\": 2,\n"
        "        \"message\": \"line ends with LF only (CR LF expected): the player starts scenes "
        "and commands only after CR LF, so what follows joins this line\",\n"
        "        \"severity\": \"error\"\n    }\n]\n");
}

TEST_F(Lint, WarnsAboutTheStorysShape) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@option1 = on\n@Link1 = Loop1\n@option2 = end\n@Link2 = "
        "End\n"
        "[Loop1]\n@option1 = on\n@Link1 = Loop2\n[Loop2]\n@option1 = back\n@Link1 = loop1\n"
        "[End]\n[Lost]\n@option1 = x\n@Link1 = A\n");
    EXPECT_EQ(lines(parvel::lintGame(game)), std::vector<std::string>{});
    const auto warnings = parvel::lintStory(game);
    EXPECT_EQ(
        lines(warnings),
        (std::vector<std::string>{
            "Gamefile.txt:15: warning: no path from the first scene leads here |unreachable-scene",
            "Gamefile.txt:8: warning: once here the story never leaves Loop1, Loop2 |story-trap"}));
    EXPECT_TRUE(warnings[0].severity == parvel::Severity::Warning &&
                warnings[1].severity == parvel::Severity::Warning);
}

// One planted mistake of each kind, in the game file and in the file it
// chains to, each named at its own file and line.
TEST_F(Lint, NamesEachPlantedMistakeAtItsLine) {
    solidBmp("pics/man1.bmp", 0);
    std::string rle = parvel::testing::bmp24(4, 4, [](int, int) { return 0u; });
    rle[28] = 8;  // 8 bits, RLE
    rle[30] = 1;
    writeFile("pics/rle.bmp", rle);
    writeFile("pics/cut.bmp",
              parvel::testing::bmp24(4, 4, [](int, int) { return 0u; }).substr(0, 40));
    solidBmp("pics/big.bmp", 0, 1100, 1000);
    writeGame("[Next]\n@image = gone.bmp\n@option1 = back\n@Link1 = Nowhere\n", "Part2.txt");
    const auto game = writeGame(
        "[Setup]\n@firstscene = Start\n@imagedir = pics\n@fntColor = green\n"  // 1-4
        "[Title]\n@name = T\n"                                                 // 5-6
        "[Start]\n@description = Hi\n@option1 = Go on\n@option2 = Lost\n"      // 7-10
        "@Link1 = Next\n@Link3 = Start\n@animsped = 2\n@image = rle.bmp\n"     // 11-14
        "@anim = cut.bmp, big.bmp\n@X = sixty\n@standingsprite = 1.man\n"      // 15-17
        "@hotspots = 10(\"door\",Q,NO,Next),x(\"a\",L,maybe,Next),1(\"c\",M,NO,!),"
        "2(\"d\",M,NO,!),3(\"e\",M,NO,!)\n"                                               // 18
        "@herohit = RAN(5)\n@nextGfile = Part2.txt\n@linkGo1 = TRUE\n"                    // 19-21
        "@animspeed = quick\n@animLoop = twice\n@percentFade = half\n@maxHeroHP = ten\n"  // 22-25
        "@HPup = lots\n@enemyhit = RAN(a-b)\n@walkingsprite = man\n"                      // 26-28
        "[Start]\n");                                                                     // 29
    const auto findings = parvel::lintGame(game);
    EXPECT_EQ(
        lines(findings),
        (std::vector<std::string>{
            "Gamefile.txt:29: error: scene 'Start' is defined again (first at line 7); which one "
            "plays depends on the scene before it |duplicate-scene",
            "Gamefile.txt:4: error: @fntColor = green is not a colour (RRRGGGBBB, each 000 to 255, "
            "or H and a number); the player keeps the default colour |bad-value",
            "Gamefile.txt:13: error: unknown directive `@animsped`; did you mean `@animspeed`? "
            "|unknown-directive",
            "Gamefile.txt:10: error: @option2 has no @Link2: choosing it leads nowhere "
            "|option-without-link",
            "Gamefile.txt:12: warning: @Link3 has no @option3 text, so no one can choose it "
            "|link-without-option",
            "Gamefile.txt:14: error: @image picture rle.bmp is refused by the player: \"481 "
            "Invalid picture "
            "(compressed pictures are not supported)\" |bad-picture",
            "Gamefile.txt:15: error: @anim picture cut.bmp is refused by the player: \"481 Invalid "
            "picture "
            "(file shorter than its headers)\" |bad-picture",
            "Gamefile.txt:15: error: @anim picture big.bmp is refused by the player: \"481 Invalid "
            "picture "
            "(1100 x 1000 is larger than a picture may be (4 MiB decoded))\" |bad-picture",
            "Gamefile.txt:18: error: @hotspots record 1: direction 'Q' is not L, R or M "
            "|bad-hotspot",
            "Gamefile.txt:18: error: @hotspots record 2: position 'x' is not a whole number "
            "|bad-hotspot",
            "Gamefile.txt:18: error: @hotspots record 2: action 'maybe' is not Y or NO "
            "|bad-hotspot",
            "Gamefile.txt:18: error: @hotspots has more than 4 records (record 5 is never read) "
            "|bad-hotspot",
            "Gamefile.txt:16: error: @X = sixty is not a number; the sprite starts at 0 |bad-value",
            "Gamefile.txt:28: error: @walkingsprite = man is not count.name (frames name1 .. "
            "namecount); "
            "the sprite has no such frames |bad-value",
            "Gamefile.txt:22: error: @animspeed = quick is not SLOW, MEDIUM, FAST or a number; the "
            "animation does not play |bad-value",
            "Gamefile.txt:23: error: @animLoop = twice is not a count, ONE or FOREVER; the "
            "animation or "
            "sound stops playing |bad-value",
            "Gamefile.txt:24: error: @percentFade = half is not a whole number; the player ignores "
            "it |bad-value",
            "Gamefile.txt:25: error: @maxHeroHP = ten is not a whole number; the player ignores it "
            "|bad-value",
            "Gamefile.txt:26: error: @HPup = lots is not a whole number or MAX; the player ignores "
            "it |bad-value",
            "Gamefile.txt:19: error: @herohit = RAN(5) is not a hit-point range RAN(high-low); no "
            "hit is "
            "dealt |bad-value",
            "Gamefile.txt:27: error: @enemyhit = RAN(a-b) is not a hit-point range RAN(high-low); "
            "no hit "
            "is dealt |bad-value",
            "Part2.txt:4: error: @Link1 names undefined scene 'Nowhere' |undefined-scene",
            "Part2.txt:2: error: @image file not found: gone.bmp |missing-file",
        }));
    // The JSON form holds the same findings.
    const auto json =
        QJsonDocument::fromJson(QByteArray::fromStdString(parvel::findingsToJson(findings)))
            .array();
    ASSERT_EQ(json.size(), static_cast<qsizetype>(findings.size()));
    for (qsizetype i = 0; i < json.size(); ++i) {
        const auto o = json[i].toObject();
        const auto& f = findings[static_cast<size_t>(i)];
        EXPECT_EQ(o["file"].toString().toStdString(), f.file);
        EXPECT_EQ(o["line"].toInt(), f.line);
        EXPECT_EQ(o["code"].toString().toStdString(), f.code);
        EXPECT_EQ(o["severity"].toString(),
                  f.severity == parvel::Severity::Error ? "error" : "warning");
        EXPECT_EQ(o["message"].toString().toStdString(), f.message);
    }
    // A byte order mark and LF line ends are said first.
    const auto bom = writeFile("bom.txt", "\xEF\xBB\xBF[Setup]\r\n@firstscene = A\n[A]\r\n");
    EXPECT_EQ(
        lines(parvel::lintGame(bom)),
        (std::vector<std::string>{
            "bom.txt:1: warning: file starts with a UTF-8 byte order mark: the player reads "
            "Windows-1252, so letters beyond ASCII show wrongly; save it as Windows-1252 without a "
            "mark |byte-order-mark",
            "bom.txt:2: error: line ends with LF only (CR LF expected): the player starts scenes "
            "and "
            "commands only after CR LF, so what follows joins this line |lf-line-ends",
            "bom.txt:2: error: @firstscene names undefined scene 'A[A]' |undefined-scene"}));
}

// A plain game hears which hot spots it would lose once enciphered.
TEST_F(Lint, WarnsAboutHotSpotsLostOnceEnciphered) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = Road\n[Road]\n@X = 100\n@xmove = 4\n"
        "@hotspots = 48(\"A trapdoor\",M,Y,Cellar),12(\"A hole\",M,NO,Pit)\n[Cellar]\n[Pit]\n");
    EXPECT_EQ(lines(parvel::lintGame(game)),
              (std::vector<std::string>{"Gamefile.txt:6: warning: @hotspots plays otherwise once "
                                        "enciphered: hot spot 2 (x 12) can never be "
                                        "reached: passed on the way: in an enciphered game hot "
                                        "spot 1 (x 48) takes the walker to "
                                        "Cellar first |enciphered-hotspot"}));
}

// Texts are laid out as the window lays them out; what passes a label's
// bottom is named with the lines it takes and the lines the label shows.
TEST_F(Lint, SaysWhichTextsTheirLabelsCutOff) {
    ASSERT_TRUE(parvel::render::ensureFontDatabase());
    std::string nine, words;
    for (int i = 0; i < 9; ++i) nine += "line\\n";
    for (int i = 0; i < 40; ++i) words += "word ";
    const auto game = writeGame("[Setup]\n@firstscene = A\n[A]\n@description = " + nine +
                                "\n@option1 = " + words + "\n@Link1 = B\n@option2 = Short\n@Link2 = B\n"
                                "@X = 5\n@standingsprite = 1.man\n@hotspots = 9(\"" + words + words +
                                words + "\",M,NO,!)\n[B]\n@description = Two\\nlines\n");
    std::vector<std::string> found;
    for (const auto& f : parvel::lintGame(game, {.labelText = true}))
        if (f.code == "text-overflow") found.push_back(std::to_string(f.line) + " " + f.message);
    ASSERT_EQ(found.size(), 3u);
    const std::regex form(
        "(\\d+) (\\S+.*) takes (\\d+) lines in MS Sans Serif 8 pt( \\(drawn here in [^)]+\\))? "
        "but its label shows (\\d+); the rest is cut off");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(found[0], m, form)) << found[0];
    EXPECT_EQ(m[1], "4");
    EXPECT_EQ(m[2], "@description");
    EXPECT_EQ(m[3], "9");  // the empty line after the last break is not counted
    // 7 at the usual 13 px a line of an 8 pt sans-serif face
    EXPECT_TRUE(std::stoi(m[5]) >= 6 && std::stoi(m[5]) <= 8) << m[5];
    ASSERT_TRUE(std::regex_match(found[1], m, form)) << found[1];
    EXPECT_EQ(m[1], "5");
    EXPECT_EQ(m[2], "@option1");
    EXPECT_GT(std::stoi(m[3]), 2);
    EXPECT_EQ(m[5], "2");
    ASSERT_TRUE(std::regex_match(found[2], m, form)) << found[2];
    EXPECT_EQ(m[1], "11");
    EXPECT_EQ(m[2], "@hotspots record 1's text");
    // Without the font database nothing is laid out.
    for (const auto& f : parvel::lintGame(game)) EXPECT_NE(f.code, "text-overflow");
}

// In an enciphered game every picture is deciphered first: one made for
// another game file stops the game, and a refused one is named as in a
// plain game.
TEST_F(Lint, ChecksEncipheredPictures) {
    solidBmp("game/pics/a.bmp", 0);
    solidBmp("game/pics/b.bmp", 0);
    solidBmp("game/pics/c.bmp", 0);
    writeGame("[Setup]\n@firstscene = A\n@imagedir = pics\n[A]\n@image = a.bmp\n"
              "@anim = b.bmp, c.bmp\n",
              "game/Gamefile.txt");
    const std::string out = (dir / "out").string();
    ASSERT_TRUE(parvel::encipherGame((dir / "game").string(), out).ok());
    EXPECT_EQ(lines(parvel::lintGame(out + "/GameFile.Cgm")), std::vector<std::string>{});
    // b from another game file; c with its (enciphered) header cut short.
    std::string b = *parvel::readWholeFile(out + "/pics/b.clP");
    b.replace(b.size() - 8, 8, "12345678");
    writeFile("out/pics/b.clP", b);
    std::string c = *parvel::readWholeFile(out + "/pics/c.clP");
    writeFile("out/pics/c.clP", c.substr(0, 20) + c.substr(c.size() - 8));
    EXPECT_EQ(lines(parvel::lintGame(out + "/GameFile.Cgm")),
              (std::vector<std::string>{
                  "GameFile.Cgm:6: error: @anim picture b.clP was not enciphered for this game "
                  "file: the player stops with \"GAMEFILE AND IMAGES NOT VALID - Tampering "
                  "suspected - QUITTING\" |foreign-picture",
                  "GameFile.Cgm:6: error: @anim picture c.clP is refused by the player: \"481 "
                  "Invalid picture (file shorter than its headers)\" |bad-picture"}));
}
