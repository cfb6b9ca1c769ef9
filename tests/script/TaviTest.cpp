// The author tool, run as a program, on games written by the test.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "Cipher.h"
#include "HeadlessHost.h"
#include "Integrity.h"
#include "Paths.h"
#include "SceneTable.h"
#include "ScriptTestUtil.h"

namespace fs = std::filesystem;
using namespace parvel;

namespace {

struct ToolRun {
    int code;
    std::string out, err;
};

class TaviTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("parvel-tavi-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "game" / "Pics");
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string write(const fs::path& p, std::string_view data) {
        std::ofstream f(p, std::ios::binary);
        f.write(data.data(), static_cast<std::streamsize>(data.size()));
        return p.string();
    }
    ToolRun tavi(const std::string& args) {
        const std::string out = (dir / "out").string(), err = (dir / "err").string();
        const int status = std::system((std::string(TAVI_EXE) + " " + args + " >" + out +
                                        " 2>" + err).c_str());
        return {WEXITSTATUS(status), readWholeFile(out).value_or(""),
                readWholeFile(err).value_or("")};
    }
    fs::path dir;
};

const char* kGame =
    "[Setup]\n@firstscene = Caf\xE9\n@imagedir = Pics\n@bkPic = back.bmp\n"
    "[Title]\n@name = Test Game\n"
    "[Caf\xE9]\n@image = Room.BMP\n@anim = a.bmp, b.bmp,\n c.bmp\n@description = Hello\n"
    "@sound = ding.wav\n";

}  // namespace

TEST_F(TaviTest, ScenesListsFilledSlots) {
    const std::string g = write(dir / "game" / "Gamefile.txt", crlf(kGame));
    auto r = tavi("scenes " + g);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "1\tSetup\n2\tTitle\n3\tCaf\xE9\n");
}

TEST_F(TaviTest, GetCarriesTheCurrentSceneAndConvertsUtf8Names) {
    const std::string g = write(dir / "game" / "Gamefile.txt", crlf(kGame));
    auto r = tavi("get " + g + " 'Café' @description Title @name Nowhere @name '' @sound");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Hello\nTest Game\n\n\n");
    EXPECT_EQ(r.err, "title: ERROR - SCENE NOT DEFINED!\n");
    auto bad = tavi("get " + g + " Title");
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find("usage"), std::string::npos);
}

TEST_F(TaviTest, DigestAndDecipher) {
    const std::string f = write(dir / "check.txt", "123456789");
    EXPECT_EQ(tavi("digest " + f).out, "CBF43926\n");
    const std::string enc = write(dir / "GameFile.Cgm", DecipherScript(crlf(kGame)));
    auto r = tavi("decipher " + enc);
    EXPECT_EQ(r.out, crlf(kGame));
    EXPECT_EQ(tavi("scenes " + enc).out, "1\tSetup\n2\tTitle\n3\tCaf\xE9\n");
    auto missing = tavi("digest " + (dir / "nope").string());
    EXPECT_EQ(missing.code, 1);
    EXPECT_FALSE(missing.err.empty());
}

TEST_F(TaviTest, EncipheredGameLoadsTheSameScenesAndItsPicturesPass) {
    write(dir / "game" / "Gamefile.txt", crlf(kGame));
    std::string bmp(120, 'p');
    bmp[0] = 'B';
    bmp[1] = 'M';
    write(dir / "game" / "Pics" / "Room.BMP", bmp);
    write(dir / "game" / "Pics" / "back.bmp", bmp);
    write(dir / "game" / "ding.wav", "RIFF");
    const fs::path out = dir / "out-game";
    auto r = tavi("encipher " + (dir / "game").string() + " " + out.string());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(fs::exists(out / "GameFile.Cgm"));
    EXPECT_TRUE(fs::exists(out / "Pics" / "Room.clP"));
    EXPECT_FALSE(fs::exists(out / "Pics" / "Room.BMP"));
    EXPECT_TRUE(fs::exists(out / "Pics" / "back.bmp"));  // the window background stays plain
    EXPECT_TRUE(fs::exists(out / "ding.wav"));
    EXPECT_FALSE(fs::exists(out / "Gamefile.txt"));

    HeadlessHost host;
    SceneTable table(host);
    GameScript game;
    game.path = (out / "GameFile.Cgm").string();
    table.LoadGameScript(game);
    EXPECT_EQ(game.enciphered, 1);
    ASSERT_EQ(table.lastLoadCount(), 3);
    EXPECT_EQ(table.GetDirective("Caf\xE9", "@image"), "Room.clP");
    EXPECT_EQ(table.GetDirective("Caf\xE9", "@anim"), "a.clP, b.clP,  c.clP");
    EXPECT_EQ(table.GetDirective("Caf\xE9", "@description"), "Hello");
    EXPECT_EQ(table.GetDirective("Setup", "@bkPic"), "back.bmp");

    const std::string digest = FileDigest(host, game.path);
    auto temp = PreparePicture(host, (out / "Pics" / "Room.clP").string(), digest);
    ASSERT_TRUE(temp.has_value());
    EXPECT_EQ(readWholeFile(*temp).value_or(""), bmp + "        ");
    fs::remove(*temp);
    EXPECT_FALSE(host.quitting());
}

TEST_F(TaviTest, UnknownCommandsAndMissingFoldersFail) {
    EXPECT_EQ(tavi("frobnicate").code, 1);
    EXPECT_EQ(tavi("").code, 1);
    auto r = tavi("encipher " + (dir / "nothing").string() + " " + (dir / "o").string());
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(r.err.empty());
}

TEST_F(TaviTest, OptionsGoAnywhereAndDashesEndThem) {
    const std::string g = write(dir / "game" / "Gamefile.txt",
                                crlf("[Setup]\n@firstscene = -Cellar\n[-Cellar]\n@description = Dark\n"));
    const std::string in = write(dir / "in.txt", "open\nclick\n");
    const std::string saves = (dir / "saves").string();
    auto a = tavi("play " + g + " --input " + in + " --seed 3 --saves " + saves);
    auto b = tavi("play --saves=" + saves + " --seed=3 --input=" + in + " " + g);
    EXPECT_EQ(a.code, 0);
    EXPECT_EQ(a.out, b.out);
    EXPECT_NE(a.out.find("scene: -Cellar"), std::string::npos);
    EXPECT_EQ(tavi("get " + g + " -- -Cellar @description").out, "Dark\n");
    auto unknown = tavi("get " + g + " -Cellar @description");
    EXPECT_EQ(unknown.code, 2);
    EXPECT_EQ(unknown.err, "tavi: unrecognized option '-C'\nTry 'tavi help get' for more information.\n");
    EXPECT_EQ(tavi("play " + g + " --input").code, 2);
    EXPECT_EQ(tavi("play " + g).code, 1);  // --input is required
    EXPECT_EQ(tavi("play " + g + " --input " + in + " --seed x").code, 1);
    EXPECT_EQ(tavi("lint --strict " + g).code, 0);
    EXPECT_EQ(tavi("lint " + g + " --format=yaml").code, 1);
    auto help = tavi("help help");
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out.rfind("Usage: tavi help [COMMAND]\n", 0), 0u);
}

// The manual page describes every command and every option the table has.
TEST_F(TaviTest, ManualPageNamesEveryCommandAndOption) {
    const std::string man = readWholeFile(TAVI_MAN).value_or("");
    ASSERT_FALSE(man.empty());
    auto list = tavi("--help");
    size_t commands = 0;
    std::istringstream lines(list.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.size() < 3 || line.substr(0, 2) != "  " || !std::islower(static_cast<unsigned char>(line[2])))
            continue;
        const std::string name = line.substr(2, line.find(' ', 2) - 2);
        ++commands;
        EXPECT_TRUE(man.find("\n.BI " + name + " ") != std::string::npos ||
                    man.find("\n.B " + name + "\n") != std::string::npos)
            << name;
        std::istringstream help(tavi("help " + name).out);
        for (std::string h; std::getline(help, h);) {
            if (h.rfind("  --", 0) != 0 || h.rfind("  -- ", 0) == 0) continue;
            std::string option;
            for (char c : h.substr(2, h.find_first_of(" =", 4) - 2)) option += c == '-' ? std::string("\\-") : std::string(1, c);
            EXPECT_NE(man.find(option), std::string::npos) << name << " " << h;
        }
    }
    EXPECT_GE(commands, 11u);
}

// Encipher never writes into the game folder, however OUTDIR names it, and
// leaves nothing behind when it refuses.
TEST_F(TaviTest, EncipherRefusesTheGameFolderItself) {
    write(dir / "game" / "Gamefile.txt", crlf(kGame));
    fs::create_symlink(dir / "game", dir / "link");
    const std::string g = (dir / "game").string();
    for (const std::string& out : {g, g + "/", g + "/.", (dir / "link").string(), (dir / "game" / ".." / "game").string()}) {
        auto r = tavi("encipher " + g + " " + out);
        EXPECT_EQ(r.code, 1) << out;
        EXPECT_NE(r.err.find("is the game folder itself"), std::string::npos) << r.err;
    }
    EXPECT_EQ(tavi("encipher " + g + " " + dir.string()).code, 1);  // holds the game
    fs::create_directories(dir / "other");
    write(dir / "other" / "notes.txt", "mine");
    EXPECT_EQ(tavi("encipher " + g + " " + (dir / "other").string()).code, 1);  // not a release
    EXPECT_FALSE(fs::exists(dir / "game" / "GameFile.Cgm"));
    size_t entries = 0;
    for (auto it = fs::directory_iterator(dir); it != fs::directory_iterator(); ++it) ++entries;
    EXPECT_EQ(entries, 5u);  // game, link, other, out, err: no half-written folder
    // An earlier copy is replaced whole.
    EXPECT_EQ(tavi("encipher " + g + " " + (dir / "rel").string()).code, 0);
    write(dir / "rel" / "stale.clP", "old");
    EXPECT_EQ(tavi("encipher " + g + " " + (dir / "rel").string()).code, 0);
    EXPECT_TRUE(fs::exists(dir / "rel" / "GameFile.Cgm"));
    EXPECT_FALSE(fs::exists(dir / "rel" / "stale.clP"));
}

// A two-file game: the chained file stays plain and keeps its pictures, the
// release plays its walkthrough as the game does, picture for picture.
TEST_F(TaviTest, ReleasePlaysLikeTheGameOrWritesNothing) {
    const fs::path g = dir / "game";
    auto bmp = [](std::uint32_t rgb) { return parvel::testing::bmp24(200, 112, [rgb](int, int) { return rgb; }); };
    write(g / "Pics" / "one.bmp", bmp(0xff0000));
    write(g / "Pics" / "two.bmp", bmp(0x00ff00));
    write(g / "Gamefile.txt",
          crlf("[Setup]\n@firstscene = A\n@imagedir = Pics\n[A]\n@image = one.bmp\n@option1 = On\n"
               "@Link1 = B\n@nextGfile = Part.txt\n@linkGo1 = TRUE\n"));
    write(g / "Part.txt", crlf("[B]\n@image = two.bmp\n@option1 = Back\n@Link1 = A\n"
                               "@nextGfile = Gamefile.txt\n@linkGo1 = TRUE\n"));
    const std::string walk = write(dir / "walk.txt",
                                   "# seed 7\nopen\nclick\nwait 3\npicture a.png\noption 1\nwait 3\n"
                                   "picture b.png\noption 1\nwait 3\npicture c.png\n");
    const fs::path out = dir / "rel";
    auto r = tavi("release " + g.string() + " " + out.string() + " --walkthrough " + walk);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(fs::exists(out / "Pics" / "one.clP"));
    EXPECT_TRUE(fs::exists(out / "Pics" / "two.bmp"));  // named by the plain chained file
    EXPECT_FALSE(fs::exists(out / "Pics" / "one.bmp"));
    EXPECT_NE(readWholeFile((out / "Part.txt").string()).value_or("").find("@nextGfile = GameFile.Cgm\r\n"),
              std::string::npos);
    auto play = tavi("play " + (out / "GameFile.Cgm").string() + " --input " + walk);
    EXPECT_EQ(play.code, 0);
    EXPECT_NE(play.out.find("scene: B\n"), std::string::npos);
    EXPECT_EQ(play.out.rfind("scene: A\n"), play.out.size() - 9);  // back through the enciphered game file

    // A copy with lint errors is refused and nothing is written.
    fs::remove(g / "Pics" / "two.bmp");
    const fs::path out2 = dir / "rel2";
    r = tavi("release --walkthrough=" + walk + " " + g.string() + " " + out2.string());
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(out2.string() + "/Part.txt:2: error: @image file not found: two.bmp"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out2));
}

// The enciphered rules take the trapdoor the walker passes: named, allowed.
TEST_F(TaviTest, ReleaseNamesWhereTheEncipheredRulesDiffer) {
    const fs::path g = dir / "game";
    write(g / "Gamefile.txt",
          crlf("[Setup]\n@firstscene = Road\n[Road]\n@X = 100\n@xmove = 4\n"
               "@hotspots = 48(\"A trapdoor\",M,Y,Cellar),12(\"A hole\",M,NO,Pit)\n[Cellar]\n[Pit]\n"));
    const std::string walk = write(dir / "walk.txt", "open\nclick\nwait 1\nkeydown left\nwait 10\n");
    auto r = tavi("release " + g.string() + " " + (dir / "rel").string() + " --walkthrough " + walk);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, walk + ": after scene 'Road' the game goes to 'Pit', the release to 'Cellar': by design, an "
                            "enciphered game takes the hot spots the walker passes and has no Ctrl\n");
}

// Coverage names the steps that cannot act and the ways no walkthrough took;
// unused --all-files counts the names of chained files.
TEST_F(TaviTest, CoverageWarnsAboutIdleStepsAndListsWaysNotTaken) {
    const fs::path g = dir / "game";
    write(g / "Gamefile.txt",
          crlf("[Setup]\n@firstscene = A\n@imagedir = Pics\n[A]\n@option1 = To B\n@Link1 = B\n"
               "@option2 = To C\n@Link2 = C\n@nextGfile = Part.txt\n[B]\n@option1 = Back\n@Link1 = A\n[C]\n"));
    write(g / "Part.txt", crlf("[B]\n@image = late.bmp\n"));
    write(g / "Pics" / "late.bmp", "BM");
    write(g / "Pics" / "never.bmp", "BM");
    const std::string walk = write(dir / "walk.txt", "open\nclick\nwait 2\noption 3\nload nothing\noption 1\nwait 2\n");
    auto r = tavi("coverage " + (g / "Gamefile.txt").string() + " " + walk);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, walk + ":4: warning: option 3: the scene shows no option 3\n" + walk +
                         ":5: warning: load nothing: there is no such save\n");
    EXPECT_EQ(r.out, "scenes visited: 2 of 4 (50 %), edges: 1 of 3 (33 %)\nnot visited: C\n"
                     "not visited: B (Part.txt)\nnot taken: A -> C\nnot taken: B -> A\n");
    auto unused = tavi("unused " + (g / "Gamefile.txt").string());
    auto all = tavi("unused --all-files " + (g / "Gamefile.txt").string());
    EXPECT_NE(unused.out.find("late.bmp"), std::string::npos);
    EXPECT_EQ(all.out.find("late.bmp"), std::string::npos);
    EXPECT_NE(all.out.find("never.bmp"), std::string::npos);
}
