#pragma once
// clsMemoryBitmap: one picture held off-screen, drawn clipped onto a target
// picture as an opaque copy, with white transparent, or (when fading) as a
// constant-alpha blend. Every picture the player and Spotter show passes
// through it. A QImage stands in for the platform's memory device context,
// and a QImage* for a target device context.

#include <QImage>
#include <cstdint>
#include <string>

#include "BitmapErrorReporter.h"
#include "DirtyRects.h"
#include "FadeState.h"
#include "Geometry.h"
#include "Result.h"

namespace parvel::render {

// What a bitmap shares with its program. The player gives all three;
// Spotter gives no FadeState (its bitmaps never fade) and its own reporter.
struct BitmapContext {
    DirtyRects* dirty = nullptr;              // where CenterOn queues rectangles
    FadeState* fade = nullptr;                // null: no fading branch
    BitmapErrorReporter* reporter = nullptr;  // null: failures end the step silently
};

class clsMemoryBitmap {
public:
    explicit clsMemoryBitmap(BitmapContext context = {}) : m_ctx(context) {}
    ~clsMemoryBitmap() { Class_Terminate(); }
    clsMemoryBitmap(const clsMemoryBitmap&) = delete;
    clsMemoryBitmap& operator=(const clsMemoryBitmap&) = delete;

    // Loads a bitmap file (see BmpReader). A missing file changes nothing
    // and reports nothing; a bad one is reported and leaves the object as it
    // was. On success any earlier picture is released and rect becomes
    // (0, 0, width, height).
    void LoadBMP(const std::string& path);
    // What LoadBMP does once `path` has been decoded (or failed to): for
    // callers that decode once and load the result many times.
    void LoadDecoded(const Result<QImage>& decoded, const std::string& path);
    // Queues the old rect, centres the rect on (x, y) with inclusive right
    // and bottom edges (halves round to even), queues the new rect.
    void CenterOn(std::int32_t x, std::int32_t y);
    // Draws the part of the picture inside clip onto the target; transparent
    // non-zero makes white see-through.
    void DrawRect(const Rect& clip, std::int16_t transparent);
    // The picture DrawRect draws onto; not owned. Null draws nothing.
    void SetTarget(QImage* dc) { m_target = dc; }
    // Releases the picture: the object is empty again (its target stays).
    void Class_Terminate();
    // w × h pixels from (srcX, srcY) of the picture to (dstX, dstY) of the
    // target, white transparent.
    void TransBlt(std::int32_t dstX, std::int32_t dstY, std::int32_t srcX, std::int32_t srcY,
                  std::int32_t w, std::int32_t h);
    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }
    // The picture itself, for making it the target of other pictures. The
    // address stays the same for the object's life, across reloads.
    QImage* hDC() { return &m_image; }

    const QImage& image() const { return m_image; }
    bool isLoaded() const { return !m_image.isNull(); }
    const Rect& rect() const { return m_rect; }
    void setRect(const Rect& r) { m_rect = r; }
    QImage* target() const { return m_target; }
    // What the last drawing call returned: 1 done, 0 refused (shown in the
    // player's draw-failure message).
    long lastDrawResult() const { return m_lastDrawResult; }
    // Takes an already decoded picture as LoadBMP would (tests, generated pictures).
    void setPicture(QImage image);

private:
    bool drawFailed(const Error& e);

    BitmapContext m_ctx;
    QImage m_image;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    Rect m_rect;
    QImage* m_target = nullptr;
    long m_lastDrawResult = 0;
};

}  // namespace parvel::render
