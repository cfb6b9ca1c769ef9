#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

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

TEST(Paths, UnusableTmpdirFallsBackToTmpNeverTheCurrentFolder) {
    removePrivateTempFolder();
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    for (const char* bad : {"/nonexistent/tmp", "relative/tmp", "/dev/null"}) {
        ::setenv("TMPDIR", bad, 1);
        const std::string t = privateTempFolder();
        EXPECT_EQ(t.rfind("/tmp/parvel-", 0), 0u) << bad << " gave " << t;
        struct stat st {};
        ASSERT_EQ(::stat(t.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        removePrivateTempFolder();
    }
    if (old) ::setenv("TMPDIR", saved.c_str(), 1);
    else ::unsetenv("TMPDIR");
}

TEST(Paths, PrivateFilesAreNeverWrittenThroughWhatIsAlreadyThere) {
    const std::string t = privateTempFolder();
    ASSERT_TRUE(writeNewPrivateFile(t + "a.tmp", "new"));
    EXPECT_FALSE(writeNewPrivateFile(t + "a.tmp", "again"));  // exists: not truncated
    std::ifstream in(t + "a.tmp");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "new");
    std::ofstream(t + "victim") << "keep";
    fs::create_symlink(t + "victim", t + "b.tmp");
    EXPECT_FALSE(writeNewPrivateFile(t + "b.tmp", "planted"));
    std::ifstream victim(t + "victim");
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(victim)), {}), "keep");
    removePrivateTempFolder();
}
