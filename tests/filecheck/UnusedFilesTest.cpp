// The unused-files check on generated game folders.

#include <gtest/gtest.h>

#include "GameFolder.h"
#include "UnusedFiles.h"

using namespace parvel;
using namespace parvel::filecheck;

namespace {

class RecordingView : public CheckFilesView {
public:
    void setStatus(const std::string& t) override { statuses.push_back(t); }
    void addUnusedPicture(const UnusedFile& f) override { pictures.push_back(f.name); }
    void addUnusedSound(const UnusedFile& f) override { sounds.push_back(f.name); }
    std::vector<std::string> statuses, pictures, sounds;
};

std::vector<std::string> names(const std::vector<UnusedFile>& files) {
    std::vector<std::string> n;
    for (const auto& f : files) n.push_back(f.name);
    return n;
}

}  // namespace

TEST(CheckFiles, ListsUnusedFilesLowerCasedInFolderOrder) {
    GameFolder g("sample");
    writeSampleGame(g);
    HeadlessHost host;
    LoadedGame loaded(g.path("game/Gamefile.txt"), host);
    RecordingView view;
    const auto r = CheckFiles(loaded.table, loaded.game, host, &view);
    const std::vector<std::string> pictures = {"commented.bmp", "hero1.clp", "hero5.bmp",
                                               "manr4.bmp",     "old.clp",   "sub.bmp",
                                               "wood.bmp"};
    EXPECT_EQ(names(r.pictures), pictures);
    EXPECT_EQ(names(r.sounds), (std::vector<std::string>{"boom.wav", "battle.mid"}));
    EXPECT_EQ(view.pictures, pictures);
    EXPECT_EQ(view.sounds, (std::vector<std::string>{"boom.wav", "battle.mid"}));
    // Paths lead to the files as they are on disk.
    EXPECT_EQ(r.pictures.back().path, g.path("game/Art/PICS/Wood.BMP"));
    EXPECT_EQ(r.sounds[0].path, g.path("game/Snd/Boom.WAV"));
    EXPECT_EQ(r.sounds[1].path, g.path("game/Music/Battle.MID"));
    EXPECT_EQ(view.statuses.back(), "DONE");
    // The directive reads leave the table on the Setup scene.
    EXPECT_EQ(loaded.table.currentSlot(), 1);
}

TEST(CheckFiles, StatusLineStepByStep) {
    GameFolder g("status");
    g.script("Gamefile.txt", "[Setup]\n@imagedir = p\n[Room]\n@image = x.bmp\n");
    HeadlessHost host;
    LoadedGame loaded(g.path("Gamefile.txt"), host);
    RecordingView view;
    const Micros start = host.now();
    (void)CheckFiles(loaded.table, loaded.game, host, &view);
    EXPECT_EQ(view.statuses,
              (std::vector<std::string>{
                  "1 of 700 possible", "2 of 700 possible", "2 scenes found",
                  "Building Image Database", "Building Image Database.",
                  "Building Image Database..", "Building Image Database...",
                  "Building Image Database.", "Building Image Database..",
                  "Building Image Database...", "Checking directories",
                  "Done Images...Checking sounds", "Done Sounds...Checking music", "DONE"}));
    // The scene count stays readable for a fifth of a second.
    EXPECT_GE(host.now() - start, kMicrosPerSecond / 5);
}

TEST(CheckFiles, CountsScenesUpToTheFirstEmptySlot) {
    GameFolder g("twelve");
    std::string text;
    for (int i = 1; i <= 12; ++i) text += "[S" + std::to_string(i) + "]\n@image = x.bmp\n";
    g.script("Gamefile.txt", text);
    HeadlessHost host;
    LoadedGame loaded(g.path("Gamefile.txt"), host);
    RecordingView view;
    (void)CheckFiles(loaded.table, loaded.game, host, &view);
    EXPECT_EQ(view.statuses.at(11), "12 of 700 possible");
    EXPECT_EQ(view.statuses.at(12), "12 scenes found");
}

TEST(CheckFiles, SpriteFramesFollowTheGamesPictureForm) {
    const char* script =
        "[Setup]\n@imagedir = pics\n[Walk]\n@standingsprite = 2.hero\n@walkingsprite = 1.man\n"
        "[Bad]\n@standingsprite = lots.elf\n@walkingsprite = 5\n";
    for (const int enciphered : {0, 1}) {
        GameFolder g("sprites" + std::to_string(enciphered));
        g.script("Gamefile.txt", script);
        g.files("pics", {"hero1.bmp", "hero2.BMP", "hero1.clp", "hero2.CLP", "manR1.bmp",
                         "manL1.clp", "elf1.bmp", "5.bmp"});
        HeadlessHost host;
        LoadedGame loaded(g.path("Gamefile.txt"), host);
        loaded.game.enciphered = static_cast<std::int16_t>(enciphered);
        const auto r = CheckFiles(loaded.table, loaded.game, host);
        if (enciphered)
            EXPECT_EQ(names(r.pictures), (std::vector<std::string>{"5.bmp", "elf1.bmp", "hero1.bmp",
                                                                   "hero2.bmp", "manr1.bmp"}));
        else
            EXPECT_EQ(names(r.pictures), (std::vector<std::string>{"5.bmp", "elf1.bmp", "hero1.clp",
                                                                   "hero2.clp", "manl1.clp"}));
    }
}

TEST(CheckFiles, SubstringOfAnyNamedFileCountsAsUsed) {
    GameFolder g("substring");
    g.script("Gamefile.txt",
             "[Setup]\n@imagedir = .\n@sounddir = .\n@musicdir = .\n"
             "[A]\n@image = sea.bmp\n@sound = boom.wav\n@multisound = song.mid\n");
    g.files("", {"a.bmp", "ea.BMP", "sea2.bmp", "om.wav", "ng.mid", "g.MID", "Gamefile.bmp"});
    HeadlessHost host;
    LoadedGame loaded(g.path("Gamefile.txt"), host);
    const auto r = CheckFiles(loaded.table, loaded.game, host);
    EXPECT_EQ(names(r.pictures), (std::vector<std::string>{"gamefile.bmp", "sea2.bmp"}));
    EXPECT_TRUE(r.sounds.empty());
}

TEST(CheckFiles, ReportFolderIsTheGameFilesOwnFolder) {
    GameFolder g("ownfolder");
    g.script("deep/er/My Adventure.txt", "[Setup]\n@imagedir = Pics\n[A]\n@image = used.bmp\n");
    g.files("deep/er/Pics", {"used.bmp", "spare.bmp"});
    g.files("deep/Pics", {"elsewhere.bmp"});
    HeadlessHost host;
    LoadedGame loaded(g.path("deep/er/My Adventure.txt"), host);
    const auto r = CheckFiles(loaded.table, loaded.game, host);
    EXPECT_EQ(names(r.pictures), std::vector<std::string>{"spare.bmp"});
    EXPECT_EQ(reportFolder(loaded.game), g.path("deep/er/"));
    GameScript bare;
    bare.path = "Gamefile.txt";
    EXPECT_EQ(reportFolder(bare), "./");
}

TEST(CheckFiles, MissingFoldersAndSetupListNothing) {
    GameFolder g("missing");
    g.script("Gamefile.txt", "[Setup]\n@imagedir = nowhere\n@sounddir = gone\n[A]\n@image = x.bmp\n");
    HeadlessHost host;
    LoadedGame loaded(g.path("Gamefile.txt"), host);
    RecordingView view;
    const auto r = CheckFiles(loaded.table, loaded.game, host, &view);
    EXPECT_TRUE(r.pictures.empty());
    EXPECT_TRUE(r.sounds.empty());
    EXPECT_EQ(view.statuses.back(), "DONE");

    // No game at all: no scenes, nothing listed, no crash.
    HeadlessHost host2;
    SceneTable empty(host2);
    GameScript none;
    RecordingView view2;
    (void)CheckFiles(empty, none, host2, &view2);
    EXPECT_EQ(view2.statuses.front(), "0 scenes found");
    EXPECT_EQ(view2.statuses.back(), "DONE");
}

TEST(CheckFiles, HugeSpriteCountIsBounded) {
    GameFolder g("hugesprite");
    g.script("Gamefile.txt",
             "[Setup]\n@imagedir = p\n[A]\n@standingsprite = 2000000000.x\n@walkingsprite = 99999.y\n");
    g.files("p", {"x999.bmp", "x1000.bmp", "yR999.bmp", "yL1000.bmp"});
    HeadlessHost host;
    LoadedGame loaded(g.path("Gamefile.txt"), host);
    const auto r = CheckFiles(loaded.table, loaded.game, host);
    EXPECT_EQ(names(r.pictures), (std::vector<std::string>{"x1000.bmp", "yl1000.bmp"}));
}

TEST(CheckFiles, QuittingEndsTheCheckEarly) {
    GameFolder g("quit");
    writeSampleGame(g);
    HeadlessHost host;
    LoadedGame loaded(g.path("game/Gamefile.txt"), host);
    host.schedule(host.now() + 1, [&] { host.quitNow(); });
    RecordingView view;
    const auto r = CheckFiles(loaded.table, loaded.game, host, &view);
    EXPECT_TRUE(r.pictures.empty());
    EXPECT_NE(view.statuses.back(), "DONE");
}
