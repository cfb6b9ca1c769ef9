// Any bytes as an enciphered picture: prepare it once for the digest its
// own trailer names (the plain copy is written and must decode or fail
// cleanly) and once for another game's digest (the tampering path, which
// ends the run through the host).

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "BmpReader.h"
#include "Cipher.h"
#include "HeadlessHost.h"
#include "Integrity.h"
#include "Paths.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parvel;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string path =
        "/tmp/parvel-fuzz-clp-" + std::to_string(static_cast<long>(::getpid())) + ".clP";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    const std::string ownDigest = size >= 8 ? DecipherScript(bytes.substr(size - 8)) : "0       ";
    for (const std::string& digest : {ownDigest, std::string("1234ABCD")}) {
        HeadlessHost host;
        const auto plain = PreparePicture(host, path, digest);
        if (!plain) {
            // Only a foreign digest ends the run.
            if (!host.quitting()) __builtin_trap();
            continue;
        }
        if (*plain != path) {
            (void)render::readBmpFile(*plain);
            std::remove(plain->c_str());
        }
    }
    std::remove(path.c_str());
    return 0;
}
