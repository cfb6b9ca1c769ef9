// A state request (SIGUSR1 with PARVEL_STATE_FILE) that comes before the
// window is ready waits for it instead of ending the player. A caller that
// starts the player with the signal blocked, as here, leaves no moment at
// all in which a request could end it.

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "OwnWorld.h"

extern char** environ;

namespace fs = std::filesystem;

TEST(EarlyStateRequest, WaitsForTheWindowAndIsAnswered) {
    const fs::path dir = fs::temp_directory_path() / ("parvel-early-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const fs::path program = parvel::testing::ownProgramFolder(PARVEL_EXE, dir / "program");
    const fs::path state = dir / "state.txt";
    for (const char* sub : {"home", "config", "data", "cache"}) fs::create_directories(dir / sub);
    std::vector<std::string> env{"QT_QPA_PLATFORM=offscreen",
                                 "SDL_AUDIODRIVER=dummy",
                                 "PARVEL_STATE_FILE=" + state.string(),
                                 "HOME=" + (dir / "home").string(),
                                 "XDG_CONFIG_HOME=" + (dir / "config").string(),
                                 "XDG_DATA_HOME=" + (dir / "data").string(),
                                 "XDG_CACHE_HOME=" + (dir / "cache").string()};
    const size_t own = env.size();
    for (char** e = environ; *e; ++e) {
        const std::string v = *e;
        bool replaced = false;
        for (size_t i = 0; i < own; ++i)
            replaced |= v.substr(0, v.find('=') + 1) == env[i].substr(0, env[i].find('=') + 1);
        if (!replaced) env.push_back(v);
    }
    std::vector<char*> envp;
    for (auto& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    std::string exe = program.string();
    char* argv[] = {exe.data(), nullptr};

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    posix_spawnattr_setsigmask(&attr, &usr1);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, exe.c_str(), nullptr, &attr, argv, envp.data()), 0);
    posix_spawnattr_destroy(&attr);
    ::kill(pid, SIGUSR1);  // at once, long before the window is ready

    std::string first;
    for (int i = 0; i < 300 && first.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::ifstream f(state);
        std::getline(f, first);
    }
    EXPECT_EQ(first, "scene: ");  // the block of a player on no game yet
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    fs::remove_all(dir);
}
