#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

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
