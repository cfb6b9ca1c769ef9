// Finding games under folders: names, pictures, what is skipped and why.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QGuiApplication>
#include <atomic>
#include <filesystem>

#include "Encipher.h"
#include "GameFolder.h"
#include "ShelfScan.h"
#include "ShelfTree.h"

namespace fs = std::filesystem;
using namespace parvel;
using namespace parvel::shelf;
using parvel::testing::ShelfTree;
using parvel::testing::solidBmp;

namespace {

std::vector<std::string> names(const ScanReport& r) {
    std::vector<std::string> out;
    for (const auto& g : r.games) out.push_back(g.name.toStdString());
    return out;
}

std::vector<std::string> skipped(const ScanReport& r, const fs::path& root) {
    std::vector<std::string> out;
    for (const auto& s : r.skipped)
        out.push_back(s.path.substr(root.string().size() + 1) + ": " + s.why);
    return out;
}

const ShelfGame* byName(const ScanReport& r, const char* name) {
    for (const auto& g : r.games)
        if (g.name == QLatin1String(name)) return &g;
    return nullptr;
}

// A tree with one of everything the scan meets on a real disk.
struct MixedTree : ShelfTree {
    MixedTree() : ShelfTree("mixed") {
        game("Lantern", "The Lantern Road", "Gate.bmp");
        write("Lantern/pics/gate.BMP", solidBmp(200, 115, 0xFF0000));
        game("cds/disc1/deep/Nest", "Deep Game", "", "GAMEFILE.TXT");
        game("notitle", "");
        game("Both", "Both Forms");
        write("Both/GameFile.Cgm", "not read: the plain script wins");
        game(".hidden", "Hidden Game");
        write("garbage/gamefile.txt", std::string("\x01\x02 no scenes at all \xff", 22));
        write("empty/Gamefile.txt", "");
        // The enciphered form, made from a plain game outside the tree.
        ShelfTree source("cipher-source");
        source.game("g", "Cipher Tale", "night.bmp");
        source.write("g/pics/night.bmp", solidBmp(200, 115, 0x0000FF));
        EXPECT_TRUE(encipherGame(source.path("g"), path("Cipher/Tale").c_str()).ok());
        fs::create_directory_symlink(root, root / "cds" / "back");
    }
};

}  // namespace

TEST(GameFolder, FindsEitherFormInAnyCaseAndPrefersThePlainScript) {
    ShelfTree t("folder");
    t.write("a/GAMEFILE.cgm", "x");
    t.write("b/gameFILE.Txt", "x");
    t.write("b/GameFile.CGM", "x");
    t.write("c/Gamefile.txt.bak", "x");
    EXPECT_EQ(findGameFile(t.path("a")), t.path("a/GAMEFILE.cgm"));
    EXPECT_EQ(findGameFile(t.path("b")), t.path("b/gameFILE.Txt"));
    EXPECT_EQ(findGameFile(t.path("c")), std::nullopt);
    EXPECT_EQ(gameFileFor(t.path("b")), t.path("b/gameFILE.Txt"));
    EXPECT_EQ(gameFileFor(t.path("c/Gamefile.txt.bak")), t.path("c/Gamefile.txt.bak"));
    EXPECT_EQ(gameFileFor(t.path("missing")), std::nullopt);
}

TEST(ShelfScan, ListsEveryGameByNameAndSaysWhatItSkipped) {
    MixedTree t;
    t.write("locked/Inside/Gamefile.txt", "");
    fs::permissions(t.root / "locked", fs::perms::none);
    const bool root = ::geteuid() == 0;  // root reads every folder

    const ScanReport r = scanShelf({t.root.string()});
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(names(r), (std::vector<std::string>{"Both Forms", "Cipher Tale", "Deep Game",
                                                  "notitle", "The Lantern Road"}));
    // Folders are walked (in name order) before any game is read.
    const std::vector<std::string> expected =
        root ? std::vector<std::string>{"cds/back: link to a folder already scanned",
                                        "empty/Gamefile.txt: no Setup or Title scene",
                                        "garbage/gamefile.txt: no Setup or Title scene",
                                        "locked/Inside/Gamefile.txt: no Setup or Title scene"}
             : std::vector<std::string>{"cds/back: link to a folder already scanned",
                                        "locked: folder cannot be read",
                                        "empty/Gamefile.txt: no Setup or Title scene",
                                        "garbage/gamefile.txt: no Setup or Title scene"};
    EXPECT_EQ(skipped(r, t.root), expected);

    EXPECT_EQ(byName(r, "Both Forms")->gameFile, t.path("Both/Gamefile.txt"));
    EXPECT_EQ(byName(r, "Deep Game")->gameFile, t.path("cds/disc1/deep/Nest/GAMEFILE.TXT"));
    EXPECT_EQ(byName(r, "Cipher Tale")->gameFile, t.path("Cipher/Tale/GameFile.Cgm"));
}

TEST(ShelfScan, ThumbnailIsTheFirstScenesPictureDecodedAsThePlayerDoes) {
    MixedTree t;
    const ScanReport r = scanShelf({t.root.string()});
    const ShelfGame* lantern = byName(r, "The Lantern Road");
    ASSERT_NE(lantern, nullptr);
    EXPECT_EQ(lantern->picture, t.path("Lantern/pics/gate.BMP"));
    EXPECT_EQ(lantern->thumbnail.size(), kThumbnailSize);
    EXPECT_EQ(lantern->thumbnail.pixel(40, 23), qRgb(255, 0, 0));
    // The enciphered picture passes the digest check and is deciphered.
    const ShelfGame* cipher = byName(r, "Cipher Tale");
    ASSERT_NE(cipher, nullptr);
    EXPECT_EQ(cipher->picture, t.path("Cipher/Tale/pics/night.clP"));
    EXPECT_EQ(cipher->thumbnail.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_TRUE(byName(r, "Deep Game")->thumbnail.isNull());
}

TEST(ShelfScan, TitlePictureFirstThenAnAnimationsFirstFrameAndAForeignPictureShowsNothing) {
    ShelfTree t("title");
    t.write("g/Gamefile.txt", parvel::testing::crlf("[Title]\n@name=Own\n@image=t.bmp\n"));
    t.write("g/t.bmp", solidBmp(100, 100, 0x00FF00));
    // A background animation's first frame stands for its picture.
    t.write("a/Gamefile.txt",
            parvel::testing::crlf("[Setup]\n@firstscene=Dusk\n[Title]\n@name=Animated\n[Dusk]\n@"
                                  "anim= d1.bmp(2), d2.bmp\n"));
    t.write("a/d1.bmp", solidBmp(10, 10, 0x123456));
    ShelfTree source("foreign");
    source.game("g", "Tampered", "p.bmp");
    source.write("g/pics/p.bmp", solidBmp(200, 115, 0x0000FF));
    ASSERT_TRUE(encipherGame(source.path("g"), t.path("c")).ok());
    // The game file changed after its pictures were made: the player would
    // quit on them.
    source.write("g/Gamefile.txt",
                 parvel::testing::crlf("[Setup]\n@imagedir=pics\n@firstscene=Start\n[Title]\n@name="
                                       "Tampered\n[Start]\n@desc=New.\n@image=p.bmp\n"));
    ASSERT_TRUE(encipherGame(source.path("g"), source.path("other")).ok());
    fs::copy_file(source.path("other/GameFile.Cgm"), t.path("c/GameFile.Cgm"),
                  fs::copy_options::overwrite_existing);
    const ScanReport r = scanShelf({t.root.string()});
    ASSERT_EQ(names(r), (std::vector<std::string>{"Animated", "Own", "Tampered"}));
    EXPECT_EQ(r.games[0].picture, t.path("a/d1.bmp"));
    EXPECT_EQ(r.games[0].thumbnail.pixel(0, 0), qRgb(0x12, 0x34, 0x56));
    EXPECT_EQ(r.games[1].thumbnail.size(), QSize(46, 46));
    EXPECT_EQ(r.games[1].thumbnail.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_TRUE(r.games[2].thumbnail.isNull());
}

TEST(ShelfScan, UnchangedGamesComeFromTheCacheChangedOnesAreReadAgain) {
    ShelfTree t("cache");
    t.game("a", "Alpha", "p.bmp");
    t.write("a/pics/p.bmp", solidBmp(20, 20, 0xFF0000));
    t.game("b", "Beta");
    ScanReport first = scanShelf({t.root.string()});
    ASSERT_EQ(names(first), (std::vector<std::string>{"Alpha", "Beta"}));
    // A cached entry the disk no longer agrees with would show its old name.
    first.games[1].name = QStringLiteral("Cached Beta");
    first.games[0].name = QStringLiteral("Cached Alpha");
    ScanControl control;
    control.known = &first.games;
    EXPECT_EQ(names(scanShelf({t.root.string()}, control)),
              (std::vector<std::string>{"Cached Alpha", "Cached Beta"}));
    // A new picture makes the game be read again.
    t.write("a/pics/p.bmp", solidBmp(30, 20, 0x00FF00));
    EXPECT_EQ(names(scanShelf({t.root.string()}, control)),
              (std::vector<std::string>{"Alpha", "Cached Beta"}));
}

TEST(ShelfScan, CancelStopsBeforeReadingAndProgressCounts) {
    ShelfTree t("cancel");
    for (int i = 0; i < 5; ++i) t.game("g" + std::to_string(i), "Game " + std::to_string(i));
    std::atomic<bool> cancel{false};
    int lastFolders = 0, lastGames = 0;
    ScanControl control;
    control.progress = [&](int folders, int games) {
        lastFolders = folders;
        lastGames = games;
    };
    const ScanReport all = scanShelf({t.root.string()}, control);
    EXPECT_EQ(all.folders, 6);
    EXPECT_EQ(lastFolders, 6);
    EXPECT_EQ(lastGames, 5);
    control.cancel = &cancel;
    control.progress = [&](int, int games) {
        if (games == 2) cancel = true;
    };
    const ScanReport stopped = scanShelf({t.root.string()}, control);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_TRUE(stopped.games.empty());
}

TEST(ShelfScan, MissingFolderIsSkippedNotFatal) {
    ShelfTree t("missing");
    t.game("g", "Here");
    const ScanReport r = scanShelf({t.path("gone"), t.root.string()});
    EXPECT_EQ(names(r), std::vector<std::string>{"Here"});
    ASSERT_EQ(r.skipped.size(), 1u);
    EXPECT_EQ(r.skipped[0].why, "folder cannot be read");
}

TEST(ShelfScan, HugeNameIsCutAGameThatCannotStartSaysWhyAndAFolderOfAnyBytesIsRead) {
    ShelfTree t("bounds");
    // Just under the 16 MiB the shelf reads, the Title's name running into
    // NUL bytes to the end of the file.
    const std::string head = parvel::testing::crlf(
        "[Setup]\n@imagedir=pics\n@firstscene=Start\n[Start]\n@desc=Hi.\n[Title]\n@name=Huge ");
    t.write("huge/Gamefile.txt",
            head + std::string(100, 'x') + std::string(16 * 1024 * 1024 - 200 - head.size(), '\0'));
    t.write("lost/Gamefile.txt",
            parvel::testing::crlf("[Setup]\n@firstscene=Nowhere\n[Title]\n@name=Lost\n[Start]\n"));
    t.write("bare/Gamefile.txt", parvel::testing::crlf("[Title]\n@name=Bare\n"));
    t.game("\xff\xfe", "Bytes", "p.bmp");
    t.write("\xff\xfe/pics/p.bmp", solidBmp(200, 115, 0x00FF00));

    const ScanReport r = scanShelf({t.root.string()});
    ASSERT_EQ(names(r), (std::vector<std::string>{"Bare", "Bytes", "Huge " + std::string(100, 'x'),
                                                  "Lost"}));
    EXPECT_EQ(r.games[0].problem, "Cannot start: no first scene (@firstscene in [Setup])");
    EXPECT_EQ(r.games[1].problem, "");
    EXPECT_EQ(r.games[1].gameFile, t.path("\xff\xfe/Gamefile.txt"));
    EXPECT_EQ(r.games[1].thumbnail.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(r.games[2].problem, "");
    EXPECT_EQ(r.games[3].problem, "Cannot start: the first scene \"Nowhere\" is not defined");
    // What the cache keeps of them is small.
    EXPECT_LT(shelfToJson({{t.root.string()}, r.games, 0}).size(), 8 * 1024);
}
