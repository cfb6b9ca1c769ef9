#include <QImage>

#include "GameFixture.h"
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
    EXPECT_EQ(cache.diskReads(), 3);  // broken files are tried again, never cached
}

TEST_F(PictureCacheTest, StaysWithinItsBudget) {
    PictureCache cache(3 * 200 * 112 * 4);  // room for three pictures
    clsMemoryBitmap b;
    for (int i = 0; i < 5; ++i) cache.load(b, solidBmp(std::to_string(i) + ".bmp", 0x010101u * i));
    EXPECT_LE(cache.bytes(), 3 * 200 * 112 * 4);
    EXPECT_EQ(cache.diskReads(), 5);
}
