// Any bytes as a picture file: decode them in memory, check the header
// layout against lengths around the real one, and load them from disk the
// way the player does (file reader, then clsMemoryBitmap::LoadBMP drawing
// onto a small target).

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "BmpReader.h"
#include "HeadlessHost.h"
#include "MemoryBitmap.h"

namespace {

std::string scratchFile() {
    static const std::string path =
        "/tmp/parvel-fuzz-bmp-" + std::to_string(static_cast<long>(::getpid())) + ".bmp";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parvel;
    using namespace parvel::render;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    if (auto image = decodeBmp(bytes)) {
        // A decoded picture is always within the limits.
        if (image->width() < 1 || image->height() < 1 || image->width() > kMaxBmpSide ||
            image->height() > kMaxBmpSide)
            __builtin_trap();
    }
    for (std::int64_t length : {static_cast<std::int64_t>(size), std::int64_t{0},
                                static_cast<std::int64_t>(size) / 2, std::int64_t{1} << 40})
        (void)bmpLayout(bytes.substr(0, 64), length);

    const std::string path = scratchFile();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    (void)readBmpFile(path);

    HeadlessHost host;
    host.settings().ShowErrors = true;
    HostBitmapReporter reporter(host);
    DirtyRects dirty;
    QImage target(64, 48, QImage::Format_RGB32);
    target.fill(Qt::black);
    clsMemoryBitmap bitmap({&dirty, nullptr, &reporter});
    bitmap.SetTarget(&target);
    bitmap.LoadBMP(path);
    if (bitmap.isLoaded()) {
        bitmap.CenterOn(32, 24);
        bitmap.DrawRect(Rect{0, 0, 64, 48}, -1);
        bitmap.DrawRect(Rect{-5, -5, 10, 10}, 0);
        bitmap.TransBlt(-3, 40, 0, 0, bitmap.Width(), bitmap.Height());
    }
    std::remove(path.c_str());
    return 0;
}
