// Headless play leaves out frames nothing can see. Every run here is played
// twice, drawing every frame and leaving those out: the event lines and the
// pictures written must be the same, byte for byte.

#include "Encipher.h"
#include "GameFixture.h"

namespace {

struct Played {
    std::vector<std::string> lines;
    std::vector<QImage> pictures;
};

}  // namespace

class FrameSkip : public GameFixture {
protected:
    // `input` names its pictures "{}N.png"; each run writes its own.
    Played playAs(const std::string& game, const std::string& input, bool everyFrame) {
        const std::string prefix = (dir / (everyFrame ? "every-" : "skip-")).string();
        std::string text;
        for (size_t i = 0; i < input.size(); ++i) {
            if (input.compare(i, 2, "{}") == 0) {
                text += prefix;
                ++i;
            } else {
                text += input[i];
            }
        }
        auto steps = parvel::parseReplay(text);
        EXPECT_TRUE(steps.ok());
        Played run;
        if (!steps.ok()) return run;
        parvel::runReplay(
            game, *steps, 7, [&](std::string_view l) { run.lines.emplace_back(l); }, {},
            everyFrame);
        for (int n = 1;; ++n) {
            const std::string png = prefix + std::to_string(n) + ".png";
            if (!fs::exists(png)) break;
            run.pictures.emplace_back(QString::fromStdString(png));
        }
        // Names of written pictures differ between the runs; nothing else may.
        for (auto& l : run.lines)
            if (auto p = l.find(prefix); p != std::string::npos) l.replace(p, prefix.size(), "{}");
        return run;
    }
    void expectSame(const std::string& game, const std::string& input, size_t pictures) {
        const Played every = playAs(game, input, true);
        const Played skip = playAs(game, input, false);
        EXPECT_EQ(skip.lines, every.lines);
        ASSERT_EQ(every.pictures.size(), pictures);
        ASSERT_EQ(skip.pictures.size(), pictures);
        for (size_t i = 0; i < pictures; ++i) EXPECT_TRUE(skip.pictures[i] == every.pictures[i]) << i;
    }
};

TEST_F(FrameSkip, DemoWithFadeLoopsMusicAndAFight) {
    const std::string demo = std::string(PARVEL_SOURCE_DIR) + "/games/demo/Gamefile.txt";
    // The first scene fades in over 3000 steps while three lists loop;
    // pictures fall during the fade, after it, and at odd moments.
    expectSame(demo,
               "open\nclick\nwait 3.3\npicture {}1.png\nwait 120\npicture {}2.png\nsnapshot\n"
               "option 2\nwait 47.7\npicture {}3.png\nwait 0.01\npicture {}4.png\nsnapshot\n"
               "option 1\nwait 30\nkey left\nwait 600\npicture {}5.png\nsnapshot\n",
               5);
}

TEST_F(FrameSkip, EncipheredDemo) {
    const std::string game = std::string(PARVEL_BINARY_DIR) + "/games/demo-enciphered/GameFile.Cgm";
    if (!fs::exists(game)) GTEST_SKIP() << "no enciphered demo built";
    expectSame(game,
               "open\nwait 2\nclick\nwait 200\npicture {}1.png\nsnapshot\noption 2\nwait 33.3\n"
               "picture {}2.png\noption 1\nwait 100\npicture {}3.png\nsnapshot\n",
               3);
}

TEST_F(FrameSkip, LoopingBackgroundsThatCoverTheFrameWithSoundAndMusic) {
    // Full-size backgrounds: every frame paints over the one before, so only
    // the frame before a picture is drawn. A smaller one does not cover.
    solidBmp("pics/a.bmp", 0x102030);
    solidBmp("pics/b.bmp", 0x405060);
    solidBmp("pics/small.bmp", 0x708090, 50, 50);
    writeBmp("pics/fly.bmp", 20, 20, [](int x, int y) { return (x + y) % 3 ? 0xFFFFFFu : 0x00FF00u; });
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n@imagedir = pics\n"
        "[A]\n@anim = a.bmp, b.bmp(3)\n@animLoop = FOREVER\n@animspeed = 7\n"
        "@layeranim = fly.bmp, , fly.bmp\n@layerloop = FOREVER\n@music = none.mid\n"
        "@multiSound = x.wav(1), y.wav(2)\n@multiSoundLoop = 3\n@option1 = On\n@Link1 = B\n"
        "[B]\n@anim = small.bmp, a.bmp, small.bmp\n@animLoop = 40\n@layeranim = fly.bmp\n"
        "@animspeed = .05\n");
    expectSame(game,
               "open\nclick\nwait 11.1\npicture {}1.png\nwait 0.3\npicture {}2.png\nsnapshot\n"
               "option 1\nwait 2.2\npicture {}3.png\nwait 100\npicture {}4.png\nsnapshot\n",
               4);
}
