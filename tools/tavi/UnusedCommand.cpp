// tavi unused: the pictures, then the sounds and music, that no scene names;
// with --all-files, that no scene of any chained file names either.

#include <algorithm>
#include <cstdio>
#include <set>

#include "Commands.h"
#include "HeadlessHost.h"
#include "Paths.h"
#include "SceneTable.h"
#include "TextCodec.h"
#include "UnusedFiles.h"
#include "Vb.h"

namespace parvel::tavi {

namespace {

// The scripts a game file chains to with @nextGfile, by resolved path, each once.
std::vector<std::string> chainedFiles(HeadlessHost& host, const std::string& gameFile) {
    std::vector<std::string> files{resolvePath(gameFile)};
    SceneTable table(host);
    for (size_t f = 0; f < files.size(); ++f) {
        GameScript g;
        g.path = files[f];
        table.LoadGameScript(g);
        for (int s = 1; s <= table.lastLoadCount(); ++s) {
            const std::string next(
                vb::Trim(table.readDirective(s, table.name(s), "@nextGfile").valueOr("")));
            if (next.empty()) continue;
            const std::string path = folderOf(files[f]) + cp1252ToUtf8(next);
            if (!fileExists(path)) continue;
            const std::string key = resolvePath(path);
            if (std::find(files.begin(), files.end(), key) == files.end()) files.push_back(key);
        }
    }
    files.erase(files.begin());
    return files;
}

}  // namespace

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
    auto unused = filecheck::CheckFiles(table, game, host);
    if (inv.flag("--all-files")) {
        // Each chained file is checked with the game's Setup in front of it,
        // so it looks in the same folders; a file is unused when no file names it.
        const int setup = table.FindScene("Setup");
        const std::string setupText =
            setup != 0 && setup <= table.lastLoadCount() ? table.text(setup) : "";
        for (const auto& file : chainedFiles(host, args[0])) {
            SceneTable chained(host);
            GameScript g;
            g.path = file;
            chained.LoadGameScript(g);
            std::string text = setupText;
            for (int s = 1; s <= chained.lastLoadCount() && s < SceneTable::kSlots; ++s)
                text += chained.text(s);
            chained.loadText(text);
            const auto other = filecheck::CheckFiles(chained, game, host);
            for (auto [list, otherList] : {std::pair{&unused.pictures, &other.pictures},
                                           std::pair{&unused.sounds, &other.sounds}}) {
                std::set<std::string> still;
                for (const auto& f : *otherList) still.insert(f.path);
                std::erase_if(*list,
                              [&](const filecheck::UnusedFile& f) { return !still.count(f.path); });
            }
        }
    }
    for (const auto* list : {&unused.pictures, &unused.sounds})
        for (const auto& f : *list) {
            std::fwrite(f.path.data(), 1, f.path.size(), stdout);
            std::fputc('\n', stdout);
        }
    return 0;
}

}  // namespace parvel::tavi
