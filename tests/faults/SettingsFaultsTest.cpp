// The settings file under a hostile file system: folders that take no
// writes and a disk that is full. Saving may fail (silently, as the old
// profile functions did), but "Parvel.ini" is never lost or cut, no stray
// temporary files stay behind, and the player still reads its settings.
//
// Each case runs in a child process: one that drops root (root writes into
// read-only folders) or lowers its file-size limit, so the test process
// itself is never left crippled.

#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "Settings.h"

namespace fs = std::filesystem;
using namespace parvel;
using namespace parvel::ui;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}
void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
}
std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) out.push_back(e.path().filename());
    std::sort(out.begin(), out.end());
    return out;
}

// Runs `body` in a child process; whatever it appends to its failure list
// comes back here. Returns the failures, or one line saying how the child
// died.
std::vector<std::string> inChild(const std::function<void(std::vector<std::string>&)>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return {"pipe failed"};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::vector<std::string> failures;
        body(failures);
        std::string out;
        for (const auto& f : failures) out += f + "\n";
        if (!out.empty() && ::write(fds[1], out.data(), out.size()) < 0) ::_exit(3);
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string got;
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) got.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::vector<std::string> failures;
    std::istringstream lines(got);
    for (std::string l; std::getline(lines, l);) failures.push_back(l);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        failures.push_back("child ended with status " + std::to_string(status));
    return failures;
}

#define CHILD_EXPECT(failures, cond) \
    do {                             \
        if (!(cond)) (failures).push_back(std::string("line ") + std::to_string(__LINE__) + ": " #cond); \
    } while (0)

const std::string kIni =
    "[Parvel]\r\nLstDir = /games/\r\nShowErrors=True\r\nPlaySounds=False\r\nPlayMusic=True\r\n"
    "CatalogueHost=catalogue.example\r\n; a comment the user wrote\r\n[Other]\r\nKey=1\r\n";

struct Place {
    QTemporaryDir root;
    std::string base() const { return root.path().toStdString() + "/"; }
    std::string program() const { return base() + "bin/"; }
    std::string config() const { return base() + "config/parvel/"; }
    SettingsLocation location() const { return {program(), config()}; }
    Place() {
        fs::create_directories(program());
        fs::create_directories(config());
        writeFile(program() + "Parvel.ini", kIni);
        ::chmod(base().c_str(), 0755);
    }
};

}  // namespace

TEST(SettingsFaults, ReadOnlyProgramAndConfigFoldersKeepTheFileAndItsValues) {
    Place place;
    for (const std::string& d : {place.program(), place.config(), place.base() + "config/"})
        ::chmod(d.c_str(), 0555);
    ::chmod((place.program() + "Parvel.ini").c_str(), 0444);

    const auto failures = inChild([&](std::vector<std::string>& f) {
        if (::geteuid() == 0) {
            const passwd* nobody = ::getpwnam("nobody");
            const uid_t uid = nobody ? nobody->pw_uid : 65534;
            const gid_t gid = nobody ? nobody->pw_gid : 65534;
            if (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0 ||
                ::setresuid(uid, uid, uid) != 0) {
                f.push_back("cannot drop root");
                return;
            }
        }
        SettingsFile file(place.location());
        CHILD_EXPECT(f, file.path() == place.config() + "Parvel.ini");
        // The shipped file still gives the user's values.
        const auto loaded = loadPlayerSettings(file);
        CHILD_EXPECT(f, loaded.settings.ShowErrors);
        CHILD_EXPECT(f, !loaded.settings.PlaySounds);
        CHILD_EXPECT(f, loaded.settings.PlayMusic);
        CHILD_EXPECT(f, loaded.badKeys.empty());
        CHILD_EXPECT(f, file.read("CatalogueHost") == "catalogue.example");
        CHILD_EXPECT(f, lastFolder(file) == place.program());  // /games/ is no folder here
        // Nothing can be written anywhere: creating and saving fail quietly.
        (void)file.CheckP();
        PlayerSettings s;
        s.PlaySounds = true;
        CHILD_EXPECT(f, !savePlayerSettings(file, s));
        CHILD_EXPECT(f, !file.write("LstDir", "/elsewhere/"));
        CHILD_EXPECT(f, file.read("PlaySounds") == "False");
    });
    EXPECT_TRUE(failures.empty()) << ::testing::PrintToString(failures);
    EXPECT_EQ(readFile(place.program() + "Parvel.ini"), kIni);
    EXPECT_EQ(filesIn(place.program()), std::vector<std::string>{"Parvel.ini"});
    EXPECT_TRUE(filesIn(place.config()).empty());
    for (const std::string& d : {place.program(), place.config(), place.base() + "config/"})
        ::chmod(d.c_str(), 0755);
}

TEST(SettingsFaults, FullDiskLeavesTheOldFileWholeAndTheNextSaveKeepsEveryKey) {
    Place place;
    const auto failures = inChild([&](std::vector<std::string>& f) {
        // Writes past the limit fail with EFBIG instead of killing us.
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit tiny = old;
        tiny.rlim_cur = 40;  // far less than the file
        if (::setrlimit(RLIMIT_FSIZE, &tiny) != 0) {
            f.push_back("cannot set the file-size limit");
            return;
        }
        SettingsFile file(place.location());
        PlayerSettings s;
        s.ShowErrors = false;
        s.PlaySounds = true;
        s.PlayMusic = false;
        CHILD_EXPECT(f, !savePlayerSettings(file, s));
        // Reads still find the values of the file that was there.
        CHILD_EXPECT(f, file.read("PlaySounds") == "False");
        CHILD_EXPECT(f, file.read("CatalogueHost") == "catalogue.example");

        // Room again: the next save lands, with every key of the old file.
        ::setrlimit(RLIMIT_FSIZE, &old);
        CHILD_EXPECT(f, savePlayerSettings(file, s));
        const std::string saved = readFile(file.path());
        CHILD_EXPECT(f, saved ==
                            "[Parvel]\r\nLstDir = /games/\r\nShowErrors=False\r\nPlaySounds=True\r\n"
                            "PlayMusic=False\r\nCatalogueHost=catalogue.example\r\n"
                            "; a comment the user wrote\r\n[Other]\r\nKey=1\r\n");
    });
    EXPECT_TRUE(failures.empty()) << ::testing::PrintToString(failures);
    // The failed save cut nothing and left no temporary file behind.
    const std::string program = readFile(place.program() + "Parvel.ini");
    EXPECT_TRUE(program == kIni || program.find("PlaySounds=True") != std::string::npos) << program;
    for (const std::string& d : {place.program(), place.config()})
        for (const auto& name : filesIn(d)) EXPECT_EQ(name, "Parvel.ini") << d;
}
