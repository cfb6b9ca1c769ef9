#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "OwnWorld.h"

// True when `tool` is installed; window tests need "Xvfb" and "xdotool".
inline bool onPath(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::vector<std::string> readLines(const std::filesystem::path& p) {
    std::vector<std::string> out;
    std::ifstream f(p);
    for (std::string l; std::getline(f, l);) out.push_back(l);
    return out;
}

// A shell function `reach SCENE STATUS`: asks the player ($p) for its state
// ($D/state.txt, PARVEL_STATE_FILE) until SCENE shows; when it never does,
// prints what shows, stops the player and exits with STATUS.
inline std::string reachFunction() {
    return "reach() { for i in $(seq 150); do kill -USR1 $p; sleep 0.2; "
           "head -1 \"$D/state.txt\" 2>/dev/null | grep -qx \"scene: $1\" && return 0; done; "
           "echo \"never reached $1\"; head -3 \"$D/state.txt\"; kill $p; exit $2; }\n";
}

// Runs a shell command; its standard output as lines.
inline std::vector<std::string> runLines(const std::string& command, int* status = nullptr) {
    std::vector<std::string> lines;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return lines;
    std::string current;
    for (int c; (c = std::fgetc(p)) != EOF;) {
        if (c == '\n') {
            lines.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(c));
        }
    }
    if (!current.empty()) lines.push_back(current);
    const int rc = ::pclose(p);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return lines;
}

inline std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += "'\\''";
        else out.push_back(c);
    }
    return out + "'";
}

// The snapshot blocks of a replay, each from its "scene:" line to the
// "sprite:" line.
inline std::vector<std::vector<std::string>> snapshots(const std::vector<std::string>& lines) {
    std::vector<std::vector<std::string>> out;
    for (size_t i = 0; i + 14 < lines.size(); ++i)
        if (lines[i].rfind("scene: ", 0) == 0 && lines[i + 1].rfind("title: ", 0) == 0 &&
            lines[i + 2].rfind("text: ", 0) == 0 && lines[i + 14].rfind("sprite: ", 0) == 0)
            out.emplace_back(lines.begin() + static_cast<long>(i), lines.begin() + static_cast<long>(i) + 15);
    return out;
}

// Shell lines that start the player on $GAME under the window test's
// environment and wait for the demo's window ($w); when it never shows they
// stop `$p` and `alsoKill` and exit 3.
inline std::string startDemoWindow(const std::string& alsoKill = "") {
    return "\"$PARVEL\" \"$GAME\" & p=$!\n"
           "for i in $(seq 300); do w=$(xdotool search --name 'The Lantern Road' | head -1); "
           "[ -n \"$w\" ] && break; sleep 0.1; done\n"
           "[ -n \"$w\" ] || { kill $p" +
           (alsoKill.empty() ? "" : " " + alsoKill) + "; exit 3; }\n";
}

// The tools the screen-reader tests need: the accessibility bus and pyatspi.
inline bool haveAtSpiTools() {
    return std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1 && "
                       "command -v dbus-run-session >/dev/null 2>&1 && "
                       "test -x /usr/libexec/at-spi-bus-launcher && "
                       "/usr/bin/python3 -c 'import pyatspi' >/dev/null 2>&1") == 0;
}

// Output lines as one text, for failure messages.
inline std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    return text;
}

// Runs `script` (a file) with `sh` on an X server of its own, `env` set and
// `wrapper` (a command prefix, may be empty) around sh; its output as lines.
inline std::vector<std::string> runUnderXvfb(const std::string& env, const std::string& wrapper,
                                             const std::string& script, int* status,
                                             const std::string& screen = "400x600x24") {
    return runLines(env + " QT_QPA_PLATFORM= SDL_AUDIODRIVER=dummy " +
                        parvel::testing::ownDisplayPrefix(screen) + wrapper + "sh " + quoted(script) +
                        " 2>&1",
                    status);
}

#ifdef PARVEL_EXE
// Writes `script` as DIR/drive.sh and runs it as runUnderXvfb does, with D
// (that folder), PARVEL (the player, in DIR/bin/ so that its settings are its
// own), GAME, `env`, and home, config, data and cache folders in DIR.
inline std::vector<std::string> driveWindow(const std::filesystem::path& dir, const std::string& game,
                                            const std::string& script, int* status,
                                            const std::string& env = {}, const std::string& wrapper = {},
                                            const std::string& screen = "400x600x24") {
    std::ofstream(dir / "drive.sh") << script;
    const auto parvel = parvel::testing::ownProgramFolder(PARVEL_EXE, dir / "bin");
    return runUnderXvfb(parvel::testing::ownHomeEnv(dir) + env + " D=" + quoted(dir.string()) +
                            " PARVEL=" + quoted(parvel.string()) + " GAME=" + quoted(game),
                        wrapper, (dir / "drive.sh").string(), status, screen);
}
#endif
