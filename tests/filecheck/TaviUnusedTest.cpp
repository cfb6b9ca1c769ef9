// `tavi unused`, run as a program.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include "GameFolder.h"
#include "Paths.h"

#ifdef TAVI_EXE

namespace {

struct ToolRun {
    int code;
    std::string out, err;
};

ToolRun tavi(GameFolder& g, const std::string& args) {
    const std::string out = g.path("out"), err = g.path("err");
    const int status =
        std::system((std::string(TAVI_EXE) + " " + args + " >" + out + " 2>" + err).c_str());
    return {WEXITSTATUS(status), parvel::readWholeFile(out).value_or(""),
            parvel::readWholeFile(err).value_or("")};
}

}  // namespace

TEST(TaviUnused, PicturesThenSoundsAndMusicOnePathPerLine) {
    GameFolder g("tavi");
    writeSampleGame(g);
    const auto r = tavi(g, "unused '" + g.path("game/Gamefile.txt") + "'");
    EXPECT_EQ(r.code, 0);
    const std::string pics = g.path("game/Art/PICS/");
    EXPECT_EQ(r.out, pics + "Commented.bmp\n" + pics + "hero1.clP\n" + pics + "hero5.bmp\n" +
                         pics + "manR4.bmp\n" + pics + "old.clp\n" + pics + "Sub.bmp\n" + pics +
                         "Wood.BMP\n" + g.path("game/Snd/Boom.WAV") + "\n" +
                         g.path("game/Music/Battle.MID") + "\n");
    EXPECT_EQ(r.err, "");
}

TEST(TaviUnused, RelativeGamePathGivesRelativePaths) {
    GameFolder g("tavirel");
    g.script("g/Gamefile.txt", "[Setup]\n@imagedir = p\n[A]\n@image = b.bmp\n");
    g.files("g/p", {"b.bmp", "c.bmp"});
    const std::string cmd = "cd '" + g.root.string() + "' && " + TAVI_EXE + " unused g/Gamefile.txt >out";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(parvel::readWholeFile(g.path("out")).value_or(""), "g/p/c.bmp\n");
}

TEST(TaviUnused, UnreadableGameFileIsAnError) {
    GameFolder g("tavimissing");
    const auto r = tavi(g, "unused " + g.path("nope/Gamefile.txt"));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "tavi: cannot read " + g.path("nope/Gamefile.txt") + "\n");
}

#endif
