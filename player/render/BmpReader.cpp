#include "BmpReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace parvel::render {

// The bitmap file, as this reader sees it (all numbers little-endian):
//
//   offset  size  field
//        0    14  file header: "BM", file size, reserved, pixel offset.
//                 Ignored entirely: old files with a wrong size or offset
//                 still load, and the pixel offset comes from the rule below.
//       14    40  info header: size(4) width(4) height(4) planes(2)
//                 bitCount(2) compression(4) imageSize(4) xppm(4) yppm(4)
//                 clrUsed(4) clrImportant(4). Only width, height, bitCount
//                 (and, for safety, compression) are looked at; the header's
//                 own size field is not, so the colour table always starts
//                 at offset 54.
//       54     …  colour table of RGBQUADs (blue, green, red, reserved):
//                 256 entries for 8 bits, none for 24 bits, 16 for every
//                 other depth (4 bits, but also 1, 16 and 32), whatever
//                 clrUsed says.
//
// Pixel rows are taken from the end of that table (offset 118 for 16-entry
// depths, 1078 for 8 bits, 54 for 24 bits) to the end of the file, into a
// zero-filled buffer of (file length − 44) bytes. One old rule shifts 8-bit
// pictures: when the length L is not 23478 (a standard 200 × 112 picture) and
// x = L − 22478 lies strictly between 0 and 1012, the rows start at offset
// x + 79 instead. Rows are stored bottom-up, each padded to a multiple of 4
// bytes; pixels are palette indices (1, 4, 8 bits, most significant bits
// first), 5-5-5 words (16 bits), or blue-green-red bytes (24 bits, plus one
// unused byte at 32 bits).
//
// Refused, with a failure and before any large read: files shorter than the
// two headers or than the colour table, sizes outside 1…16384 (top-down
// pictures have a negative height and are refused too), unknown bit counts,
// compressed pictures, files whose pixel buffer would be smaller than
// the rows the header promises, and pictures that would decode to more
// than kMaxDecodedBytes.

namespace {

constexpr std::int64_t kHeadersSize = 54;

std::uint32_t u32(std::string_view b, std::size_t at) {
    auto p = reinterpret_cast<const unsigned char*>(b.data()) + at;
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t u16(std::string_view b, std::size_t at) {
    auto p = reinterpret_cast<const unsigned char*>(b.data()) + at;
    return std::uint16_t(p[0] | p[1] << 8);
}

Error invalid(const std::string& why) {
    return {err::InvalidPicture, "Invalid picture (" + why + ")"};
}

}  // namespace

Result<BmpLayout> bmpLayout(std::string_view head, std::int64_t fileLength) {
    if (fileLength < kHeadersSize || std::int64_t(head.size()) < kHeadersSize)
        return invalid("file shorter than its headers");
    BmpLayout l;
    l.width = std::int32_t(u32(head, 18));
    l.height = std::int32_t(u32(head, 22));
    l.bitCount = u16(head, 28);
    const std::uint32_t compression = u32(head, 30);
    if (l.width < 1 || l.width > kMaxBmpSide || l.height < 1 || l.height > kMaxBmpSide)
        return invalid("size " + std::to_string(l.width) + " x " + std::to_string(l.height) +
                       " outside 1 to " + std::to_string(kMaxBmpSide));
    switch (l.bitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            return invalid(std::to_string(l.bitCount) + " bits per pixel");
    }
    if (compression != 0) return invalid("compressed pictures are not supported");

    l.tableEntries = l.bitCount == 8 ? 256 : l.bitCount == 24 ? 0 : 16;
    const std::int64_t tableEnd = kHeadersSize + 4 * std::int64_t(l.tableEntries);
    if (fileLength < tableEnd) return invalid("colour table longer than the file");

    l.pixelStart = tableEnd;
    if (l.bitCount == 8 && fileLength != 23478) {
        const std::int64_t x = fileLength - 22478;
        if (x > 0 && x < 1012) l.pixelStart = x + 79;
    }
    l.stride = (std::int64_t(l.width) * l.bitCount + 31) / 32 * 4;
    l.bufferSize = fileLength - 44;
    if (l.stride * l.height > l.bufferSize) return invalid("file shorter than its pixel rows");
    if (std::int64_t(l.width) * l.height * 4 > kMaxDecodedBytes)
        return invalid(std::to_string(l.width) + " x " + std::to_string(l.height) +
                       " is larger than a picture may be (" +
                       std::to_string(kMaxDecodedBytes / (1024 * 1024)) + " MiB decoded)");
    return l;
}

namespace {

QImage decodeRows(const BmpLayout& l, std::string_view table, const unsigned char* pixels) {
    QRgb palette[256] = {};
    for (int i = 0; i < l.tableEntries; ++i) {
        auto q = reinterpret_cast<const unsigned char*>(table.data()) + 4 * i;
        palette[i] = qRgb(q[2], q[1], q[0]);
    }
    QImage img(l.width, l.height, QImage::Format_RGB32);
    if (img.isNull()) return img;  // no memory for it: nothing to write into
    for (std::int32_t row = 0; row < l.height; ++row) {
        // The first stored row is the bottom one.
        const unsigned char* s = pixels + row * l.stride;
        auto* d = reinterpret_cast<QRgb*>(img.scanLine(l.height - 1 - row));
        switch (l.bitCount) {
            case 1:
                for (std::int32_t x = 0; x < l.width; ++x)
                    d[x] = palette[(s[x >> 3] >> (7 - (x & 7))) & 1];
                break;
            case 4:
                for (std::int32_t x = 0; x < l.width; ++x)
                    d[x] = palette[(x & 1) ? (s[x >> 1] & 0x0F) : (s[x >> 1] >> 4)];
                break;
            case 8:
                for (std::int32_t x = 0; x < l.width; ++x) d[x] = palette[s[x]];
                break;
            case 16:
                // 5 bits per channel, widened by repeating the top bits so
                // that 31 becomes 255.
                for (std::int32_t x = 0; x < l.width; ++x) {
                    const unsigned w = s[2 * x] | s[2 * x + 1] << 8;
                    const unsigned r = (w >> 10) & 31, g = (w >> 5) & 31, b = w & 31;
                    d[x] = qRgb(r << 3 | r >> 2, g << 3 | g >> 2, b << 3 | b >> 2);
                }
                break;
            case 24:
                for (std::int32_t x = 0; x < l.width; ++x)
                    d[x] = qRgb(s[3 * x + 2], s[3 * x + 1], s[3 * x]);
                break;
            case 32:
                for (std::int32_t x = 0; x < l.width; ++x)
                    d[x] = qRgb(s[4 * x + 2], s[4 * x + 1], s[4 * x]);
                break;
        }
    }
    return img;
}

// Builds the image from the headers and the file bytes at hand (`file` may
// stop early: bytes past it count as zero, as in the zero-filled buffer).
Result<QImage> decodeWith(const BmpLayout& l, std::string_view file) {
    const std::int64_t needed = l.stride * l.height;
    std::vector<unsigned char> buffer;
    try {
        buffer.assign(std::size_t(needed), 0);
    } catch (const std::bad_alloc&) {
        return Error{err::OutOfMemory, "Out of memory"};
    }
    if (l.pixelStart < std::int64_t(file.size())) {
        const std::int64_t n =
            std::min<std::int64_t>(needed, std::int64_t(file.size()) - l.pixelStart);
        std::memcpy(buffer.data(), file.data() + l.pixelStart, std::size_t(n));
    }
    QImage img =
        decodeRows(l, file.substr(kHeadersSize, 4 * std::size_t(l.tableEntries)), buffer.data());
    if (img.isNull()) return Error{err::OutOfMemory, "Out of memory"};
    return img;
}

}  // namespace

Result<QImage> decodeBmp(std::string_view file) {
    auto layout = bmpLayout(file, std::int64_t(file.size()));
    if (!layout) return layout.error();
    return decodeWith(*layout, file);
}

Result<QImage> readBmpFile(const std::string& path) {
    // Opened by the path's bytes: a QString would turn a folder name that
    // is no UTF-8 into another name.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return makeError(err::FileNotFound);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return makeError(err::FileNotFound);
    }
    QFile f;
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return makeError(err::FileNotFound);
    }
    const std::int64_t length = f.size();
    const QByteArray head = f.read(kHeadersSize);
    auto layout = bmpLayout(std::string_view(head.constData(), std::size_t(head.size())), length);
    if (!layout) return layout.error();
    // Only the rows the header promises are ever used: read no further.
    const std::int64_t tableEnd = kHeadersSize + 4 * std::int64_t(layout->tableEntries);
    const std::int64_t want =
        std::min(length, std::max(tableEnd, layout->pixelStart + layout->stride * layout->height));
    if (!f.seek(0)) return makeError(err::BadFileName);
    const QByteArray bytes = f.read(want);
    if (bytes.size() != want)
        return Error{err::BadFileName, "Bad file name or number (short read)"};
    return decodeWith(*layout, std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

}  // namespace parvel::render
