// Any bytes as the plain picture behind an enciphered game's frames: the
// picture is enciphered for the game and named several times in every
// animation list, so the frame preload, its sharing of decoded pictures and
// the picture budget all see it.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "Cipher.h"
#include "HeadlessHost.h"
#include "Integrity.h"
#include "Replay.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parvel;
    static const std::string dir =
        "/tmp/parvel-fuzz-frames-" + std::to_string(static_cast<long>(::getpid()));
    static const std::string game = dir + "/GameFile.Cgm";
    static std::string digest;
    static const auto steps = parseReplay("open\nwait 2\nclick\nwait 1\noption 1\nwait 1\n");
    if (digest.empty()) {
        std::filesystem::create_directories(dir);
        const std::string plain =
            "[Setup]\r\n@firstscene = A\r\n[A]\r\n@anim = p.clP, p.clP, q.clP, p.clP\r\n"
            "@layeranim = q.clP, p.clP\r\n@layeranim2 = p.clP\r\n@option1 = On\r\n@Link1 = B\r\n"
            "[B]\r\n@image = p.clP\r\n@anim = q.clP\r\n";
        std::ofstream(game, std::ios::binary) << DecipherScript(plain);
        HeadlessHost host;
        digest = FileDigest(host, game);
    }
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(dir + "/p.clP", std::ios::binary | std::ios::trunc) << encipherPicture(bytes, digest);
    // The second picture is the same bytes with another game's digest half the
    // time: the tampering path ends the run from inside the preload.
    std::ofstream(dir + "/q.clP", std::ios::binary | std::ios::trunc)
        << encipherPicture(bytes, size % 2 ? digest : std::string("0       "));
    runReplay(game, *steps, 1, [](std::string_view) {});
    return 0;
}
