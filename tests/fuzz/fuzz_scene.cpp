// Any bytes as the scenes of a game, played headless: the first scene and
// whatever its options, links, fights and lose scenes lead to. Hostile
// frame speeds, hit points and random counts must neither crash, overflow,
// nor keep the virtual clock from reaching the end of the input.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "Replay.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parvel;
    static const std::string dir =
        "/tmp/parvel-fuzz-scene-" + std::to_string(static_cast<long>(::getpid()));
    static const auto steps = parseReplay(
        "open\nclick\nwait 1.5\noption 1\nwait 2\nkey a\nkey right\nwait 1\noption 2\nwait 600\n"
        "snapshot\noption 3\nwait 1\n");
    std::filesystem::create_directories(dir);
    const std::string game = dir + "/Gamefile.txt";
    {
        std::ofstream out(game, std::ios::binary | std::ios::trunc);
        out << "[Setup]\r\n@firstscene = A\r\n[A]\r\n";
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    bool ended = false;
    runReplay(game, *steps, 1, [&](std::string_view line) { ended |= line.rfind("scene: ", 0) == 0; });
    (void)ended;
    return 0;
}
