// tavi play: a headless walkthrough of a game.

#include <cstdio>
#include <string>

#include "Commands.h"
#include "Paths.h"
#include "Replay.h"

namespace parvel::tavi {

int cmdPlay(const Invocation& inv) {
    const std::string& game = inv.operands[0];
    const std::string input = inv.value("--input").value_or("");
    const std::string saves = inv.value("--saves").value_or("");
    const auto seedValue = seedOption(inv);
    if (!seedValue) return 1;
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
    // --seed when given, else the input's "# seed N" line, else 1.
    const std::uint32_t seed = inv.value("--seed") ? *seedValue : replaySeed(*text).value_or(1);
    auto warn = [&input](int l, std::string_view message) {
        const std::string w =
            input + ":" + std::to_string(l) + ": warning: " + std::string(message) + "\n";
        std::fwrite(w.data(), 1, w.size(), stderr);
    };
    runReplay(game, *steps, seed, line(stdout), line(stderr), false, saves, warn);
    return 0;
}

}  // namespace parvel::tavi
