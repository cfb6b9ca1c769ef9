// tavi: the author's command-line tool. Output is raw script bytes plus
// "\n"; errors go to stderr with exit code 1, usage errors with 2.

#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"
#include "Help.h"
#include "ParvelVersion.h"
#include "TextCodec.h"

using namespace parvel::tavi;

namespace {

// Names typed in a terminal are UTF-8; scripts are Windows-1252.
std::string scriptArg(const char* arg) {
    std::string_view a(arg);
    if (parvel::isValidUtf8(a))
        if (auto b = parvel::utf8ToCp1252(a)) return *b;
    return std::string(a);
}

struct Command {
    const char* name;
    const char* usage;
    int minArgs;
    int maxArgs;  // -1: any number
    bool pairs;   // arguments after the first come in pairs
    int (*run)(const std::vector<std::string>&);
};

const Command kCommands[] = {
    {"scenes", "scenes GAMEFILE", 1, 1, false, cmdScenes},
    {"get", "get GAMEFILE SCENE DIRECTIVE [SCENE DIRECTIVE]...", 3, -1, true, cmdGet},
    {"digest", "digest FILE", 1, 1, false, cmdDigest},
    {"decipher", "decipher FILE", 1, 1, false, cmdDecipher},
    {"encipher", "encipher GAMEDIR OUTDIR", 2, 2, false, cmdEncipher},
    {"unused", "unused GAMEFILE", 1, 1, false, cmdUnused},
    {"lint", "lint GAMEFILE [--strict]", 1, 2, false, cmdLint},
    {"play", "play GAMEFILE --input FILE [--seed N]", 3, 5, false, cmdPlay},
    {"map", "map GAMEFILE OUTDIR [--walkthrough FILE...] [--seed N]", 2, -1, false, cmdMap},
    {"coverage", "coverage GAMEFILE FILE... [--seed N]", 2, -1, false, cmdCoverage},
    {"lsp", "lsp", 0, 0, false, cmdLsp},
};

const Command* findCommand(std::string_view name) {
    for (const auto& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

// What is wrong, then where to read more. An unknown option exits 2 as GNU
// tools do; a missing or unknown command, like operands that do not fit,
// keeps the 1 that scripts written against tavi already expect.
int usageError(const std::string& what, const std::string& helpCommand = {}, int code = 2) {
    std::fprintf(stderr, "tavi: %s\nTry 'tavi %s' for more information.\n", what.c_str(),
                 helpCommand.empty() ? "--help" : ("help " + helpCommand).c_str());
    return code;
}

void printHelp() {
    std::puts("Usage: tavi COMMAND ARGS...\n"
              "Inspect, encipher, lint and replay Tavishow games without a window.\n"
              "\n"
              "Commands:");
    for (const auto& c : kCommands) {
        const CommandHelp* h = findHelp(c.name);
        std::printf("  %s\n      %s\n", c.usage, h ? h->summary : "");
    }
    std::puts("  help [COMMAND]\n      show this help, or the help of COMMAND\n"
              "\n"
              "Options:\n"
              "  -h, --help     show this help and exit\n"
              "      --version  show the version and exit\n"
              "\n"
              "Output is the script's own bytes (Windows-1252) plus a line end; errors go\n"
              "to stderr. Exit status: 0 on success, 1 when the work fails, lint finds\n"
              "problems, or the command or its arguments are wrong, 2 on an unknown\n"
              "option. See tavi(1).");
}

int printCommandHelp(const Command& c) {
    std::printf("Usage: tavi %s\n", c.usage);
    if (const CommandHelp* h = findHelp(c.name)) {
        std::string summary = h->summary;
        summary[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(summary[0])));
        std::printf("%s.\n\n%s", summary.c_str(), h->text);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usageError("missing command", {}, 1);
    const std::string_view first = argv[1];
    if (first == "--help" || first == "-h") {
        printHelp();
        return 0;
    }
    if (first == "--version") {
        std::printf("tavi %s\n", parvel::versionText());
        return 0;
    }
    if (first == "help") {
        if (argc == 2) {
            printHelp();
            return 0;
        }
        if (argc > 3) return usageError("help takes one command name", "help", 1);
        if (const Command* c = findCommand(argv[2])) return printCommandHelp(*c);
        return usageError("unknown command '" + std::string(argv[2]) + "'", {}, 1);
    }
    if (first.size() > 1 && first[0] == '-')
        return usageError("unrecognized option '" + std::string(first) + "'");
    const Command* c = findCommand(first);
    if (!c) return usageError("unknown command '" + std::string(first) + "'", {}, 1);

    // Anything that starts with "-" before a "--" is an option: --help, or
    // one the command takes (with its value); other names go after "--".
    const CommandHelp* help = findHelp(c->name);
    std::vector<std::string> args;
    bool optionsEnd = false;
    for (int i = 2; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (!optionsEnd && a == "--") {
            optionsEnd = true;
            continue;
        }
        if (!optionsEnd && a.size() > 1 && a[0] == '-') {
            if (a == "--help" || a == "-h") return printCommandHelp(*c);
            bool takesValue = false, flag = false;
            if (help) {
                for (auto o : help->valueOptions) takesValue = takesValue || a == o;
                for (auto o : help->flagOptions) flag = flag || a == o;
            }
            if (!takesValue && !flag)
                return usageError("unrecognized option '" + std::string(a) + "'", c->name);
            args.emplace_back(a);
            if (takesValue && i + 1 < argc) args.emplace_back(argv[++i]);
            continue;
        }
        const bool scriptText = c->pairs && !args.empty();
        args.push_back(scriptText ? scriptArg(argv[i]) : std::string(a));
    }
    const int n = static_cast<int>(args.size());
    if (n < c->minArgs || (c->maxArgs >= 0 && n > c->maxArgs) || (c->pairs && (n - 1) % 2 != 0)) {
        std::fprintf(stderr, "usage: tavi %s\n", c->usage);
        return 1;
    }
    return c->run(args);
}
