#pragma once
// Frame composition: the shared pictures of the player and the pass that
// recomposes the queued rectangles — base picture, first layer, second
// layer — into the back buffer and from there onto the picture box.

#include <QImage>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "BitmapErrorReporter.h"
#include "DirtyRects.h"
#include "FadeState.h"
#include "Host.h"
#include "MemoryBitmap.h"

namespace parvel::render {

// The picture box of the main window, in pixels.
inline constexpr int kPictureWidth = 200;
inline constexpr int kPictureHeight = 115;

using BitmapPtr = std::shared_ptr<clsMemoryBitmap>;

// Everything the composition pass reads. The interpreter fills the
// pictures and frame numbers; an empty slot (null) is skipped when drawn.
// Not copyable or movable: every bitmap made by newBitmap() points into it.
struct RenderState {
    explicit RenderState(BitmapErrorReporter* reporter = nullptr);
    RenderState(const RenderState&) = delete;
    RenderState& operator=(const RenderState&) = delete;

    // Stands for the window's picture box: the back buffer's target. The
    // window shows this image.
    QImage Picture1;

    BitmapPtr BackBuffer;                     // composed frame, target Picture1
    BitmapPtr SceneBackground;                // base picture of plain games
    std::array<BitmapPtr, 50> AnimBitmaps;    // base picture of enciphered games
    std::array<BitmapPtr, 50> LayerBitmaps;   // first layer (animation or sprite)
    std::array<BitmapPtr, 20> Layer2Bitmaps;  // second layer

    // Current frame numbers, counted from 1.
    std::int16_t AnimFrame = 0;
    std::int16_t LayerFrame = 0;
    std::int16_t Layer2Frame = 0;
    // Layers are drawn only when this is exactly −1 (true).
    std::int16_t LayersActive = 0;
    // 0 plain game, 1 opened from its enciphered form; other values draw nothing.
    std::int16_t enciphered = 0;

    render::DirtyRects DirtyRects;
    render::FadeState FadeState;
    BitmapErrorReporter* reporter = nullptr;

    // The context every player bitmap shares: this state's dirty list,
    // fade and reporter.
    BitmapContext context() { return {&DirtyRects, &FadeState, reporter}; }
    // A fresh, empty bitmap bound to this state.
    BitmapPtr newBitmap() { return std::make_shared<clsMemoryBitmap>(context()); }
    // The back buffer's picture: the target of every other picture.
    QImage* BackBufferDC() { return BackBuffer ? BackBuffer->hDC() : nullptr; }
};

// Start-up of the picture: the start-up picture as background, the black
// frame bitmap as back buffer shown on Picture1, the whole frame queued.
// Missing files leave the pictures empty (they then draw nothing).
void LoadStartPictures(RenderState& state, const std::string& startPicturePath,
                       const std::string& backBufferPath);

// Recomposes every queued rectangle and empties DirtyRects. In plain games
// processEvents runs after each rectangle (it may re-enter Render); the pass
// works on the slots present when it began. A failing step (empty slot,
// frame 0) is skipped silently.
void Render(RenderState& state, const std::function<void()>& processEvents);
void Render(RenderState& state, Host& host);

// Writes the picture as PNG or BMP, chosen by the name's extension.
Status savePicture(const QImage& picture, const std::string& path);

}  // namespace parvel::render
