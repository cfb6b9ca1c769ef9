#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

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

TEST(Paths, UserFoldersNeverFallBackToTheCurrentFolder) {
    const char* names[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"};
    std::vector<std::optional<std::string>> saved;
    for (const char* n : names)
        saved.push_back(std::getenv(n) ? std::optional<std::string>(std::getenv(n)) : std::nullopt);
    for (const char* n : names) ::unsetenv(n);

    const passwd* pw = ::getpwuid(::getuid());
    ASSERT_TRUE(pw && pw->pw_dir[0] == '/');
    const std::string home = std::string(pw->pw_dir) + (std::string(pw->pw_dir) == "/" ? "" : "/");
    EXPECT_EQ(userDataFolder(), home + ".local/share/parvel/");
    ::setenv("HOME", "relative/home", 1);
    EXPECT_EQ(userConfigFolder(), home + ".config/parvel/");
    ::setenv("HOME", "/h/ann", 1);
    ::setenv("XDG_CACHE_HOME", "/c", 1);
    ::setenv("XDG_DATA_HOME", "data", 1);  // relative: not used
    EXPECT_EQ(userCacheFolder(), "/c/parvel/");
    EXPECT_EQ(userDataFolder(), "/h/ann/.local/share/parvel/");

    // A user the password database does not know, without HOME: no folders.
    if (::getuid() == 0) {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        EXPECT_EXIT(
            {
                ::unsetenv("HOME");
                ::unsetenv("XDG_CACHE_HOME");
                if (::setuid(54321) != 0) std::_Exit(2);
                std::_Exit(homeFolder().empty() && userConfigFolder().empty() &&
                                   userDataFolder().empty()
                               ? 0
                               : 1);
            },
            ::testing::ExitedWithCode(0), "");
    }
    for (size_t i = 0; i < saved.size(); ++i) {
        if (saved[i])
            ::setenv(names[i], saved[i]->c_str(), 1);
        else
            ::unsetenv(names[i]);
    }
}

// A run killed while it held deciphered pictures leaves its private folder;
// the next start removes it, and nothing that is not such a leftover.
TEST_F(PathsTest, StaleTempFoldersOfEndedRunsGoOthersStay) {
    const char* old = std::getenv("TMPDIR");
    const std::string savedTmp = old ? old : "";
    const fs::path tmp = root / "tmp";
    fs::create_directories(tmp);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    removePrivateTempFolder();

    // A live run holding a picture copy, later killed.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string t = privateTempFolder();
        writeNewPrivateFile(t + "copy.tmp", std::string(1 << 20, 'p'));
        [[maybe_unused]] auto n = ::write(pipeFds[1], t.data(), t.size());
        ::close(pipeFds[1]);
        for (;;) ::pause();
    }
    ::close(pipeFds[1]);
    char buffer[4096];
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    ::close(pipeFds[0]);
    ASSERT_GT(n, 0);
    const fs::path killed(std::string(buffer, static_cast<size_t>(n)));
    ASSERT_TRUE(fs::exists(killed / "copy.tmp"));

    auto make = [&](const std::string& name, std::vector<std::string> files, bool old) {
        const fs::path f = tmp / name;
        fs::create_directories(f);
        fs::permissions(f, fs::perms::owner_all, fs::perm_options::replace);
        for (const auto& file : files) {
            fs::create_directories((f / file).parent_path());
            std::ofstream(f / file) << "x";
        }
        if (old) {
            const auto then = fs::file_time_type::clock::now() - std::chrono::hours(48);
            for (const auto& e : fs::recursive_directory_iterator(f))
                fs::last_write_time(e.path(), then);
            fs::last_write_time(f, then);
        }
        return f;
    };
    // Named after a process that runs, but started at another time: pid reused.
    const fs::path reused =
        make("parvel-" + std::to_string(::getppid()) + "-1-Reused", {"a.tmp"}, false);
    const fs::path freshOld =
        make("parvel-Fresh1", {"a.tmp"}, false);  // older runs' names: only when old
    const fs::path leftOld = make("parvel-Aged12", {"a.tmp", "b.tmp"}, true);
    const fs::path foreign = make("parvel-Notes1", {"notes.txt"}, true);
    const fs::path longName = make("parvel-TooLong", {"a.tmp"}, true);
    const fs::path qtSaves = make("qt_temp-Saves1", {"castle-1a2b3c4d/autosave.sav"}, true);
    const fs::path qtOther = make("qt_temp-Other1", {"report.pdf"}, true);
    fs::create_directory_symlink(leftOld, tmp / "parvel-Link12");

    removeStaleTempFolders();
    EXPECT_TRUE(fs::exists(killed / "copy.tmp"));  // its run still goes on
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    removeStaleTempFolders();

    EXPECT_FALSE(fs::exists(killed));
    EXPECT_FALSE(fs::exists(reused));
    EXPECT_TRUE(fs::exists(freshOld));
    EXPECT_FALSE(fs::exists(leftOld));
    EXPECT_TRUE(fs::exists(foreign / "notes.txt"));
    EXPECT_TRUE(fs::exists(longName));
    EXPECT_FALSE(fs::exists(qtSaves));
    EXPECT_TRUE(fs::exists(qtOther / "report.pdf"));
    EXPECT_TRUE(fs::is_symlink(tmp / "parvel-Link12"));

    // This run's own folder names it and stays.
    const std::string mine = privateTempFolder();
    EXPECT_EQ(mine.rfind((tmp / ("parvel-" + std::to_string(::getpid()) + "-")).string(), 0), 0u)
        << mine;
    removeStaleTempFolders();
    EXPECT_TRUE(fs::exists(mine));
    removePrivateTempFolder();
    if (old)
        ::setenv("TMPDIR", savedTmp.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}
