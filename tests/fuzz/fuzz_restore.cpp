// Any bytes as a save file, restored into a running player: the demo game
// opens, the save is loaded (and taken up again by Continue), a few moments
// of play follow with a walk, a choice and Back, and a snapshot reads every
// value back. What a save holds must never crash, overflow or hang play.
//
// So that mutations get past the check line, "@DEMO@/" stands for the demo
// game's folder and the check line is made anew for the bytes given.

#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "Replay.h"
#include "SaveSlots.h"

namespace {

std::string withCheckLine(std::string text) {
    // Drop a check line the input ends with; close the last line.
    if (const size_t at = text.rfind("check=");
        at != std::string::npos && (at == 0 || text[at - 1] == '\n'))
        if (text.find('\n', at) >= text.size() - 1) text.resize(at);
    if (!text.empty() && text.back() != '\n') text += '\n';
    char check[16];
    std::snprintf(
        check, sizeof check, "%08lx",
        ::crc32(0L, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
    return text + "check=" + check + "\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parvel;
    namespace fs = std::filesystem;
    static const std::string demo = PARVEL_SOURCE_DIR "/games/demo/";
    static const std::string game = demo + "Gamefile.txt";
    static const std::string saves =
        (fs::temp_directory_path() /
         ("parvel-fuzz-restore-" + std::to_string(static_cast<long>(::getpid()))))
            .string();
    static const auto steps = parseReplay(
        "open\ncontinue\nwait 1\nsnapshot\nkey left\nwait 0.5\noption 1\nwait 1\nload s\nwait 0.5\n"
        "keydown ctrl\nwait 0.5\nkeyup ctrl\noption 2\nwait 1\nback\nwait 1\nsnapshot\n");

    std::string text(reinterpret_cast<const char*>(data), size);
    for (size_t at; (at = text.find("@DEMO@/")) != std::string::npos;) text.replace(at, 7, demo);
    text = withCheckLine(std::move(text));

    std::error_code ec;
    fs::remove_all(saves, ec);
    SaveSlots slots(saves);
    slots.setGame(game);
    fs::create_directories(slots.folder(), ec);
    for (const char* slot : {"autosave", "s"})
        std::ofstream(slots.fileOf(slot), std::ios::binary) << text;
    runReplay(
        game, *steps, 1, [](std::string_view) {}, {}, false, saves);
    fs::remove_all(saves, ec);
    return 0;
}
