// tavi: the author's command-line tool. Output is raw script bytes plus
// "\n"; errors go to stderr with exit code 1.

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Commands.h"
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
};

int usage() {
    std::fputs("usage: tavi COMMAND ARGS\n", stderr);
    for (const auto& c : kCommands) std::fprintf(stderr, "  tavi %s\n", c.usage);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    for (const auto& c : kCommands) {
        if (std::strcmp(argv[1], c.name) != 0) continue;
        std::vector<std::string> args;
        for (int i = 2; i < argc; ++i)
            args.push_back(c.pairs && i > 2 ? scriptArg(argv[i]) : std::string(argv[i]));
        const int n = static_cast<int>(args.size());
        if (n < c.minArgs || (c.maxArgs >= 0 && n > c.maxArgs) || (c.pairs && (n - 1) % 2 != 0)) {
            std::fprintf(stderr, "usage: tavi %s\n", c.usage);
            return 1;
        }
        return c.run(args);
    }
    std::fprintf(stderr, "tavi: unknown command '%s'\n", argv[1]);
    return usage();
}
