// The commands that read or transform a game script.

#include <cstdio>

#include "Cipher.h"
#include "Commands.h"
#include "Encipher.h"
#include "HeadlessHost.h"
#include "Integrity.h"
#include "Paths.h"
#include "SceneTable.h"

namespace parvel::tavi {

namespace {

void printLine(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fputc('\n', stdout);
}

bool checkReadable(const std::string& path) {
    if (readWholeFile(path)) return true;
    std::fprintf(stderr, "tavi: cannot read %s\n", path.c_str());
    return false;
}

// Loads a game the way the player does.
void load(SceneTable& table, const std::string& path) {
    GameScript game;
    game.path = path;
    table.LoadGameScript(game);
}

}  // namespace

int cmdScenes(const Invocation& inv) {
    const auto& args = inv.operands;
    if (!checkReadable(args[0])) return 1;
    HeadlessHost host;
    SceneTable table(host);
    load(table, args[0]);
    for (int s = 1; s <= table.lastLoadCount(); ++s)
        printLine(std::to_string(s) + "\t" + table.name(s));
    return 0;
}

int cmdGet(const Invocation& inv) {
    const auto& args = inv.operands;
    if (!checkReadable(args[0])) return 1;
    HeadlessHost host;
    SceneTable table(host);
    load(table, args[0]);
    host.onEvent = [](std::string_view line) {
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fputc('\n', stderr);
    };
    for (size_t i = 1; i + 1 < args.size(); i += 2)
        printLine(table.GetDirective(args[i], args[i + 1]));
    return 0;
}

int cmdDigest(const Invocation& inv) {
    const auto& args = inv.operands;
    if (!checkReadable(args[0])) return 1;
    HeadlessHost host;
    printLine(FileDigest(host, args[0]));
    return 0;
}

int cmdDecipher(const Invocation& inv) {
    const auto& args = inv.operands;
    auto data = readWholeFile(args[0]);
    if (!data) {
        std::fprintf(stderr, "tavi: cannot read %s\n", args[0].c_str());
        return 1;
    }
    const std::string plain = DecipherScript(*data);
    std::fwrite(plain.data(), 1, plain.size(), stdout);
    return 0;
}


}  // namespace parvel::tavi
