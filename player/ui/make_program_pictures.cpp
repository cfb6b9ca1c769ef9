// make_program_pictures OUTDIR: writes tavicast.bmp and blk.bmp into OUTDIR.

#include <cstdio>
#include <fstream>
#include <string>

#include "ProgramPictures.h"

using namespace parvel::ui;

static bool write(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_program_pictures OUTDIR\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const bool ok =
        write(dir + "tavicast.bmp", bmp24(kProgramPictureWidth, kStartPictureHeight, startPicturePixel)) &&
        write(dir + "blk.bmp", bmp24(kProgramPictureWidth, kProgramPictureHeight, blackPixel));
    if (!ok) std::fprintf(stderr, "make_program_pictures: cannot write into %s\n", argv[1]);
    return ok ? 0 : 1;
}
