#include "Render.h"

#include <QBuffer>
#include <QString>

#include "AtomicFile.h"
#include "Vb.h"

namespace parvel::render {

RenderState::RenderState(BitmapErrorReporter* r)
    : Picture1(kPictureWidth, kPictureHeight, QImage::Format_RGB32), reporter(r) {
    Picture1.fill(0xFF000000);
}

void LoadStartPictures(RenderState& state, const std::string& startPicturePath,
                       const std::string& backBufferPath) {
    state.SceneBackground = state.newBitmap();
    state.SceneBackground->LoadBMP(startPicturePath);
    state.BackBuffer = state.newBitmap();
    state.BackBuffer->LoadBMP(backBufferPath);
    if (!state.BackBuffer->isLoaded()) {
        // Without its frame picture nothing would ever reach the screen; a
        // black frame of the picture's size does the same work.
        QImage black(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
        black.fill(Qt::black);
        state.BackBuffer->setPicture(black);
    }
    state.BackBuffer->SetTarget(&state.Picture1);
    state.SceneBackground->SetTarget(state.BackBufferDC());
    state.DirtyRects.reset();
    AddDirty(state.DirtyRects, FullFrameRect);
}

namespace {

constexpr std::int16_t kOpaque = 0;
constexpr std::int16_t kTransparent = -1;

// Draws a picture if the slot holds one. The local copy keeps the bitmap
// alive even if a handler replaces the slot while it draws.
void draw(const BitmapPtr& slot, const Rect& r, std::int16_t transparent) {
    if (BitmapPtr b = slot) b->DrawRect(r, transparent);
}

// Slot `frame − 1`, or nothing when that is outside the array (frame 0 and
// out-of-range frames fail and are skipped).
template <std::size_t N>
BitmapPtr frameSlot(const std::array<BitmapPtr, N>& frames, std::int16_t frame) {
    const int i = frame - 1;
    if (i < 0 || i >= int(N)) return nullptr;
    return frames[std::size_t(i)];
}

}  // namespace

void Render(RenderState& s, const std::function<void()>& processEvents) {
    const std::size_t last = s.DirtyRects.last();
    for (std::size_t i = 1; i <= last; ++i) {
        // A handler run between rectangles may have emptied or refilled the
        // list; a slot that no longer exists is skipped.
        if (i >= s.DirtyRects.size()) continue;
        const Rect r = s.DirtyRects[i];
        if (r.right == 0) continue;
        const bool layers = s.LayersActive == -1;
        if (s.enciphered == 0) {
            draw(s.SceneBackground, r, kOpaque);
            if (layers) draw(s.LayerBitmaps[0], r, kTransparent);
            if (layers) draw(s.Layer2Bitmaps[0], r, kTransparent);
            draw(s.BackBuffer, r, kOpaque);
            if (processEvents) processEvents();
        } else if (s.enciphered == 1) {
            draw(frameSlot(s.AnimBitmaps, s.AnimFrame), r, kOpaque);
            if (layers) draw(frameSlot(s.LayerBitmaps, s.LayerFrame), r, kTransparent);
            if (layers) draw(frameSlot(s.Layer2Bitmaps, s.Layer2Frame), r, kTransparent);
            draw(s.BackBuffer, r, kOpaque);
        }
    }
    s.DirtyRects.reset();
}

void Render(RenderState& state, Host& host) {
    Render(state, [&host] { host.processEvents(); });
}

Status savePicture(const QImage& picture, const std::string& path) {
    const std::string ext = vb::LCase(path.size() >= 4 ? path.substr(path.size() - 4) : path);
    const char* format = ext == ".png" ? "PNG" : ext == ".bmp" ? "BMP" : nullptr;
    if (!format) return Error{err::BadFileName, "Bad file name or number (use .png or .bmp)"};
    // Encoded in memory, then written whole: a link at `path` is replaced,
    // never written through, and a failed write leaves the old file.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (picture.isNull() || !picture.save(&buffer, format) ||
        !writeFileAtomically(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))))
        return Error{err::PathNotFound, "Path not found (cannot write " + path + ")"};
    return Ok{};
}

}  // namespace parvel::render
