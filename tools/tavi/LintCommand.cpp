// tavi lint: the problems of a game, one per line "SCENE: message".
// Warnings about the story's shape fail the run only with --strict.

#include <cstdio>

#include "Commands.h"
#include "Lint.h"
#include "Paths.h"

namespace parvel::tavi {

int cmdLint(const std::vector<std::string>& args) {
    const bool strict = args.size() == 2 && args[1] == "--strict";
    if (args.size() == 2 && !strict) {
        std::fprintf(stderr, "usage: tavi lint GAMEFILE [--strict]\n");
        return 1;
    }
    if (!readWholeFile(args[0])) {
        std::fprintf(stderr, "tavi: cannot read %s\n", args[0].c_str());
        return 1;
    }
    auto problems = lintGame(args[0]);
    for (auto& w : lintStory(args[0])) problems.push_back(std::move(w));
    bool failed = false;
    for (const auto& p : problems) {
        const std::string line = p.scene + ": " + p.message + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
        failed = failed || !p.warning || strict;
    }
    return failed ? 1 : 0;
}

}  // namespace parvel::tavi
