// The save file format and the slot folder: what survives a round trip,
// and what a cut, garbled, newer or foreign file reads as.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>

#include "Paths.h"
#include "SaveFile.h"
#include "SaveSlots.h"

namespace fs = std::filesystem;
using namespace parvel;

namespace {

std::string png(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(0xFF336699);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

SaveState sample() {
    SaveState s;
    s.gamePath = "/games/castle/Gamefile.txt";
    s.gameDigest = "1A2B3C4D";
    s.loadedFiles = {s.gamePath, "/games/castle/Part2.txt"};
    s.loadedDigests = {"1A2B3C4D", "00FF00FF"};
    s.scene = "Hall \xE9t\xE9";  // Windows-1252 bytes stay bytes
    s.linkTargets[3] = "Cellar";
    s.optionTexts[1] = "Go %down% the\r\nstairs";
    s.randomLinkCount = "";
    s.heroPoints = -7;
    s.enemyMax = 2147483647;
    s.picturePng = png(200, 115);
    s.pictureFormat = 4;
    s.dirtyRects = {{0, 0, 280, 500}, {-3, 4, 5, 6}};
    s.captions[0] = "Line one\rLine two";
    s.colours[10] = 0xFFFFFF;
    s.songFrame = 123456789012;
    s.songOpen = s.songPlaying = true;
    s.randomState = "5489 1 2 3";
    s.history = {{"First\rtext", "(a) Left"}, {"Second", ""}};
    return s;
}

}  // namespace

TEST(SaveFile, EveryValueSurvivesTheRoundTrip) {
    const SaveState s = sample();
    const std::string bytes = writeSave(s);
    EXPECT_EQ(bytes.rfind("Parvel save 1\n", 0), 0u);
    EXPECT_NE(bytes.find("\noptionText1=Go %25down%25 the%0D%0Astairs\n"), std::string::npos);
    auto read = readSave(bytes);
    ASSERT_TRUE(read.state);
    const SaveState& r = *read.state;
    EXPECT_EQ(writeSave(r), bytes);  // nothing lost or added
    EXPECT_EQ(r.scene, s.scene);
    EXPECT_EQ(r.optionTexts[1], s.optionTexts[1]);
    EXPECT_EQ(r.picturePng, s.picturePng);
    EXPECT_EQ(r.dirtyRects, s.dirtyRects);
    EXPECT_EQ(r.songFrame, s.songFrame);
    EXPECT_EQ(r.randomLinkCount, std::optional<std::string>(""));
    ASSERT_EQ(r.history.size(), 2u);
    EXPECT_EQ(r.history[0].chosen, "(a) Left");
    EXPECT_FALSE(readSave(writeSave(SaveState{})).state);  // no game, no scene: not playable
}

TEST(SaveFile, CutGarbledNewerAndForeignFilesAreRecognised) {
    const std::string bytes = writeSave(sample());
    for (size_t cut : {size_t{0}, size_t{5}, size_t{20}, bytes.size() / 2, bytes.size() - 1}) {
        auto r = readSave(bytes.substr(0, cut));
        EXPECT_FALSE(r.state) << cut;
        EXPECT_EQ(r.error.problem, cut < 12 ? SaveProblem::NotASave : SaveProblem::Damaged) << cut;
    }
    std::string flipped = bytes;
    flipped[bytes.size() / 2] ^= 0x20;
    EXPECT_EQ(readSave(flipped).error.problem, SaveProblem::Damaged);
    std::string newer = bytes;
    newer.replace(0, 13, "Parvel save 2");
    EXPECT_EQ(readSave(newer).error.problem, SaveProblem::NewerVersion);
    EXPECT_EQ(readSave("[Setup]\r\n@firstscene = A\r\n").error.problem, SaveProblem::NotASave);
}

// Saves get shared: a value the player never writes reads as damage, even
// with a correct check line, before it can reach a picture or a table.
TEST(SaveFile, ValuesThePlayerNeverWritesReadAsDamaged) {
    std::string hugeHeader = png(1, 1);
    hugeHeader.replace(16, 8, std::string("\0\0\x13\x88\0\0\x13\x88", 8));  // 5000 x 5000
    const std::vector<std::pair<std::string, std::function<void(SaveState&)>>> cases = {
        {"picture",
         [](SaveState& s) { s.pictureFormat = 3; }},  // 1 bit per pixel: the blitters write 32
        {"picture", [](SaveState& s) { s.pictureFormat = 24; }},
        {"picture", [](SaveState& s) { s.picturePng = png(201, 115); }},
        {"picture", [](SaveState& s) { s.picturePng = "not a png"; }},
        {"thumbnail", [](SaveState& s) { s.thumbnailPng = png(1, 1); }},
        {"backBuffer", [&](SaveState& s) { s.backBufferPng = hugeHeader, s.backBufferFormat = 4; }},
        {"backBuffer",
         [](SaveState& s) { s.backBufferPng = png(200, 115), s.backBufferFormat = 28; }},
        {"backBufferFormat", [](SaveState& s) { s.backBufferFormat = 4; }},
        {"file", [](SaveState& s) { s.loadedFiles[1] = s.loadedFiles[0]; }},
        {"fileDigest", [](SaveState& s) { s.loadedDigests[1] = "00ff00ff"; }},
        {"digest", [](SaveState& s) { s.gameDigest = "1A2B3C4D5"; }},
        {"enciphered", [](SaveState& s) { s.enciphered = -1; }},
        {"slot", [](SaveState& s) { s.currentSlot = 701; }},
        {"chosenOption", [](SaveState& s) { s.chosenOption = 7; }},
        {"previousListKey",
         [](SaveState& s) { s.previousAnimText = "a.bmp", s.previousListKey = "B.BMP"; }},
        {"instantPasses", [](SaveState& s) { s.instantPasses = -1; }},
        {"dirty",
         [](SaveState& s) {
             s.dirtyRects.assign(kMaxDirtyRects + 1, {0, 0, 1, 1});
         }},
        {"layersActive", [](SaveState& s) { s.layersActive = 1; }},
        {"animFrame", [](SaveState& s) { s.animFrame = 51; }},
        {"layer2Frame", [](SaveState& s) { s.layer2Frame = -1; }},
        {"spriteSpeed", [](SaveState& s) { s.spriteSpeedBonus = 3; }},
        {"songFrame", [](SaveState& s) { s.songFrame = -1; }},
        {"random", [](SaveState& s) { s.randomState = "5489 x"; }},
        {"savedAt", [](SaveState& s) { s.savedAt = "yesterday"; }},
    };
    for (const auto& [key, change] : cases) {
        SaveState s = sample();
        change(s);
        const auto read = readSave(writeSave(s));
        EXPECT_FALSE(read.state) << key;
        EXPECT_EQ(read.error.problem, SaveProblem::Damaged) << key;
        EXPECT_EQ(read.error.detail, key);
    }
    SaveState edge = sample();  // the far ends of what the player writes
    edge.currentSlot = 700, edge.chosenOption = 6, edge.animFrame = 50, edge.layer2Frame = 20;
    edge.layerFrame = -32768, edge.layersActive = -1, edge.spriteSpeedBonus = 5,
    edge.enciphered = 1;
    edge.previousAnimText = "a.bmp(2)", edge.previousListKey = "A.BMP(2)";
    edge.backBufferPng = png(1024, 1024), edge.backBufferFormat = 4;
    edge.gameDigest = "0       ", edge.savedAt = "2026-12-08 07:00:00";
    EXPECT_TRUE(readSave(writeSave(edge)).state);
}

TEST(SaveSlots, GameKeysKeepGamesApartAndSlotNamesMapToFiles) {
    EXPECT_EQ(SaveSlots::gameKey("/a/castle/Gamefile.txt"), SaveSlots::gameKey("/a/castle/../castle/Gamefile.txt"));
    EXPECT_NE(SaveSlots::gameKey("/a/castle/Gamefile.txt"), SaveSlots::gameKey("/b/castle/Gamefile.txt"));
    EXPECT_EQ(SaveSlots::gameKey("/a/castle/Gamefile.txt").rfind("castle-", 0), 0u);
    SaveSlots slots("/saves");
    slots.setGame("/a/castle/Gamefile.txt");
    EXPECT_EQ(fs::path(slots.fileOf("my slot/1")).filename(), "my%20slot%2F1.sav");
    EXPECT_EQ(fs::path(slots.fileOf("..")).filename(), "%2E..sav");
}

TEST(SaveSlots, AWriteThatFailsLeavesTheOldSaveAsItWas) {
    const fs::path root = fs::temp_directory_path() / ("parvel-slots-" + std::to_string(::getpid()));
    fs::remove_all(root);
    SaveSlots slots(root.string());
    slots.setGame("/a/castle/Gamefile.txt");
    SaveState s = sample();
    ASSERT_TRUE(slots.write("one", s));
    const std::string before = *slots.readBytes("one");

    // A file-size limit stands in for a full disk: the write stops short.
    s.picturePng.assign(200000, 'x');
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &small);
    std::string why;
    const bool written = slots.write("one", s, &why);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(written);
    EXPECT_EQ(why, "File too large");
    EXPECT_EQ(*slots.readBytes("one"), before);
    int files = 0;
    for (const auto& e : fs::directory_iterator(slots.folder())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);  // no temporary file left behind
    std::ofstream(fs::path(slots.folder()) / "bad%ZZ.sav") << "x";  // a stray file is no slot
    ASSERT_EQ(slots.list().size(), 1u);
    EXPECT_EQ(slots.list()[0].name, "one");
    fs::remove_all(root);
}

TEST(SaveSlots, ALinkInASlotsPlaceIsReplacedNeverWrittenThrough) {
    const fs::path root =
        fs::temp_directory_path() / ("parvel-links-" + std::to_string(::getpid()));
    fs::remove_all(root);
    SaveSlots slots((root / "saves").string());
    slots.setGame("/a/castle/Gamefile.txt");
    fs::create_directories(slots.folder());
    std::ofstream(root / "victim") << "keep";
    fs::create_symlink(root / "victim", slots.fileOf("one"));
    ASSERT_TRUE(slots.write("one", sample()));
    EXPECT_FALSE(fs::is_symlink(slots.fileOf("one")));
    EXPECT_EQ(*slots.readBytes("one"), writeSave(sample()));
    std::ifstream victim(root / "victim");
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(victim)), {}), "keep");
    // A FIFO in a slot's place is no save and does not hang the reader.
    ASSERT_EQ(::mkfifo(slots.fileOf("pipe").c_str(), 0600), 0);
    EXPECT_EQ(slots.readBytes("pipe"), std::string());
    fs::remove_all(root);
}

// Without HOME, and for a user with no home folder at all, saves are
// refused with one message: never written under the current folder.
TEST(SaveSlots, WithoutAHomeFolderSavingIsRefusedNeverDoneHere) {
    if (::getuid() != 0) GTEST_SKIP() << "needs to become a user with no home folder";
    const fs::path here =
        fs::temp_directory_path() / ("parvel-nohome-" + std::to_string(::getpid()));
    fs::remove_all(here);
    fs::create_directories(here);
    fs::permissions(here, fs::perms::all);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::unsetenv("HOME");
            ::unsetenv("XDG_DATA_HOME");
            if (::chdir(here.c_str()) != 0 || ::setuid(54321) != 0) std::_Exit(2);
            SaveSlots slots;
            slots.setGame("/a/castle/Gamefile.txt");
            std::string why;
            const bool written = slots.write("one", sample(), &why);
            std::_Exit(!written && why == kNoHomeFolder && fs::is_empty(".") ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    fs::remove_all(here);
}
