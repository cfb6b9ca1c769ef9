#include <QImage>

#include "GameFixture.h"
#include "BitmapErrorReporter.h"
#include "HeadlessHost.h"
#include "PictureCache.h"

using PictureCacheTest = GameFixture;
using parvel::PictureCache;
using parvel::render::clsMemoryBitmap;

TEST_F(PictureCacheTest, ReadsAFileOnceUntilItChanges) {
    const auto path = solidBmp("a.bmp", 0x102030, 20, 10);
    PictureCache cache;
    clsMemoryBitmap first, second;
    cache.load(first, path);
    cache.load(second, path);
    EXPECT_EQ(cache.diskReads(), 1);
    EXPECT_EQ(second.Width(), 20);
    EXPECT_EQ(second.rect().bottom, 10);
    EXPECT_EQ(second.image().pixel(5, 5) & 0xFFFFFF, 0x102030u);

    // A rewritten file (other size) is read again.
    solidBmp("a.bmp", 0x405060, 30, 10);
    clsMemoryBitmap third;
    cache.load(third, path);
    EXPECT_EQ(cache.diskReads(), 2);
    EXPECT_EQ(third.image().pixel(5, 5) & 0xFFFFFF, 0x405060u);
}

TEST_F(PictureCacheTest, MissingAndBrokenFilesChangeNothingAndAreNotKept) {
    PictureCache cache;
    clsMemoryBitmap b;
    cache.load(b, (dir / "none.bmp").string());
    EXPECT_FALSE(b.isLoaded());
    cache.load(b, dir.string());  // a folder is no picture
    EXPECT_FALSE(b.isLoaded());
    const auto good = solidBmp("good.bmp", 0xABCDEF, 8, 8);
    cache.load(b, good);
    const auto broken = writeFile("broken.bmp", "BM not a picture");
    cache.load(b, broken);
    EXPECT_EQ(b.image().pixel(1, 1) & 0xFFFFFF, 0xABCDEFu);  // the old picture stays
    cache.load(b, broken);
    // A broken file is read once: a looping animation naming it must not
    // read and decode it again on every tick.
    EXPECT_EQ(cache.diskReads(), 2);
    ASSERT_TRUE(cache.decoded(broken).has_value());
    EXPECT_FALSE(cache.decoded(broken)->ok());
}

TEST_F(PictureCacheTest, OversizedPictureIsRefusedOnceAndReportedEveryTime) {
    // 1-bit, 2048 x 2048: 512 KiB on disk, 16 MiB decoded, over the limit.
    std::string bmp = parvel::testing::bmpHeader(2048, 2048, 1);
    bmp.append(2048 / 8 * 2048, '\0');
    const auto path = writeFile("huge.bmp", bmp);
    PictureCache cache;
    std::vector<std::string> events;
    parvel::HeadlessHost host;
    host.onEvent = [&](std::string_view l) { events.emplace_back(l); };
    host.settings().ShowErrors = true;
    parvel::render::HostBitmapReporter reporter(host);
    clsMemoryBitmap b({nullptr, nullptr, &reporter});
    for (int tick = 0; tick < 3; ++tick) cache.load(b, path);
    EXPECT_EQ(cache.diskReads(), 1);
    EXPECT_FALSE(b.isLoaded());
    ASSERT_EQ(events.size(), 9u);
    EXPECT_EQ(events[6],
              "msgbox: ERROR IN INIT ROUTINE - 481 Invalid picture (2048 x 2048 is larger than a "
              "picture may be (4 MiB decoded))");
}

TEST_F(PictureCacheTest, StaysWithinItsBudget) {
    PictureCache cache(3 * 200 * 112 * 4);  // room for three pictures
    clsMemoryBitmap b;
    for (int i = 0; i < 5; ++i) cache.load(b, solidBmp(std::to_string(i) + ".bmp", 0x010101u * i));
    EXPECT_LE(cache.bytes(), 3 * 200 * 112 * 4);
    EXPECT_EQ(cache.diskReads(), 5);
}
