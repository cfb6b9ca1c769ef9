// Composition pass of the player's picture: a full frame of three layers at
// 200 × 115, and a partial pass of ten small rectangles. Target: a full
// frame within 0.2 ms on one core.

#include <benchmark/benchmark.h>

#include "Render.h"

using namespace parvel::render;

namespace {

QImage pattern(int w, int h, unsigned seed, bool whiteHoles) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool hole = whiteHoles && (x + y) % 5 == 0;
            img.setPixel(
                x, y,
                hole ? 0xFFFFFFFF
                     : 0xFF000000 |
                           ((seed * 2654435761u + unsigned(x * 7919 + y * 104729)) & 0x7F7F7F));
        }
    return img;
}

void setUp(RenderState& s) {
    s.BackBuffer = s.newBitmap();
    s.BackBuffer->setPicture(pattern(200, 115, 0, false));
    s.BackBuffer->SetTarget(&s.Picture1);
    s.SceneBackground = s.newBitmap();
    s.SceneBackground->setPicture(pattern(200, 112, 1, false));
    s.SceneBackground->SetTarget(s.BackBufferDC());
    // Full-size layers with transparent holes: the worst case per pixel.
    s.LayerBitmaps[0] = s.newBitmap();
    s.LayerBitmaps[0]->setPicture(pattern(200, 112, 2, true));
    s.LayerBitmaps[0]->SetTarget(s.BackBufferDC());
    s.Layer2Bitmaps[0] = s.newBitmap();
    s.Layer2Bitmaps[0]->setPicture(pattern(200, 112, 3, true));
    s.Layer2Bitmaps[0]->SetTarget(s.BackBufferDC());
    s.LayersActive = -1;
}

void BM_RenderFullFrame(benchmark::State& state) {
    RenderState s;
    setUp(s);
    for (auto _ : state) {
        AddDirty(s.DirtyRects, FullFrameRect);
        Render(s, nullptr);
        benchmark::DoNotOptimize(s.Picture1.constBits());
    }
}
BENCHMARK(BM_RenderFullFrame)->Unit(benchmark::kMicrosecond);

void BM_RenderTenRectangles(benchmark::State& state) {
    RenderState s;
    setUp(s);
    for (auto _ : state) {
        for (int i = 0; i < 10; ++i) {
            const int x = (i * 37) % 170, y = (i * 23) % 90;
            AddDirty(s.DirtyRects, {x, y, x + 24, y + 19});  // a 25 × 20 sprite place
        }
        Render(s, nullptr);
        benchmark::DoNotOptimize(s.Picture1.constBits());
    }
}
BENCHMARK(BM_RenderTenRectangles)->Unit(benchmark::kMicrosecond);

void BM_FadingFullFrame(benchmark::State& state) {
    RenderState s;
    setUp(s);
    s.FadeState.FadeSwitch = "TRUE";
    s.FadeState.FadeAlpha = "50";
    s.FadeState.FadeStepLimit = 32000;
    for (auto _ : state) {
        s.FadeState.FadeStepCount = 0;
        AddDirty(s.DirtyRects, FullFrameRect);
        Render(s, nullptr);
        benchmark::DoNotOptimize(s.Picture1.constBits());
    }
}
BENCHMARK(BM_FadingFullFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
