#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "GameSetup.h"
#include "HeadlessHost.h"
#include "SceneTable.h"
#include "ScriptTestUtil.h"

namespace fs = std::filesystem;
using namespace parvel;

namespace {

struct Opened {
    HeadlessHost host;
    SceneTable table{host};
    GameScript game;
    GameSetup setup;
    fs::path dir;
    explicit Opened(const std::string& script) {
        dir = fs::temp_directory_path() / ("parvel-open-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        std::ofstream(dir / "Gamefile.txt", std::ios::binary) << crlf(script);
        OpenGame(host, game, table, setup, (dir / "Gamefile.txt").string());
    }
    ~Opened() { fs::remove_all(dir); }
    std::string folder() const { return dir.string() + "/"; }
};

}  // namespace

TEST(ParseSetupColour, BothFormsAndNeither) {
    EXPECT_EQ(parseSetupColour("H255"), 255u);
    EXPECT_EQ(parseSetupColour(" h16777215 "), 16777215u);
    EXPECT_EQ(parseSetupColour("Hblue"), 0u);
    EXPECT_EQ(parseSetupColour("000000255"), 0xFF0000u);  // blue
    EXPECT_EQ(parseSetupColour("255128000"), 0x0080FFu);
    EXPECT_EQ(parseSetupColour("300300300"), 0xFFFFFFu);  // groups above 255 count as 255
    EXPECT_FALSE(parseSetupColour("red").has_value());
    EXPECT_FALSE(parseSetupColour("12").has_value());
}

TEST(OpenGame, SetupWithOnlyAFirstSceneTakesEveryDefault) {
    Opened g("[Setup]\n@firstscene = A\n[Title]\n@name = Demo\n");
    EXPECT_EQ(g.setup.musicDir, g.folder() + "\\");
    EXPECT_EQ(g.setup.imageDir, g.folder() + "\\");
    EXPECT_EQ(g.setup.soundDir, g.folder() + "\\");
    const auto& w = g.host.window();
    EXPECT_EQ(w.background, 0u);
    EXPECT_EQ(w.colours[static_cast<size_t>(Control::Label5)], 49152u);
    EXPECT_EQ(w.fontFamily, "MS Sans Serif");
    EXPECT_EQ(w.fontPoints, 8);
    EXPECT_EQ(g.host.title(), "Parvel - Demo");
    EXPECT_EQ(g.host.caption(Control::Label2),
              "Parvel - Demo\r\n \r\nAuthor: \r\n\r\nArtist: \r\nProduced by: \r\n()\r\n");
    EXPECT_TRUE(w.descriptionCentred);
    EXPECT_EQ(w.descriptionHeight, 137);
}

TEST(OpenGame, FoldersColoursAndFont) {
    Opened g("[Setup]\n@imagedir = pics\n@musicdir = D:\\art\n@bkColor = H16777215\n"
             "@fntColor = 000000255\n@msOverColor = nonsense\n@fntSize = 10.5\n@font = Serif\n"
             "[Title]\n@name = N\n@date = 2026\n@version = 2\n@author = A\n@artist = B\n"
             "@company = C\n@contact = D\n@copyright = E\n");
    EXPECT_EQ(g.setup.imageDir, g.folder() + "pics\\");
    EXPECT_EQ(g.setup.musicDir, "D:\\art\\");
    EXPECT_EQ(g.setup.backColour, 0xFFFFFFu);
    EXPECT_EQ(g.setup.textColour, 0xFF0000u);
    EXPECT_EQ(g.setup.mouseOverColour, kDefaultMouseOverColour);  // not a colour: unchanged
    EXPECT_EQ(g.host.window().fontPoints, 10.5);
    EXPECT_EQ(g.host.window().fontFamily, "Serif");
    EXPECT_EQ(g.host.caption(Control::Label2),
              "Parvel - N\r\n2026 2\r\nAuthor: A\r\n\r\nArtist: B\r\nProduced by: C\r\n(D)\r\nE");
    EXPECT_EQ(g.game.digest.size(), 8u);
}

TEST(OpenGame, MissingTitleSceneGivesTheBareTitle) {
    Opened g("[Setup]\n@firstscene = A\n");
    EXPECT_EQ(g.host.title(), "Parvel - ");
}
