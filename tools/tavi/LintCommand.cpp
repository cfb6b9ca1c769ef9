// tavi lint: the problems of a game, one per line "SCENE: message".

#include <cstdio>

#include "Commands.h"
#include "Lint.h"
#include "Paths.h"

namespace parvel::tavi {

int cmdLint(const std::vector<std::string>& args) {
    if (!readWholeFile(args[0])) {
        std::fprintf(stderr, "tavi: cannot read %s\n", args[0].c_str());
        return 1;
    }
    const auto problems = lintGame(args[0]);
    for (const auto& p : problems) {
        const std::string line = p.scene + ": " + p.message + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return problems.empty() ? 0 : 1;
}

}  // namespace parvel::tavi
