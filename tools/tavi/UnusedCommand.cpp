// tavi unused: the pictures, then the sounds and music, that no scene names.

#include <cstdio>

#include "Commands.h"
#include "HeadlessHost.h"
#include "Paths.h"
#include "SceneTable.h"
#include "UnusedFiles.h"

namespace parvel::tavi {

int cmdUnused(const Invocation& inv) {
    const auto& args = inv.operands;
    if (!readWholeFile(args[0])) {
        std::fprintf(stderr, "tavi: cannot read %s\n", args[0].c_str());
        return 1;
    }
    HeadlessHost host;
    SceneTable table(host);
    GameScript game;
    game.path = args[0];
    table.LoadGameScript(game);
    const auto unused = filecheck::CheckFiles(table, game, host);
    for (const auto* list : {&unused.pictures, &unused.sounds})
        for (const auto& f : *list) {
            std::fwrite(f.path.data(), 1, f.path.size(), stdout);
            std::fputc('\n', stdout);
        }
    return 0;
}

}  // namespace parvel::tavi
