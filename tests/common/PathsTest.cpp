#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Paths.h"

namespace fs = std::filesystem;
using namespace parvel;

namespace {

class PathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("parvel-paths-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "Game" / "Pics");
        std::ofstream(root / "Game" / "Pics" / "Hero.BMP") << "x";
        std::ofstream(root / "Game" / "Gamefile.txt") << "[a]";
    }
    void TearDown() override { fs::remove_all(root); }
    fs::path root;
};

}  // namespace

TEST_F(PathsTest, ResolvesEachComponentWithoutRegardToCase) {
    const std::string base = root.string();
    EXPECT_EQ(resolvePath(base + "\\game\\pics\\hero.bmp"), base + "/Game/Pics/Hero.BMP");
    EXPECT_EQ(resolvePath(base + "/GAME/PICS/HERO.bmp"), base + "/Game/Pics/Hero.BMP");
    EXPECT_TRUE(fileExists(base + "/game\\PICS/hero.bmp"));
    // Missing parts stay as written, so the file stays missing.
    EXPECT_EQ(resolvePath(base + "/game/nope/hero.bmp"), base + "/Game/nope/hero.bmp");
    EXPECT_FALSE(fileExists(base + "/game/pics/villain.bmp"));
    EXPECT_FALSE(fileExists(base + "/game/pics"));  // a folder is not a file
}

TEST_F(PathsTest, SeesFilesCreatedAfterAFolderWasListed) {
    const std::string base = root.string();
    EXPECT_FALSE(fileExists(base + "/game/pics/late.bmp"));
    std::ofstream(root / "Game" / "Pics" / "Late.bmp") << "y";
    EXPECT_TRUE(fileExists(base + "/game/pics/late.bmp"));
}

TEST(Paths, DriveAndSeparatorPathsAreAbsolute) {
    EXPECT_TRUE(isAbsoluteScriptPath("C:\\games"));
    EXPECT_TRUE(isAbsoluteScriptPath("\\games"));
    EXPECT_TRUE(isAbsoluteScriptPath("/games"));
    EXPECT_FALSE(isAbsoluteScriptPath("pics\\a.bmp"));
    EXPECT_EQ(resolvePath("C:\\parvel-surely-missing\\A.bmp"), "/parvel-surely-missing/A.bmp");
    EXPECT_EQ(resolvePath("pics\\sub\\"), "pics/sub/");
}

TEST(Paths, FolderAndFileNameSplitOnEitherSeparator) {
    EXPECT_EQ(folderOf("C:\\G\\gamefile.txt"), "C:\\G\\");
    EXPECT_EQ(folderOf("/home/u/g/Gamefile.txt"), "/home/u/g/");
    EXPECT_EQ(folderOf("a/b\\c"), "a/b\\");
    EXPECT_EQ(folderOf("plain"), "");
    EXPECT_EQ(fileNameOf("a/b\\c.bmp"), "c.bmp");
}

TEST(Paths, PrivateTempFolderIsCreatedOnceAndRemoved) {
    const std::string t = privateTempFolder();
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t.back(), '/');
    EXPECT_TRUE(fs::is_directory(t));
    EXPECT_EQ(privateTempFolder(), t);
    std::ofstream(t + "x.tmp") << "z";
    removePrivateTempFolder();
    EXPECT_FALSE(fs::exists(t));
}
