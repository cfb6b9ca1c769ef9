#include <gtest/gtest.h>

#include <QBuffer>

#include "BmpReader.h"
#include "HeadlessHost.h"
#include "MemoryBitmap.h"
#include "PngData.h"
#include "TestBmp.h"

using namespace parvel;
using namespace parvel::render;
using namespace parvel::render::test;

namespace {

std::vector<std::uint32_t> palette16() {
    std::vector<std::uint32_t> p(16, 0);
    p[0] = 0x000000;
    p[1] = 0xFF0000;
    p[2] = 0x00FF00;
    p[3] = 0x0000FF;
    p[15] = 0x123456;
    return p;
}

QImage decode(const std::string& bytes) {
    auto r = decodeBmp(bytes);
    EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.error().description);
    return r.ok() ? *r : QImage();
}

}  // namespace

TEST(LoadBmp, Reads24BitBottomUpWithPadding) {
    // 3 × 2: rows of 9 bytes padded to 12; the first stored row is the bottom.
    auto f = makeBmp(3, 2, 24, {},
                     {{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09},
                      {0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF}});
    ASSERT_EQ(f.size(), 54u + 24u);
    QImage img = decode(f);
    ASSERT_EQ(img.size(), QSize(3, 2));
    EXPECT_EQ(img.format(), QImage::Format_RGB32);
    EXPECT_EQ(px(img, 0, 0), 0x030201u);  // blue, green, red in the file
    EXPECT_EQ(px(img, 1, 0), 0x060504u);
    EXPECT_EQ(px(img, 2, 0), 0x090807u);
    EXPECT_EQ(px(img, 0, 1), 0x0000FFu);
    EXPECT_EQ(px(img, 1, 1), 0x00FF00u);
    EXPECT_EQ(px(img, 2, 1), 0xFF0000u);
}

TEST(LoadBmp, Reads8BitThroughPalette) {
    std::vector<std::uint32_t> pal(256, 0);
    pal[0] = 0xFFFFFF;
    pal[7] = 0x102030;
    pal[255] = 0xABCDEF;
    // 5 × 2: rows of 5 bytes padded to 8.
    auto f = makeBmp(5, 2, 8, pal, {{7, 255, 0, 7, 255}, {0, 0, 7, 0, 0}});
    ASSERT_EQ(f.size(), 1078u + 16u);
    QImage img = decode(f);
    ASSERT_EQ(img.size(), QSize(5, 2));
    EXPECT_EQ(px(img, 0, 0), 0x102030u);
    EXPECT_EQ(px(img, 1, 0), 0xABCDEFu);
    EXPECT_EQ(px(img, 2, 0), 0xFFFFFFu);
    EXPECT_EQ(px(img, 4, 0), 0xABCDEFu);
    EXPECT_EQ(px(img, 2, 1), 0x102030u);
    EXPECT_EQ(px(img, 4, 1), 0xFFFFFFu);
}

TEST(LoadBmp, Reads4BitHighNibbleFirst) {
    // 3 × 2: 2 bytes per row padded to 4.
    auto f = makeBmp(3, 2, 4, palette16(), {{0x12, 0x30}, {0xF0, 0x1F}});
    ASSERT_EQ(f.size(), 118u + 8u);
    QImage img = decode(f);
    EXPECT_EQ(px(img, 0, 0), 0xFF0000u);
    EXPECT_EQ(px(img, 1, 0), 0x00FF00u);
    EXPECT_EQ(px(img, 2, 0), 0x0000FFu);
    EXPECT_EQ(px(img, 0, 1), 0x123456u);
    EXPECT_EQ(px(img, 1, 1), 0x000000u);
    EXPECT_EQ(px(img, 2, 1), 0xFF0000u);
}

TEST(LoadBmp, OneBitAndSixteenBitUseASixteenEntryTable) {
    // 1 bit: pixels from byte 118 after 16 table entries, first bit leftmost.
    auto one = makeBmp(9, 1, 1, palette16(), {{0b10100000, 0b10000000}});
    QImage a = decode(one);
    EXPECT_EQ(px(a, 0, 0), 0xFF0000u);
    EXPECT_EQ(px(a, 1, 0), 0x000000u);
    EXPECT_EQ(px(a, 2, 0), 0xFF0000u);
    EXPECT_EQ(px(a, 8, 0), 0xFF0000u);
    // 16 bits, 5-5-5: also after a 16-entry table, which the file must hold.
    auto sixteen = makeBmp(2, 1, 16, palette16(), {{0x00, 0x7C, 0x1F, 0x00}});
    QImage b = decode(sixteen);
    EXPECT_EQ(px(b, 0, 0), 0xFF0000u);
    EXPECT_EQ(px(b, 1, 0), 0x0000FFu);
}

TEST(LoadBmp, FileHeaderIsIgnored) {
    auto f = makeBmp(1, 1, 24, {}, {{0x11, 0x22, 0x33}});
    for (int i = 0; i < 14; ++i) f[i] = 'x';  // signature, size and offset all wrong
    QImage img = decode(f);
    EXPECT_EQ(px(img, 0, 0), 0x332211u);
}

TEST(LoadBmp, MissingTrailingBytesReadAsZero) {
    // The pixel buffer is 44 bytes shorter than the file and zero-filled:
    // 24-bit rows start at 54, so up to 10 missing bytes still load.
    auto f = makeBmp(2, 2, 24, {}, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    f.resize(f.size() - 4);  // the top row's padding and last pixel's green and red
    QImage img = decode(f);
    EXPECT_EQ(px(img, 0, 0), 0x030201u);
    EXPECT_EQ(px(img, 1, 0), 0x000004u);
    f.resize(f.size() - 7);  // now 11 short: more than the buffer's slack
    EXPECT_FALSE(decodeBmp(f).ok());
}

// An 8-bit, 4 × 2 picture inside a file of `length` bytes: palette entries
// 1…4 are red, green, blue, grey; the index bytes 1 2 3 4 / 4 3 2 1 are put
// at `at` (0-based) and the other candidate place holds zeros.
std::string oddLengthFile(std::size_t length, std::size_t at) {
    std::string f = bmpHeaders(4, 2, 8);
    f.resize(length, '\0');
    const std::uint32_t cols[] = {0xFF0000, 0x00FF00, 0x0000FF, 0x808080};
    for (int i = 0; i < 4; ++i) {
        f[54 + 4 * (i + 1)] = char(cols[i] & 0xFF);
        f[54 + 4 * (i + 1) + 1] = char((cols[i] >> 8) & 0xFF);
        f[54 + 4 * (i + 1) + 2] = char((cols[i] >> 16) & 0xFF);
    }
    const char rows[] = {4, 3, 2, 1, 1, 2, 3, 4};  // bottom row first
    for (int i = 0; i < 8; ++i) f[at + i] = rows[i];
    return f;
}

void expectOddPicture(const QImage& img) {
    ASSERT_EQ(img.size(), QSize(4, 2));
    EXPECT_EQ(px(img, 0, 0), 0xFF0000u);
    EXPECT_EQ(px(img, 3, 0), 0x808080u);
    EXPECT_EQ(px(img, 0, 1), 0x808080u);
    EXPECT_EQ(px(img, 3, 1), 0xFF0000u);
}

TEST(LoadBmp, EightBitOddLengthsShiftThePixels) {
    // 23000 bytes: x = 522, pixels from 1-based 602, 0-based 601.
    auto l = bmpLayout(oddLengthFile(23000, 601), 23000);
    ASSERT_TRUE(l.ok());
    EXPECT_EQ(l->pixelStart, 601);
    expectOddPicture(decode(oddLengthFile(23000, 601)));
    // x = 1011 is still inside the range: 0-based 1090.
    EXPECT_EQ(bmpLayout(oddLengthFile(23489, 1090), 23489)->pixelStart, 1090);
    expectOddPicture(decode(oddLengthFile(23489, 1090)));
    // x = 1 reads from inside the colour table.
    EXPECT_EQ(bmpLayout(oddLengthFile(22479, 80), 22479)->pixelStart, 80);
}

TEST(LoadBmp, EightBitStandardLengthsReadAfterTheTable) {
    for (std::size_t length :
         {std::size_t(23478), std::size_t(23490), std::size_t(22478), std::size_t(2000)}) {
        SCOPED_TRACE(length);
        EXPECT_EQ(bmpLayout(oddLengthFile(length, 1078), std::int64_t(length))->pixelStart, 1078);
        expectOddPicture(decode(oddLengthFile(length, 1078)));
    }
}

TEST(LoadBmp, PixelStartByDepth) {
    const std::string h24 = bmpHeaders(1, 1, 24), h4 = bmpHeaders(1, 1, 4);
    EXPECT_EQ(bmpLayout(h24, 1000)->pixelStart, 54);
    EXPECT_EQ(bmpLayout(h4, 1000)->pixelStart, 118);
    EXPECT_EQ(bmpLayout(bmpHeaders(1, 1, 1), 1000)->pixelStart, 118);
    EXPECT_EQ(bmpLayout(bmpHeaders(1, 1, 16), 1000)->pixelStart, 118);
    EXPECT_EQ(bmpLayout(bmpHeaders(1, 1, 32), 1000)->pixelStart, 118);
}

struct BadCase {
    const char* name;
    std::string bytes;
};

TEST(LoadBmp, BadInputFailsCleanly) {
    std::vector<BadCase> cases = {
        {"empty", ""},
        {"shorter than headers", bmpHeaders(2, 2, 24).substr(0, 40)},
        {"huge", bmpHeaders(100000, 100000, 24) + std::string(100, '\0')},
        {"just over the cap", bmpHeaders(16385, 1, 24) + std::string(70000, '\0')},
        {"zero width", bmpHeaders(0, 5, 24) + std::string(100, '\0')},
        {"negative width", bmpHeaders(-3, 5, 24) + std::string(100, '\0')},
        {"top-down", bmpHeaders(2, -2, 24) + std::string(100, '\0')},
        {"zero height", bmpHeaders(2, 0, 24) + std::string(100, '\0')},
        {"bit count 7", bmpHeaders(2, 2, 7) + std::string(200, '\0')},
        {"run-length", bmpHeaders(2, 2, 8, 1) + std::string(1100, '\0')},
        {"bit fields", bmpHeaders(2, 2, 16, 3) + std::string(200, '\0')},
        {"palette longer than file", bmpHeaders(2, 2, 8) + std::string(500, '\0')},
        {"truncated rows", bmpHeaders(100, 100, 24) + std::string(1000, '\0')},
        {"text", std::string(2000, 'a')},
        {"png signature", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(100, '\0')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = decodeBmp(c.bytes);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error().number, err::InvalidPicture);
        EXPECT_NE(r.error().description, "");
    }
}

TEST(LoadBmp, HugeHeaderIsRejectedBeforeReading) {
    QTemporaryDir dir;
    auto path = writeFile(dir, "huge.bmp", bmpHeaders(16384, 16384, 24) + std::string(64, '\0'));
    auto r = readBmpFile(path);
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().description.find("shorter"), std::string::npos);
}

// Saves and the shelf keep pictures as PNG; reading one back keeps to the
// same limit as a game's pictures, judged from the header alone.
TEST(PngData, PicturesOverTheLimitAreRefused) {
    auto png = [](int w, int h) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes.toStdString();
    };
    EXPECT_EQ(readPngWithinLimit(png(1024, 1024)).size(), QSize(1024, 1024));  // 4 MiB: the most
    EXPECT_TRUE(readPngWithinLimit(png(1025, 1024)).isNull());
    EXPECT_TRUE(readPngWithinLimit("not a png").isNull());
    EXPECT_TRUE(readPngWithinLimit("").isNull());
}

TEST(LoadBmp, LoadSetsSizeAndRect) {
    QTemporaryDir dir;
    auto path = writeFile(
        dir, "Pic.BMP",
        makeBmp(3, 2, 24, {}, {{0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0}}));
    clsMemoryBitmap b;
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.rect(), (Rect{0, 0, 0, 0}));
    // Names are matched without regard to case, as the scripts expect.
    b.LoadBMP(dir.path().toStdString() + "/pic.bmp");
    ASSERT_TRUE(b.isLoaded());
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.Height(), 2);
    EXPECT_EQ(b.rect(), (Rect{0, 0, 3, 2}));
    EXPECT_EQ(b.hDC()->size(), QSize(3, 2));
}

TEST(LoadBmp, ReloadReplacesPictureAndKeepsTarget) {
    QTemporaryDir dir;
    auto a = writeFile(dir, "a.bmp", makeBmp(1, 1, 24, {}, {{1, 2, 3}}));
    auto c = writeFile(dir, "c.bmp", makeBmp(2, 1, 24, {}, {{4, 5, 6, 7, 8, 9}}));
    QImage target = solid(4, 4, 0);
    clsMemoryBitmap b;
    b.SetTarget(&target);
    b.LoadBMP(a);
    QImage* dc = b.hDC();
    b.CenterOn(2, 2);
    b.LoadBMP(c);
    EXPECT_EQ(b.hDC(), dc);
    EXPECT_EQ(b.target(), &target);
    EXPECT_EQ(b.rect(), (Rect{0, 0, 2, 1}));
    EXPECT_EQ(px(*b.hDC(), 1, 0), 0x090807u);
}

TEST(LoadBmp, MissingFileChangesNothingAndSaysNothing) {
    HeadlessHost host;
    host.settings().ShowErrors = true;
    std::vector<std::string> events;
    host.onEvent = [&](std::string_view e) { events.emplace_back(e); };
    HostBitmapReporter reporter(host);
    clsMemoryBitmap b({nullptr, nullptr, &reporter});
    b.setPicture(solid(2, 2, 0x112233));
    b.LoadBMP("/nonexistent/folder/none.bmp");
    EXPECT_TRUE(b.isLoaded());
    EXPECT_EQ(b.Width(), 2);
    EXPECT_TRUE(events.empty());
}

TEST(LoadBmp, FailureIsReportedWhenShowErrorsIsOn) {
    QTemporaryDir dir;
    auto path = writeFile(dir, "bad.bmp", bmpHeaders(100000, 100000, 24) + std::string(10, '\0'));
    HeadlessHost host;
    std::vector<std::string> events;
    host.onEvent = [&](std::string_view e) { events.emplace_back(e); };
    HostBitmapReporter reporter(host);
    clsMemoryBitmap b({nullptr, nullptr, &reporter});
    b.setPicture(solid(2, 2, 0x112233));

    b.LoadBMP(path);  // ShowErrors off: silent
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(b.Width(), 2);

    host.settings().ShowErrors = true;
    host.queueAnswer(MsgAnswer::No);
    b.LoadBMP(path);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0],
              "msgbox: ERROR IN INIT ROUTINE - 481 Invalid picture (size 100000 x 100000 outside "
              "1 to 16384)");
    EXPECT_EQ(events[1], "msgbox: Init Value - " + path);
    EXPECT_EQ(events[2], "msgbox: Contiune Cloning?");
    // The object keeps its old picture.
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(px(*b.hDC(), 0, 0), 0x112233u);
}
