#pragma once
// The options every windowed program takes, read GNU-style before any window
// or display exists: --help and --version print to stdout and exit 0; an
// unknown option or a surplus argument says what is wrong and exits 2.
// Qt's own options (-platform NAME, -style NAME, ...) are let through for
// QApplication to take.

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parvel {

struct CommandLine {
    std::vector<std::string> operands;
    std::optional<int> exitCode;  // set when the program should end at once
};

inline CommandLine parseCommandLine(int argc, char** argv, std::string_view program,
                                    std::string_view help, std::string_view version,
                                    size_t maxOperands) {
    // Qt options with a value, then those without, as QGuiApplication and
    // QApplication read them (one or two leading dashes).
    static constexpr std::string_view kQtWithValue[] = {
        "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
        "qwindowicon", "qwindowtitle", "session", "display", "geometry", "style",
        "stylesheet", "name", "title"};
    static constexpr std::string_view kQtFlags[] = {"reverse", "widgetcount", "nograb",
                                                    "dograb", "sync"};
    const std::string name(program);
    auto usageError = [&](const std::string& what) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", name.c_str(),
                     what.c_str(), name.c_str());
        return CommandLine{{}, 2};
    };

    CommandLine line;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (optionsEnd || a.size() < 2 || a[0] != '-') {
            line.operands.emplace_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnd = true;
        } else if (a == "--help" || a == "-h") {
            std::fwrite(help.data(), 1, help.size(), stdout);
            return {{}, 0};
        } else if (a == "--version") {
            std::printf("%s %.*s\n", name.c_str(), static_cast<int>(version.size()), version.data());
            return {{}, 0};
        } else {
            std::string_view bare = a.substr(a[1] == '-' ? 2 : 1);
            bool known = false;
            for (auto q : kQtFlags) known = known || bare == q;
            for (auto q : kQtWithValue) {
                if (bare != q) continue;
                if (i + 1 >= argc) return usageError("option '" + std::string(a) + "' requires an argument");
                ++i;
                known = true;
            }
            if (!known) return usageError("unrecognized option '" + std::string(a) + "'");
        }
    }
    if (line.operands.size() > maxOperands)
        return usageError("unexpected argument '" + line.operands[maxOperands] + "'");
    return line;
}

}  // namespace parvel
