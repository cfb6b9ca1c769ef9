#include <gtest/gtest.h>

#include "Blit.h"
#include "HeadlessHost.h"
#include "MemoryBitmap.h"
#include "TestBmp.h"

using namespace parvel;
using namespace parvel::render;
using namespace parvel::render::test;

TEST(IntersectRect, IsHalfOpen) {
    EXPECT_EQ(IntersectRect({0, 0, 10, 10}, {5, 5, 20, 20}), (Rect{5, 5, 10, 10}));
    EXPECT_FALSE(IntersectRect({0, 0, 10, 10}, {10, 0, 20, 10}));
    EXPECT_FALSE(IntersectRect({0, 0, 10, 10}, {0, 10, 10, 20}));
    EXPECT_FALSE(IntersectRect({0, 0, 0, 0}, {0, 0, 280, 500}));
    EXPECT_TRUE(IntersectRect({9, 9, 10, 10}, {0, 0, 10, 10}));
}

TEST(CenterOn, RoundsHalvesToEvenAndQueuesBothRects) {
    DirtyRects dirty;
    clsMemoryBitmap b({&dirty, nullptr, nullptr});
    b.setPicture(solid(25, 25, 0));
    b.CenterOn(100, 50);
    EXPECT_EQ(b.rect(), (Rect{88, 38, 112, 62}));
    ASSERT_EQ(dirty.last(), 2u);
    EXPECT_EQ(dirty[1], (Rect{0, 0, 25, 25}));
    EXPECT_EQ(dirty[2], (Rect{88, 38, 112, 62}));
    // 101 − 12.5 = 88.5 also gives 88.
    b.CenterOn(101, 51);
    EXPECT_EQ(b.rect(), (Rect{88, 38, 112, 62}));
    b.CenterOn(102, 52);  // 89.5 → 90
    EXPECT_EQ(b.rect(), (Rect{90, 40, 114, 64}));
    EXPECT_EQ(dirty.last(), 6u);
}

TEST(CenterOn, EmptyPictureGivesEmptyRect) {
    DirtyRects dirty;
    clsMemoryBitmap b({&dirty, nullptr, nullptr});
    b.CenterOn(10, 20);
    EXPECT_EQ(b.rect(), (Rect{10, 20, 9, 19}));
    QImage target = solid(30, 30, 0x445566);
    b.SetTarget(&target);
    b.DrawRect(FullFrameRect, 0);
    b.DrawRect(FullFrameRect, -1);
    EXPECT_EQ(target, solid(30, 30, 0x445566));
}

// Reference for a draw of a picture at an inclusive rect onto a target,
// clipped to the inclusive clip once the half-open test has passed: every pixel inside both
// rectangles, the picture and the target takes the picture's pixel (unless white and transparent).
QImage expectedDraw(QImage target, const QImage& pic, Rect r, Rect clip, bool transparent) {
    // Rectangles that only touch fail the half-open test: nothing is drawn.
    if (!IntersectRect(r, clip)) return target;
    for (int y = 0; y < target.height(); ++y)
        for (int x = 0; x < target.width(); ++x) {
            if (x < r.left || x > r.right || y < r.top || y > r.bottom) continue;
            if (x < clip.left || x > clip.right || y < clip.top || y > clip.bottom) continue;
            const int sx = x - r.left, sy = y - r.top;
            if (sx >= pic.width() || sy >= pic.height()) continue;
            const QRgb p = pic.pixel(sx, sy);
            if (transparent && (p & 0xFFFFFF) == 0xFFFFFF) continue;
            target.setPixel(x, y, p);
        }
    return target;
}

TEST(DrawRect, ClipsAtEveryEdge) {
    const QImage pic = pattern(6, 5, 3);
    struct Case {
        int cx, cy;
    } cases[] = {{0, 0}, {1, 8}, {19, 2}, {9, 14}, {19, 14}, {-2, -2}, {22, 17}, {10, 7}};
    for (auto c : cases) {
        for (std::int16_t transparent : {std::int16_t(0), std::int16_t(-1)}) {
            SCOPED_TRACE(testing::Message() << c.cx << "," << c.cy << " t=" << transparent);
            QImage target = pattern(20, 15, 9);
            DirtyRects dirty;
            clsMemoryBitmap b({&dirty, nullptr, nullptr});
            b.setPicture(pic);
            b.SetTarget(&target);
            b.CenterOn(c.cx, c.cy);
            QImage want = expectedDraw(target, pic, b.rect(), FullFrameRect, transparent);
            b.DrawRect(FullFrameRect, transparent);
            EXPECT_EQ(target, want);
        }
    }
}

TEST(DrawRect, ClipRectangleIsInclusiveAfterTheHalfOpenTest) {
    QImage target = solid(10, 10, 0);
    clsMemoryBitmap b;
    b.setPicture(solid(10, 10, 0xFF0000));
    b.SetTarget(&target);
    b.DrawRect({2, 3, 5, 6}, 0);
    int drawn = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            if (px(target, x, y) == 0xFF0000u) {
                ++drawn;
                EXPECT_TRUE(x >= 2 && x <= 5 && y >= 3 && y <= 6) << x << "," << y;
            }
    EXPECT_EQ(drawn, 16);
}

TEST(DrawRect, ClipTouchingOnlyTheRightEdgeDrawsNothing) {
    QImage target = solid(20, 10, 0);
    clsMemoryBitmap b;
    b.setPicture(solid(10, 10, 0xFF0000));
    b.SetTarget(&target);
    b.DrawRect({10, 0, 20, 10}, 0);  // clip.left = rect.right
    EXPECT_EQ(target, solid(20, 10, 0));
}

TEST(DrawRect, WithoutTargetDrawsNothing) {
    clsMemoryBitmap b;
    b.setPicture(solid(3, 3, 0xFF0000));
    b.DrawRect(FullFrameRect, 0);
    b.DrawRect(FullFrameRect, -1);
    EXPECT_EQ(b.lastDrawResult(), 0);
}

TEST(TransBlt, WhiteIsSeeThroughAndEverythingElseIsOpaque) {
    // The mask sequence (mask = white; invert; target OR mask; AND picture)
    // leaves the target under pure white and the picture everywhere else,
    // near-white and black included.
    QImage pic(6, 1, QImage::Format_RGB32);
    const QRgb cols[] = {0xFFFFFFFF, 0xFFFEFFFF, 0xFFFFFFFE, 0xFF000000, 0xFF3366CC, 0xFFFFFF00};
    for (int i = 0; i < 6; ++i) pic.setPixel(i, 0, cols[i]);
    QImage target = solid(6, 1, 0x20A040);
    clsMemoryBitmap b;
    b.setPicture(pic);
    b.SetTarget(&target);
    b.TransBlt(0, 0, 0, 0, 6, 1);
    EXPECT_EQ(px(target, 0, 0), 0x20A040u);
    EXPECT_EQ(px(target, 1, 0), 0xFEFFFFu);
    EXPECT_EQ(px(target, 2, 0), 0xFFFFFEu);
    EXPECT_EQ(px(target, 3, 0), 0x000000u);
    EXPECT_EQ(px(target, 4, 0), 0x3366CCu);
    EXPECT_EQ(px(target, 5, 0), 0xFFFF00u);
}

TEST(TransBlt, AllWhitePictureChangesNothing) {
    QImage target = pattern(8, 8, 1);
    const QImage before = target;
    clsMemoryBitmap b;
    b.setPicture(solid(8, 8, 0xFFFFFF));
    b.SetTarget(&target);
    b.DrawRect(FullFrameRect, -1);
    EXPECT_EQ(target, before);
}

TEST(TransBlt, SourceOffsetAndClipping) {
    QImage pic = pattern(4, 4, 5);
    QImage target = solid(5, 5, 0x010203);
    clsMemoryBitmap b;
    b.setPicture(pic);
    b.SetTarget(&target);
    b.TransBlt(3, -1, 1, 1, 3, 3);  // 2 columns fit, top row is cut
    EXPECT_EQ(px(target, 3, 0), px(pic, 1, 2));
    EXPECT_EQ(px(target, 4, 1), px(pic, 2, 3));
    EXPECT_EQ(px(target, 2, 0), 0x010203u);
    EXPECT_EQ(px(target, 3, 2), 0x010203u);
}

TEST(AlphaDraw, BlendValues) {
    struct Case {
        int alpha;
        std::uint32_t want;
    } cases[] = {
        {0, 0x0032FF},    // destination unchanged
        {1, 0x0132FE},    // (200+127)/255=1, (100+12700+127)/255=50, 64897/255=254
        {128, 0x644B7F},  // 100, 75, 127
        {254, 0xC76401},  // 199, 100, 1
        {255, 0xC86400},  // the source outright
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.alpha);
        QImage dst = solid(3, 2, 0x0032FF);
        const QImage src = solid(3, 2, 0xC86400);
        EXPECT_TRUE(AlphaDraw(dst, 0, 0, 3, 2, src, 0, 0, 3, 2, c.alpha));
        EXPECT_EQ(dst, solid(3, 2, c.want));
    }
    EXPECT_EQ(blendChannel(255, 0, 128), 128);
    EXPECT_EQ(blendChannel(0, 255, 128), 127);
}

TEST(AlphaDraw, RefusesSourceOutsideThePictureAndBadAlpha) {
    QImage dst = solid(4, 4, 0x000000);
    const QImage src = solid(3, 3, 0xFFFFFF);
    EXPECT_FALSE(AlphaDraw(dst, 0, 0, 4, 4, src, 0, 0, 4, 4, 255));
    EXPECT_FALSE(AlphaDraw(dst, 0, 0, 3, 3, src, 0, 0, 3, 3, 256));
    EXPECT_FALSE(AlphaDraw(dst, 0, 0, 3, 3, src, 0, 0, 3, 3, -1));
    EXPECT_EQ(dst, solid(4, 4, 0));
    // The destination is clipped to the target.
    EXPECT_TRUE(AlphaDraw(dst, 2, 2, 3, 3, src, 0, 0, 3, 3, 255));
    EXPECT_EQ(px(dst, 3, 3), 0xFFFFFFu);
    EXPECT_EQ(px(dst, 1, 1), 0u);
}

TEST(AlphaDraw, StretchesByNearestPixel) {
    QImage src(2, 1, QImage::Format_RGB32);
    src.setPixel(0, 0, 0xFFFF0000);
    src.setPixel(1, 0, 0xFF0000FF);
    QImage dst = solid(4, 2, 0);
    EXPECT_TRUE(AlphaDraw(dst, 0, 0, 4, 2, src, 0, 0, 2, 1, 255));
    EXPECT_EQ(px(dst, 1, 1), 0xFF0000u);
    EXPECT_EQ(px(dst, 2, 0), 0x0000FFu);
}

namespace {

struct FadeRig {
    DirtyRects dirty;
    FadeState fade;
    HeadlessHost host;
    HostBitmapReporter reporter{host};
    std::vector<std::string> events;
    QImage target = solid(210, 120, 0x000000);
    clsMemoryBitmap pic{{&dirty, &fade, &reporter}};

    FadeRig() {
        host.onEvent = [this](std::string_view e) { events.emplace_back(e); };
        pic.setPicture(solid(200, 112, 0xFFFFFF));
        pic.SetTarget(&target);
        fade.FadeSwitch = "TRUE";
        fade.FadeAlpha = "128";
    }
};

}  // namespace

TEST(Fade, StepLimitThree) {
    FadeRig r;
    r.fade.FadeStepLimit = 3;
    const std::uint32_t after[] = {0x808080, 0xC0C0C0, 0xE0E0E0, 0xE0E0E0, 0xE0E0E0};
    // 0 → 128 → (255·128 + 128·127 + 127)/255 = 192 → 224; then alpha 0.
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        r.pic.DrawRect(FullFrameRect, 0);
        EXPECT_EQ(r.fade.FadeStepCount, std::min(i + 1, 3));
        EXPECT_EQ(px(r.target, 0, 0), after[i]);
    }
}

TEST(Fade, LimitMinusOneNeverChangesTheTarget) {
    FadeRig r;
    r.fade.FadeStepLimit = -1;
    r.pic.DrawRect(FullFrameRect, 0);
    EXPECT_EQ(r.fade.FadeStepCount, -1);
    r.pic.DrawRect(FullFrameRect, 0);
    EXPECT_EQ(r.fade.FadeStepCount, -1);
    EXPECT_EQ(r.target, solid(210, 120, 0));
}

TEST(Fade, TenStepsAreFivePassesOfTwoDraws) {
    FadeRig r;
    r.fade.FadeStepLimit = 10;
    r.fade.FadeAlpha = "50";
    QImage last;
    for (int pass = 1; pass <= 7; ++pass) {
        const QImage before = r.target;
        r.pic.DrawRect(FullFrameRect, 0);
        r.pic.DrawRect(FullFrameRect, 0);
        if (pass <= 5) {
            EXPECT_NE(r.target, before) << pass;
        }
        if (pass == 5) last = r.target;
        if (pass > 5) {
            EXPECT_EQ(r.target, last);
        }
    }
    EXPECT_EQ(r.fade.FadeStepCount, 10);
}

TEST(Fade, CoversExactlyTheFixedAreaWhateverTheClip) {
    FadeRig r;
    r.fade.FadeStepLimit = 5;
    r.fade.FadeAlpha = "255";
    r.pic.DrawRect({150, 100, 151, 101}, 0);
    EXPECT_EQ(px(r.target, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(px(r.target, 199, 111), 0xFFFFFFu);
    EXPECT_EQ(px(r.target, 200, 0), 0u);
    EXPECT_EQ(px(r.target, 0, 112), 0u);
    // A clip that misses the picture draws nothing and counts nothing.
    r.pic.DrawRect({250, 0, 260, 5}, 0);
    EXPECT_EQ(r.fade.FadeStepCount, 1);
}

TEST(Fade, SwitchIsOffOnlyForExactFalse) {
    for (const char* sw : {"false", "TRUE", "False", "x"}) {
        FadeRig r;
        r.fade.FadeSwitch = sw;
        r.fade.FadeStepLimit = -1;
        r.pic.DrawRect(FullFrameRect, 0);
        EXPECT_EQ(px(r.target, 0, 0), 0u) << sw;  // fading, with alpha 0
    }
    FadeRig r;
    r.fade.FadeSwitch = "FALSE";
    r.pic.DrawRect(FullFrameRect, 0);
    EXPECT_EQ(px(r.target, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(px(r.target, 199, 111), 0xFFFFFFu);
    // The loaded rect (0, 0, 200, 112) asks for one more column and row,
    // which lie outside the picture and are not drawn.
    EXPECT_EQ(px(r.target, 200, 112), 0u);
    EXPECT_EQ(r.fade.FadeStepCount, 0);
}

TEST(Fade, TransparentDrawsNeverFade) {
    FadeRig r;
    r.fade.FadeStepLimit = -1;
    r.pic.setPicture(solid(200, 112, 0x102030));
    r.pic.DrawRect(FullFrameRect, -1);
    EXPECT_EQ(px(r.target, 5, 5), 0x102030u);
    EXPECT_EQ(r.fade.FadeStepCount, 0);
}

TEST(Fade, SmallPictureIsRefusedByTheBlend) {
    FadeRig r;
    r.fade.FadeStepLimit = 5;
    r.pic.setPicture(solid(100, 50, 0xFFFFFF));
    r.pic.DrawRect(FullFrameRect, 0);
    EXPECT_EQ(r.fade.FadeStepCount, 1);
    EXPECT_EQ(r.target, solid(210, 120, 0));
    EXPECT_EQ(r.pic.lastDrawResult(), 0);
}

TEST(Fade, AlphaThatIsNotANumberIsADrawFailure) {
    FadeRig r;
    r.fade.FadeStepLimit = 5;
    r.fade.FadeAlpha = "half";
    r.pic.DrawRect(FullFrameRect, 0);  // ShowErrors off: silent, draw ends
    EXPECT_TRUE(r.events.empty());
    EXPECT_EQ(r.fade.FadeStepCount, 1);

    r.host.settings().ShowErrors = true;
    r.host.queueAnswer(MsgAnswer::Yes);
    r.pic.DrawRect(FullFrameRect, 0);
    ASSERT_EQ(r.events.size(), 3u);
    EXPECT_EQ(r.events[0], "msgbox: ERROR IN DRAW ROUTINE - 13 Type mismatch");
    EXPECT_EQ(r.events[1], "msgbox: Draw Value - 0");
    EXPECT_EQ(r.events[2], "msgbox: Contiune Cloning?");
    // Yes went on with alpha 0: a blend that changes nothing.
    EXPECT_EQ(r.fade.FadeStepCount, 2);
    EXPECT_EQ(r.target, solid(210, 120, 0));
    EXPECT_EQ(r.pic.lastDrawResult(), 1);
}
