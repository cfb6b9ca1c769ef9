// Game files that change under a playing scene: deleted, cut short, or
// overwritten with garbage between two inputs. The player must keep playing
// from the scene table it holds, keep the last picture it could load, and
// report bad pictures only the way it reports any bad picture.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Encipher.h"
#include "HeadlessHost.h"
#include "Player.h"
#include "TestFiles.h"

namespace fs = std::filesystem;
using namespace parvel;

namespace {

using parvel::testing::crlf;
using parvel::testing::solidBmp;

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kGrey = 0x808080;

class GameFiles : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("parvel-faults-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "pics");
        host = std::make_unique<HeadlessHost>(7);
        player = std::make_unique<Player>(*host, nullptr);
        auto record = [this](std::string_view l) { lines.emplace_back(l); };
        host->onEvent = record;
        player->onEvent = record;
        player->startUp();
    }
    void TearDown() override {
        player.reset();
        fs::remove_all(dir);
    }

    std::string write(const std::string& name, std::string_view bytes) {
        const fs::path p = dir / name;
        std::ofstream f(p, std::ios::binary | std::ios::trunc);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }
    void truncate(const std::string& name, std::uintmax_t size) { fs::resize_file(dir / name, size); }
    void remove(const std::string& name) { fs::remove(dir / name); }

    // A three-frame background animation on A; B has a still background
    // with a two-frame layer; option 1 goes from each to the other.
    std::string writeAnimatedGame() {
        write("pics/a1.bmp", solidBmp(200, 112, kRed));
        write("pics/a2.bmp", solidBmp(200, 112, kGreen));
        write("pics/a3.bmp", solidBmp(200, 112, kBlue));
        write("pics/b.bmp", solidBmp(200, 112, kGrey));
        write("pics/l1.bmp", solidBmp(10, 10, kRed));
        write("pics/l2.bmp", solidBmp(10, 10, kBlue));
        return write("Gamefile.txt",
                     crlf("[Setup]\n@firstscene = A\n@imagedir = pics\n\n[Title]\n@name = Faults\n\n"
                          "[A]\n@description = Room A\n@anim = a1.bmp,a2.bmp,a3.bmp\n"
                          "@animLoop = FOREVER\n@animspeed = FAST\n@option1 = On\n@link1 = B\n\n"
                          "[B]\n@description = Room B\n@image = b.bmp\n@layeranim = l1.bmp,l2.bmp\n"
                          "@layerloop = FOREVER\n@layerspeed = FAST\n@option1 = Back\n@link1 = A\n"));
    }

    void at(double seconds, std::function<void()> action) {
        host->schedule(static_cast<Micros>(std::llround(seconds * kMicrosPerSecond)), std::move(action));
    }
    // Opens `game`, starts it, and plays until `seconds` of virtual time.
    void play(const std::string& game, double seconds) {
        at(0.001, [this, game] { player->openGame(game); });
        at(0.002, [this] { player->click(); });
        at(seconds, [this] { host->quitNow(); });
        player->MainLoop();
    }

    struct Look {
        std::string scene;
        int animFrame = 0;
        std::uint32_t pixel = 0;  // Picture1 at (100, 60), 0xRRGGBB
        std::string text;
    };
    Look look() {
        Look l;
        l.scene = player->scene().name;
        l.animFrame = player->render().AnimFrame;
        l.pixel = player->render().Picture1.pixel(100, 60) & 0xFFFFFF;
        l.text = host->caption(Control::Label2);
        return l;
    }
    void lookAt(double seconds) {
        at(seconds, [this] { looks.push_back(look()); });
    }
    // Looks every tenth of a second over [from, from + 0.5): the frame
    // numbers seen.
    void lookOften(double from) {
        for (int i = 0; i < 5; ++i) lookAt(from + 0.1 * i);
    }
    bool framesMoved(size_t first, size_t count) const {
        for (size_t i = first + 1; i < first + count; ++i)
            if (looks[i].animFrame != looks[first].animFrame) return true;
        return false;
    }
    std::vector<std::string> only(std::string_view prefix) const {
        std::vector<std::string> out;
        for (const auto& l : lines)
            if (l.rfind(prefix, 0) == 0) out.push_back(l);
        return out;
    }

    fs::path dir;
    std::unique_ptr<HeadlessHost> host;
    std::unique_ptr<Player> player;
    std::vector<std::string> lines;
    std::vector<Look> looks;
};

}  // namespace

TEST_F(GameFiles, DeletedPicturesAndScriptLeaveTheLastPictureAndPlayGoesOn) {
    const auto game = writeAnimatedGame();
    host->settings().ShowErrors = true;
    lookAt(0.5);
    at(0.55, [&] {
        for (const char* f : {"pics/a1.bmp", "pics/a2.bmp", "pics/a3.bmp", "pics/b.bmp",
                              "pics/l1.bmp", "pics/l2.bmp", "Gamefile.txt"})
            remove(f);
    });
    lookAt(0.6);
    lookAt(1.0);
    at(1.1, [&] { player->optionClick(1); });
    lookAt(1.5);
    at(1.6, [&] { player->optionClick(1); });
    lookAt(2.0);
    play(game, 2.5);

    ASSERT_EQ(looks.size(), 5u);
    EXPECT_EQ(looks[0].scene, "A");
    // Nothing new can be loaded: the frame counters go on, the picture
    // stays the one last drawn.
    EXPECT_NE(looks[2].animFrame, looks[1].animFrame);
    EXPECT_EQ(looks[2].pixel, looks[1].pixel);
    EXPECT_EQ(looks[3].scene, "B");
    EXPECT_EQ(looks[3].text, "Room B");
    EXPECT_EQ(looks[3].pixel, looks[1].pixel);
    EXPECT_EQ(looks[4].scene, "A");
    EXPECT_EQ(looks[4].text, "Room A");
    // A missing picture is not an error the player reports.
    EXPECT_TRUE(only("msgbox: ").empty());
    EXPECT_EQ(only("scene: "), (std::vector<std::string>{"scene: A", "scene: B", "scene: A"}));
}

TEST_F(GameFiles, PicturesCutShortWhilePlayingAreReportedWithShowErrors) {
    const auto game = writeAnimatedGame();
    host->settings().ShowErrors = true;
    at(0.3, [&] { truncate("pics/b.bmp", 30); });
    at(0.4, [&] { player->optionClick(1); });
    lookAt(0.8);
    play(game, 1.0);
    ASSERT_EQ(looks.size(), 1u);
    EXPECT_EQ(looks[0].scene, "B");
    EXPECT_EQ(looks[0].text, "Room B");
    const auto boxes = only("msgbox: ");
    ASSERT_GE(boxes.size(), 3u);
    EXPECT_EQ(boxes[0],
              "msgbox: ERROR IN INIT ROUTINE - 481 Invalid picture (file shorter than its headers)");
    EXPECT_EQ(boxes[1], "msgbox: Init Value - " + (dir / "pics/b.bmp").string());
    EXPECT_EQ(boxes[2], "msgbox: Contiune Cloning?");
}

TEST_F(GameFiles, GarbageInPlaceOfPicturesIsSilentWithoutShowErrors) {
    const auto game = writeAnimatedGame();
    std::mt19937 rng(3);
    std::string garbage(54 + 200 * 112 * 3, '\0');
    for (char& c : garbage) c = static_cast<char>(rng());
    at(0.3, [&] {
        write("pics/a1.bmp", garbage);
        write("pics/a2.bmp", "BM" + garbage);
        write("pics/a3.bmp", garbage.substr(0, 10));
    });
    lookOften(0.35);
    at(1.0, [&] { player->optionClick(1); });
    lookAt(1.2);
    play(game, 1.5);
    ASSERT_EQ(looks.size(), 6u);
    EXPECT_EQ(looks[4].scene, "A");
    EXPECT_TRUE(framesMoved(0, 5));
    for (size_t i = 1; i < 5; ++i) EXPECT_EQ(looks[i].pixel, looks[0].pixel);  // the last good frame stays
    EXPECT_TRUE(looks[0].pixel == kRed || looks[0].pixel == kGreen || looks[0].pixel == kBlue);
    EXPECT_EQ(looks[5].scene, "B");
    EXPECT_EQ(looks[5].pixel, kGrey);
    EXPECT_TRUE(only("msgbox: ").empty());
}

TEST_F(GameFiles, ScriptCutShortOrChainedFileGoneKeepsTheLoadedScenes) {
    write("pics/b.bmp", solidBmp(200, 112, kGrey));
    const auto game = write("Gamefile.txt",
                            crlf("[Setup]\n@firstscene = A\n@imagedir = pics\n\n[A]\n"
                                 "@description = Room A\n@nextGfile = part2.txt\n@option1 = On\n"
                                 "@link1 = B\n@option2 = Stay\n@link2 = A\n\n"
                                 "[B]\n@description = Room B\n@image = b.bmp\n"));
    write("part2.txt", crlf("[B]\n@description = Part two\n"));
    at(0.2, [&] { truncate("Gamefile.txt", 12); });
    at(0.3, [&] { player->optionClick(2); });  // A again, from the table in memory
    lookAt(0.4);
    at(0.5, [&] { remove("part2.txt"); });
    at(0.6, [&] { player->optionClick(1); });
    lookAt(0.8);
    play(game, 1.0);
    ASSERT_EQ(looks.size(), 2u);
    EXPECT_EQ(looks[0].scene, "A");
    EXPECT_EQ(looks[0].text, "Room A");
    EXPECT_EQ(looks[1].scene, "B");
    EXPECT_EQ(only("scene: "), (std::vector<std::string>{"scene: A", "scene: A", "scene: B"}));
}

TEST_F(GameFiles, EncipheredPictureGoneOrCutWhilePlaying) {
    fs::create_directories(dir / "plain/pics");
    write("plain/pics/a1.bmp", solidBmp(200, 112, kRed));
    write("plain/pics/a2.bmp", solidBmp(200, 112, kGreen));
    write("plain/pics/b.bmp", solidBmp(200, 112, kGrey));
    write("plain/Gamefile.txt",
          crlf("[Setup]\n@firstscene = A\n@imagedir = pics\n\n[A]\n@description = Room A\n"
               "@anim = a1.bmp,a2.bmp\n@animLoop = FOREVER\n@animspeed = FAST\n@option1 = On\n"
               "@link1 = B\n\n[B]\n@description = Room B\n@image = b.bmp\n"));
    auto made = encipherGame((dir / "plain").string(), (dir / "ciph").string());
    ASSERT_TRUE(made.ok()) << made.error().description;
    const std::string game = (dir / "ciph/GameFile.Cgm").string();
    at(2.0, [&] { remove("ciph/pics/a1.clP"); });
    lookOften(2.1);
    at(2.7, [&] { truncate("ciph/pics/b.clP", 5); });
    at(2.8, [&] { player->optionClick(1); });
    play(game, 4.0);
    ASSERT_EQ(looks.size(), 5u);
    EXPECT_EQ(looks[4].scene, "A");
    EXPECT_TRUE(framesMoved(0, 5));
    // A picture cut below its digest trailer is not one made for this game.
    EXPECT_EQ(only("msgbox: "),
              std::vector<std::string>{"msgbox: GAMEFILE AND IMAGES NOT VALID - Tampering suspected - QUITTING"});
    EXPECT_TRUE(host->quitting());
}
