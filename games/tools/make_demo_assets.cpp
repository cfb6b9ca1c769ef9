// make_demo_assets GAMEDIR ICON.png: draws, synthesises and encodes every
// binary file of the demo game into GAMEDIR (pics/, sounds/, music/) and the
// desktop icon into ICON.png. The output is the same on every run.

#include <QImage>

#include <cstdio>
#include <filesystem>
#include <string>

#include "ByteWriters.h"
#include "DemoClip.h"
#include "DemoPictures.h"
#include "DemoSounds.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_demo_assets GAMEDIR ICON.png\n");
        return 2;
    }
    const fs::path game(argv[1]);
    std::error_code ec;
    for (const char* sub : {"pics", "sounds", "music"}) fs::create_directories(game / sub, ec);

    bool ok = true;
    auto write = [&](const fs::path& p, const std::string& bytes) {
        if (!demo::writeFile(p.string(), bytes)) {
            std::fprintf(stderr, "make_demo_assets: cannot write %s\n", p.c_str());
            ok = false;
        }
    };
    for (const auto& pic : demo::demoPictures())
        write(game / "pics" / pic.name, demo::bmpFile(pic.image, pic.bits, pic.dither));
    for (const auto& snd : demo::demoSounds()) write(game / "sounds" / snd.name, snd.bytes);
    for (const auto& song : demo::demoSongs()) write(game / "music" / song.name, song.bytes);

    if (const std::string err = demo::writeLanternClip((game / "sounds" / "lantern.avi").string()); !err.empty()) {
        std::fprintf(stderr, "make_demo_assets: %s\n", err.c_str());
        ok = false;
    }
    if (!demo::appIcon().save(QString::fromStdString(argv[2]), "PNG")) {
        std::fprintf(stderr, "make_demo_assets: cannot write %s\n", argv[2]);
        ok = false;
    }
    return ok ? 0 : 1;
}
