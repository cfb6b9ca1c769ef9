#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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
           "for i in $(seq 100); do w=$(xdotool search --name 'The Lantern Road' | head -1); "
           "[ -n \"$w\" ] && break; sleep 0.1; done\n"
           "[ -n \"$w\" ] || { kill $p" +
           (alsoKill.empty() ? "" : " " + alsoKill) + "; exit 3; }\n";
}

// The tools the screen-reader tests need: the accessibility bus and pyatspi.
inline bool haveAtSpiTools() {
    return std::system("command -v xvfb-run >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1 && "
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

// Runs `script` (a file) with `sh` under a fresh Xvfb screen, `env` set and
// `wrapper` (a command prefix, may be empty) around sh; its output as lines.
// Parallel xvfb-run -a can race for a display number; the player then never
// shows (exit 3) and the run is tried again.
inline std::vector<std::string> runUnderXvfb(const std::string& env, const std::string& wrapper,
                                             const std::string& script, int* status,
                                             const std::string& screen = "400x600x24") {
    std::vector<std::string> out;
    for (int attempt = 0; attempt < 3; ++attempt) {
        out = runLines(env + " QT_QPA_PLATFORM= SDL_AUDIODRIVER=dummy xvfb-run -a -s "
                             "'-screen 0 " + screen + "' " +
                           wrapper + "sh " + quoted(script) + " 2>&1",
                       status);
        if (*status != 3) break;
    }
    return out;
}

#ifdef PARVEL_EXE
// Writes `script` as DIR/drive.sh and runs it as runUnderXvfb does, with D
// (that folder), PARVEL (the player), GAME and `env` set.
inline std::vector<std::string> driveWindow(const std::filesystem::path& dir, const std::string& game,
                                            const std::string& script, int* status,
                                            const std::string& env = {}, const std::string& wrapper = {},
                                            const std::string& screen = "400x600x24") {
    std::ofstream(dir / "drive.sh") << script;
    return runUnderXvfb(env + " D=" + quoted(dir.string()) + " PARVEL=" + quoted(PARVEL_EXE) +
                            " GAME=" + quoted(game),
                        wrapper, (dir / "drive.sh").string(), status, screen);
}
#endif
