#pragma once
// Pixel operations between pictures, in place of the platform's block
// transfers. Every operation clips against both pictures: pixels that would
// come from outside the source or land outside the target are not drawn.

#include <QImage>
#include <cstdint>

namespace parvel::render {

// The transparent colour of every transparently drawn picture.
inline constexpr QRgb kTransparentWhite = 0x00FFFFFF;

// Plain copy of w × h pixels from (srcX, srcY) of src to (dstX, dstY) of dst.
void copyOpaque(QImage& dst, int dstX, int dstY, const QImage& src, int srcX, int srcY, int w,
                int h);

// Copy with white transparent. The platform did this with a monochrome mask:
// mask = (src == white), inverted; work = target OR mask-as-colour (opaque
// places white, others the target); work = work AND src; target = work.
// Per pixel that is: src pixel exactly white → target kept, any other colour
// (near-white included) → src pixel. That result is computed directly.
void transparentCopy(QImage& dst, int dstX, int dstY, const QImage& src, int srcX, int srcY, int w,
                     int h);

// One channel of the constant-alpha blend: (s·a + d·(255−a) + 127) / 255.
constexpr int blendChannel(int s, int d, int a) { return (s * a + d * (255 - a) + 127) / 255; }

// Blends the source rectangle over the destination rectangle with a constant
// alpha (0…255), stretching by nearest pixel when the sizes differ. Like the
// platform blend it refuses (returns false, target unchanged) a source
// rectangle that is not wholly inside the source, a negative size, or an
// alpha outside 0…255; the destination is clipped to the target.
bool AlphaDraw(QImage& dst, int dstX, int dstY, int dstW, int dstH, const QImage& src, int srcX,
               int srcY, int srcW, int srcH, int alpha);

}  // namespace parvel::render
