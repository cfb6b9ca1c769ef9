#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include <random>

#include "Blit.h"
#include "HeadlessHost.h"
#include "Render.h"
#include "TestBmp.h"

using namespace parvel;
using namespace parvel::render;
using namespace parvel::render::test;

namespace {

// A sprite of `w` × `h`: a coloured body with a white frame and a white hole.
QImage sprite(int w, int h, std::uint32_t seed) {
    QImage img = pattern(w, h, seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (x == 0 || y == 0 || x == w - 1 || y == h - 1 || (x == w / 2 && y == h / 2))
                img.setPixel(x, y, 0xFFFFFFFF);
    return img;
}

// A plain game's picture: back buffer 200 × 115, background, two layers.
void setUpPlain(RenderState& s, QPoint layer1, QPoint layer2) {
    s.BackBuffer = s.newBitmap();
    s.BackBuffer->setPicture(solid(200, 115, 0));
    s.BackBuffer->SetTarget(&s.Picture1);
    s.SceneBackground = s.newBitmap();
    s.SceneBackground->setPicture(pattern(200, 112, 1));
    s.SceneBackground->SetTarget(s.BackBufferDC());
    s.LayerBitmaps[0] = s.newBitmap();
    s.LayerBitmaps[0]->setPicture(sprite(30, 20, 2));
    s.LayerBitmaps[0]->SetTarget(s.BackBufferDC());
    s.LayerBitmaps[0]->CenterOn(layer1.x(), layer1.y());
    s.Layer2Bitmaps[0] = s.newBitmap();
    s.Layer2Bitmaps[0]->setPicture(sprite(17, 40, 3));
    s.Layer2Bitmaps[0]->SetTarget(s.BackBufferDC());
    s.Layer2Bitmaps[0]->CenterOn(layer2.x(), layer2.y());
    s.LayersActive = -1;
    s.DirtyRects.reset();
    AddDirty(s.DirtyRects, FullFrameRect);
}

}  // namespace

TEST(Render, FullFrameComposesThreeLayers) {
    RenderState s;
    setUpPlain(s, {50, 40}, {60, 50});
    Render(s, nullptr);
    EXPECT_EQ(s.DirtyRects.last(), 0u);
    const QImage bg = s.SceneBackground->image();
    const QImage l1 = s.LayerBitmaps[0]->image();
    const QImage l2 = s.Layer2Bitmaps[0]->image();
    const Rect r1 = s.LayerBitmaps[0]->rect(), r2 = s.Layer2Bitmaps[0]->rect();
    for (int y = 0; y < 115; ++y)
        for (int x = 0; x < 200; ++x) {
            QRgb want = y < 112 ? bg.pixel(x, y) : 0xFF000000;
            auto over = [&](const QImage& l, Rect r) {
                if (x < r.left || x > r.right || y < r.top || y > r.bottom) return;
                QRgb p = l.pixel(x - r.left, y - r.top);
                if ((p & 0xFFFFFF) != 0xFFFFFF) want = p;
            };
            over(l1, r1);
            over(l2, r2);
            ASSERT_EQ(px(s.Picture1, x, y), want & 0xFFFFFF) << x << "," << y;
        }
}

TEST(Render, DirtyRectanglesMatchAWholeFrameRecomposition) {
    // Move both layers a few times, rendering only the queued rectangles,
    // and compare with a fresh full composition at the final places. The
    // layers stay within the background's rows: below them (rows 112 to
    // 114 of the back buffer) nothing repaints, so a sprite leaves a trail
    // there, as it always did.
    std::mt19937 rng(7);
    RenderState s;
    setUpPlain(s, {50, 40}, {60, 50});
    Render(s, nullptr);
    QPoint p1{50, 40}, p2{60, 50};
    for (int step = 0; step < 40; ++step) {
        p1 = {int(rng() % 240) - 20, 20 + int(rng() % 73)};
        s.LayerBitmaps[0]->CenterOn(p1.x(), p1.y());
        if (step % 3 == 0) {
            p2 = {int(rng() % 240) - 20, 20 + int(rng() % 73)};
            s.Layer2Bitmaps[0]->CenterOn(p2.x(), p2.y());
        }
        Render(s, nullptr);

        RenderState whole;
        setUpPlain(whole, p1, p2);
        Render(whole, nullptr);
        ASSERT_EQ(s.Picture1, whole.Picture1) << "step " << step;
    }
}

TEST(Render, LayerTouchingTheRectangleOnlyAtItsEdgeIsNotRedrawn) {
    // Edges are inclusive when drawing but the overlap test is half-open: a
    // layer whose left edge is the queued rectangle's right edge shares one
    // column with it, yet is not drawn there, so the background covers that
    // column until the layer's own rectangle is queued again.
    RenderState s;
    setUpPlain(s, {150, 50}, {150, 50});
    s.Layer2Bitmaps[0] = nullptr;
    s.LayerBitmaps[0]->setPicture(pattern(30, 20, 2));  // no white edge
    s.LayerBitmaps[0]->CenterOn(150, 50);
    Render(s, nullptr);
    const Rect l = s.LayerBitmaps[0]->rect();  // (135, 40, 164, 59)
    ASSERT_EQ(l, (Rect{135, 40, 164, 59}));
    const QRgb spritePixel = px(s.Picture1, 135, 45);
    ASSERT_NE(spritePixel, px(s.SceneBackground->image(), 135, 45));
    AddDirty(s.DirtyRects, {100, 30, 135, 70});
    Render(s, nullptr);
    EXPECT_EQ(px(s.Picture1, 135, 45), px(s.SceneBackground->image(), 135, 45));
    EXPECT_EQ(px(s.Picture1, 136, 45), px(s.LayerBitmaps[0]->image(), 1, 5));
}

TEST(Render, OnlyQueuedRectanglesChange) {
    RenderState s;
    setUpPlain(s, {50, 40}, {60, 50});
    s.DirtyRects.reset();
    AddDirty(s.DirtyRects, {10, 10, 19, 14});
    AddDirty(s.DirtyRects, {100, 0, 300, 0});  // no height: fails the half-open test
    AddDirty(s.DirtyRects, {120, 0, 300, 1});  // two rows (edges inclusive)
    AddDirty(s.DirtyRects, {150, 50, 0, 90});  // right edge 0: skipped
    Render(s, nullptr);
    for (int y = 0; y < 115; ++y)
        for (int x = 0; x < 200; ++x) {
            const bool inFirst = x >= 10 && x <= 19 && y >= 10 && y <= 14;
            const bool inSecond = x >= 120 && y <= 1;
            if (inFirst || inSecond)
                EXPECT_EQ(px(s.Picture1, x, y), px(s.SceneBackground->image(), x, y));
            else
                ASSERT_EQ(px(s.Picture1, x, y), 0u) << x << "," << y;
        }
}

TEST(Render, EmptyPassDrawsNothing) {
    RenderState s;
    setUpPlain(s, {50, 40}, {60, 50});
    s.DirtyRects.reset();
    int events = 0;
    Render(s, [&] { ++events; });
    EXPECT_EQ(events, 0);
    EXPECT_EQ(s.DirtyRects.last(), 0u);
    EXPECT_EQ(s.Picture1, solid(200, 115, 0));
}

TEST(Render, LayersOnlyWhenLayersActiveIsMinusOne) {
    for (std::int16_t active : {std::int16_t(0), std::int16_t(1), std::int16_t(-2)}) {
        RenderState s;
        setUpPlain(s, {50, 40}, {60, 50});
        s.LayersActive = active;
        Render(s, nullptr);
        QImage want = solid(200, 115, 0);
        copyOpaque(want, 0, 0, s.SceneBackground->image(), 0, 0, 200, 112);
        EXPECT_EQ(s.Picture1, want) << active;
    }
}

TEST(Render, PlainGamesProcessEventsAfterEachRectangle) {
    HeadlessHost host;
    RenderState s;
    setUpPlain(s, {50, 40}, {60, 50});
    AddDirty(s.DirtyRects, {0, 0, 5, 5});
    AddDirty(s.DirtyRects, {0, 0, 0, 5});  // skipped, no events either
    int events = 0;
    host.schedule(0, [&] { ++events; });
    host.schedule(0, [&] { ++events; });
    host.schedule(0, [&] { ++events; });
    Render(s, host);
    // Each processEvents call delivers every due input: the first rectangle
    // delivers all three.
    EXPECT_EQ(events, 3);

    int calls = 0;
    AddDirty(s.DirtyRects, {0, 0, 5, 5});
    AddDirty(s.DirtyRects, {0, 0, 0, 5});
    AddDirty(s.DirtyRects, {1, 1, 5, 5});
    Render(s, [&] { ++calls; });
    EXPECT_EQ(calls, 2);
}

TEST(Render, ReentrantPassKeepsGoing) {
    RenderState s;
    setUpPlain(s, {50, 40}, {60, 50});
    AddDirty(s.DirtyRects, {0, 0, 5, 5});
    AddDirty(s.DirtyRects, {0, 0, 5, 5});
    int depth = 0, calls = 0;
    std::function<void()> pump = [&] {
        ++calls;
        if (depth++ == 0) {
            // A handler replaces a layer and renders on its own.
            s.LayerBitmaps[0] = s.newBitmap();
            Render(s, pump);
        }
        --depth;
    };
    Render(s, pump);
    EXPECT_EQ(s.DirtyRects.last(), 0u);
    // The outer pass's first rectangle, then the inner pass's three; the
    // outer pass's slots 2 and 3 are gone by then and are skipped.
    EXPECT_EQ(calls, 4);
}

namespace {

void setUpEnciphered(RenderState& s) {
    s.enciphered = 1;
    s.BackBuffer = s.newBitmap();
    s.BackBuffer->setPicture(solid(200, 115, 0));
    s.BackBuffer->SetTarget(&s.Picture1);
    for (int i = 0; i < 3; ++i) {
        s.AnimBitmaps[i] = s.newBitmap();
        s.AnimBitmaps[i]->setPicture(solid(200, 112, 0x100000u * std::uint32_t(i + 1)));
        s.AnimBitmaps[i]->SetTarget(s.BackBufferDC());
        s.LayerBitmaps[i] = s.newBitmap();
        s.LayerBitmaps[i]->setPicture(solid(10, 10, 0x001000u * std::uint32_t(i + 1)));
        s.LayerBitmaps[i]->SetTarget(s.BackBufferDC());
        s.Layer2Bitmaps[i] = s.newBitmap();
        s.Layer2Bitmaps[i]->setPicture(solid(5, 5, 0x000010u * std::uint32_t(i + 1)));
        s.Layer2Bitmaps[i]->SetTarget(s.BackBufferDC());
    }
    s.LayersActive = -1;
    s.DirtyRects.reset();
    AddDirty(s.DirtyRects, FullFrameRect);
}

}  // namespace

TEST(Render, EncipheredGamesPickSlotsByFrame) {
    RenderState s;
    setUpEnciphered(s);
    s.AnimFrame = 2;
    s.LayerFrame = 3;
    s.Layer2Frame = 1;
    int events = 0;
    Render(s, [&] { ++events; });
    EXPECT_EQ(events, 0);
    EXPECT_EQ(px(s.Picture1, 4, 4), 0x000010u);
    EXPECT_EQ(px(s.Picture1, 8, 8), 0x003000u);
    EXPECT_EQ(px(s.Picture1, 50, 50), 0x200000u);
    EXPECT_EQ(px(s.Picture1, 50, 113), 0u);
}

TEST(Render, EncipheredFrameZeroSkipsTheBaseOnly) {
    RenderState s;
    setUpEnciphered(s);
    s.BackBuffer->setPicture(solid(200, 115, 0x0A0B0C));
    s.AnimFrame = 0;
    s.LayerFrame = 1;
    s.Layer2Frame = 99;  // out of range: skipped too
    Render(s, nullptr);
    EXPECT_EQ(px(s.Picture1, 50, 50), 0x0A0B0Cu);
    EXPECT_EQ(px(s.Picture1, 4, 4), 0x001000u);
}

TEST(Render, OtherEncipheredValuesDrawNothing) {
    RenderState s;
    setUpPlain(s, {50, 40}, {60, 50});
    s.enciphered = 2;
    Render(s, nullptr);
    EXPECT_EQ(s.Picture1, solid(200, 115, 0));
    EXPECT_EQ(s.DirtyRects.last(), 0u);
}

TEST(Render, EmptySlotsAreSkipped) {
    RenderState s;  // no pictures at all
    AddDirty(s.DirtyRects, FullFrameRect);
    s.LayersActive = -1;
    Render(s, nullptr);
    s.enciphered = 1;
    s.AnimFrame = 1;
    AddDirty(s.DirtyRects, FullFrameRect);
    Render(s, nullptr);
    EXPECT_EQ(s.Picture1, solid(200, 115, 0));
}

TEST(Render, FadingBlendsBaseAndBackBuffer) {
    RenderState s;
    setUpPlain(s, {50, 40}, {60, 50});
    s.LayersActive = 0;
    s.SceneBackground->setPicture(solid(200, 112, 0xFFFFFF));
    s.FadeState.FadeSwitch = "TRUE";
    s.FadeState.FadeAlpha = "255";
    s.FadeState.FadeStepLimit = 1;
    Render(s, nullptr);
    // First draw (background → back buffer) blends at 255; the second
    // (back buffer → picture) is past the limit: alpha 0.
    EXPECT_EQ(s.FadeState.FadeStepCount, 1);
    EXPECT_EQ(px(*s.BackBufferDC(), 10, 10), 0xFFFFFFu);
    EXPECT_EQ(px(s.Picture1, 10, 10), 0u);
}

TEST(Render, StartPicturesFromFiles) {
    QTemporaryDir dir;
    std::vector<std::vector<std::uint8_t>> rows(3, std::vector<std::uint8_t>(12, 0x40));
    auto start = writeFile(dir, "tavicast.bmp", makeBmp(4, 3, 24, {}, rows));
    std::vector<std::vector<std::uint8_t>> black(115, std::vector<std::uint8_t>(600, 0));
    auto blk = writeFile(dir, "blk.bmp", makeBmp(200, 115, 24, {}, black));
    RenderState s;
    LoadStartPictures(s, start, blk);
    EXPECT_EQ(s.DirtyRects.last(), 1u);
    EXPECT_EQ(s.DirtyRects[1], FullFrameRect);
    Render(s, nullptr);
    EXPECT_EQ(px(s.Picture1, 3, 2), 0x404040u);
    EXPECT_EQ(px(s.Picture1, 4, 2), 0u);
}

TEST(SavePicture, WritesPngAndBmp) {
    QTemporaryDir dir;
    const QImage pic = pattern(200, 115, 4);
    for (const char* name : {"/p.png", "/p.BMP"}) {
        const std::string path = dir.path().toStdString() + name;
        ASSERT_TRUE(savePicture(pic, path).ok()) << name;
        QImage back(QString::fromStdString(path));
        EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), pic) << name;
    }
    EXPECT_FALSE(savePicture(pic, dir.path().toStdString() + "/p.gif").ok());
    EXPECT_FALSE(savePicture(pic, "/nonexistent/dir/p.png").ok());
    // A link in the picture's place is replaced; what it pointed to stays.
    const std::string target = dir.path().toStdString() + "/target.txt";
    const std::string link = dir.path().toStdString() + "/link.png";
    { std::ofstream(target) << "keep"; }
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    ASSERT_TRUE(savePicture(pic, link).ok());
    EXPECT_EQ(QImage(QString::fromStdString(link)).convertToFormat(QImage::Format_RGB32), pic);
    std::ifstream in(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep");
}
