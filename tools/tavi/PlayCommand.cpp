// tavi play: a headless walkthrough of a game.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Commands.h"
#include "Paths.h"
#include "Replay.h"

namespace parvel::tavi {

int cmdPlay(const std::vector<std::string>& args) {
    std::string game, input, saves;
    std::uint32_t seed = 1;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--input" && i + 1 < args.size()) {
            input = args[++i];
        } else if (args[i] == "--saves" && i + 1 < args.size()) {
            saves = args[++i];
        } else if (args[i] == "--seed" && i + 1 < args.size()) {
            char* end = nullptr;
            const unsigned long v = std::strtoul(args[++i].c_str(), &end, 10);
            if (end == args[i].c_str() || *end) {
                std::fprintf(stderr, "tavi: --seed needs a whole number\n");
                return 1;
            }
            seed = static_cast<std::uint32_t>(v);
        } else if (game.empty() && args[i].rfind("--", 0) != 0) {
            game = args[i];
        } else {
            std::fprintf(stderr, "usage: tavi play GAMEFILE --input FILE [--seed N] [--saves DIR]\n");
            return 1;
        }
    }
    if (game.empty() || input.empty()) {
        std::fprintf(stderr, "usage: tavi play GAMEFILE --input FILE [--seed N] [--saves DIR]\n");
        return 1;
    }
    if (!readWholeFile(game)) {
        std::fprintf(stderr, "tavi: cannot read %s\n", game.c_str());
        return 1;
    }
    auto text = readWholeFile(input);
    if (!text) {
        std::fprintf(stderr, "tavi: cannot read %s\n", input.c_str());
        return 1;
    }
    auto steps = parseReplay(*text);
    if (!steps) {
        std::fprintf(stderr, "tavi: %s: %s\n", input.c_str(), steps.error().description.c_str());
        return 1;
    }
    auto line = [](FILE* f) {
        return [f](std::string_view l) {
            std::fwrite(l.data(), 1, l.size(), f);
            std::fputc('\n', f);
        };
    };
    runReplay(game, *steps, seed, line(stdout), line(stderr), false, saves);
    return 0;
}

}  // namespace parvel::tavi
