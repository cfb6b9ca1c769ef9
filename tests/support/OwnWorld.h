#pragma once
// What a test of the real program needs to run alone, beside any number of
// others: an X server, a program folder and home folders of its own.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

namespace parvel::testing {

// True when Xvfb is installed.
inline bool haveXvfb() { return std::system("command -v Xvfb >/dev/null 2>&1") == 0; }

// A command prefix: what follows runs on a fresh X server of its own
// (own_display.sh); `screen` such as "400x600x24".
inline std::string ownDisplayPrefix(const std::string& screen) {
    return "sh '" PARVEL_SOURCE_DIR "/tests/support/own_display.sh' " + screen + " ";
}

// The program `exe` and the pictures beside it, put into `folder`: what it
// writes beside itself (Parvel.ini, the recent games, the shelf) stays
// there. Hard links where the file system allows them, copies elsewhere.
// The path of the program in `folder`.
inline std::filesystem::path ownProgramFolder(const std::filesystem::path& exe,
                                              const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    fs::create_directories(folder);
    for (const fs::path& name : {exe.filename(), fs::path("tavicast.bmp"), fs::path("blk.bmp")}) {
        const fs::path from = exe.parent_path() / name;
        const fs::path to = folder / name;
        std::error_code ec;
        if (!fs::exists(from, ec)) continue;
        fs::remove(to, ec);
        fs::create_hard_link(from, to, ec);
        if (ec) fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    }
    return folder / exe.filename();
}

// Shell assignments that give a run its own home, settings, data (saves)
// and cache folders under `dir` (created here): config/, data/, cache/ and
// home/.
inline std::string ownHomeEnv(const std::filesystem::path& dir) {
    namespace fs = std::filesystem;
    std::string env;
    for (const auto& [var, sub] : {std::pair{"HOME", "home"}, std::pair{"XDG_CONFIG_HOME", "config"},
                                   std::pair{"XDG_DATA_HOME", "data"}, std::pair{"XDG_CACHE_HOME", "cache"}}) {
        fs::create_directories(dir / sub);
        env += std::string(var) + "='" + (dir / sub).string() + "' ";
    }
    return env;
}

}  // namespace parvel::testing
