#include "Blit.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace parvel::render {

namespace {

struct Span {
    int dstX, dstY, srcX, srcY, w, h;
};

// Trims a transfer to the parts inside both pictures; false when nothing is left.
bool clip(Span& s, const QImage& dst, const QImage& src) {
    if (dst.isNull() || src.isNull()) return false;
    auto trim = [](int& a, int& b, int& len) {
        if (a < 0) {
            b -= a;
            len += a;
            a = 0;
        }
    };
    trim(s.srcX, s.dstX, s.w);
    trim(s.dstX, s.srcX, s.w);
    trim(s.srcY, s.dstY, s.h);
    trim(s.dstY, s.srcY, s.h);
    s.w = std::min({s.w, src.width() - s.srcX, dst.width() - s.dstX});
    s.h = std::min({s.h, src.height() - s.srcY, dst.height() - s.dstY});
    return s.w > 0 && s.h > 0;
}

}  // namespace

void copyOpaque(QImage& dst, int dstX, int dstY, const QImage& src, int srcX, int srcY, int w,
                int h) {
    Span s{dstX, dstY, srcX, srcY, w, h};
    if (!clip(s, dst, src)) return;
    for (int y = 0; y < s.h; ++y) {
        auto* d = reinterpret_cast<QRgb*>(dst.scanLine(s.dstY + y)) + s.dstX;
        auto* p = reinterpret_cast<const QRgb*>(src.constScanLine(s.srcY + y)) + s.srcX;
        std::memmove(d, p, std::size_t(s.w) * sizeof(QRgb));
    }
}

namespace {

// The smallest rectangle of `src` holding every pixel that is not white;
// outside it a transparent copy writes nothing. Overlays are mostly white
// frames of the full picture size drawn several times a tick, so the box is
// remembered by picture (shallow copies share the key; any change to the
// pixels makes a new one).
struct InkBox {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // x1, y1 exclusive; empty when x0 >= x1
};

InkBox inkBox(const QImage& src) {
    thread_local std::unordered_map<qint64, InkBox> known;
    const qint64 key = src.cacheKey();
    if (auto it = known.find(key); it != known.end()) return it->second;
    InkBox b{src.width(), src.height(), 0, 0};
    for (int y = 0; y < src.height(); ++y) {
        auto* p = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            if ((p[x] & 0x00FFFFFF) == kTransparentWhite) continue;
            b.x0 = std::min(b.x0, x);
            b.x1 = std::max(b.x1, x + 1);
            b.y0 = std::min(b.y0, y);
            b.y1 = std::max(b.y1, y + 1);
        }
    }
    if (known.size() >= 4096) known.clear();
    known.emplace(key, b);
    return b;
}

}  // namespace

void transparentCopy(QImage& dst, int dstX, int dstY, const QImage& src, int srcX, int srcY, int w,
                     int h) {
    Span s{dstX, dstY, srcX, srcY, w, h};
    if (!clip(s, dst, src)) return;
    const InkBox ink = inkBox(src);
    if (ink.x0 >= ink.x1) return;  // all white
    // Trim the span to the box: the rows and columns cut off are all white.
    const int left = std::max(0, ink.x0 - s.srcX), top = std::max(0, ink.y0 - s.srcY);
    s.srcX += left;
    s.dstX += left;
    s.w = std::min(s.w - left, ink.x1 - s.srcX);
    s.srcY += top;
    s.dstY += top;
    s.h = std::min(s.h - top, ink.y1 - s.srcY);
    if (s.w <= 0 || s.h <= 0) return;
    for (int y = 0; y < s.h; ++y) {
        auto* d = reinterpret_cast<QRgb*>(dst.scanLine(s.dstY + y)) + s.dstX;
        auto* p = reinterpret_cast<const QRgb*>(src.constScanLine(s.srcY + y)) + s.srcX;
        for (int x = 0; x < s.w; ++x)
            if ((p[x] & 0x00FFFFFF) != kTransparentWhite) d[x] = p[x];
    }
}

bool AlphaDraw(QImage& dst, int dstX, int dstY, int dstW, int dstH, const QImage& src, int srcX,
               int srcY, int srcW, int srcH, int alpha) {
    if (alpha < 0 || alpha > 255) return false;
    if (dst.isNull() || src.isNull()) return false;
    if (dstW < 0 || dstH < 0 || srcW < 0 || srcH < 0) return false;
    if (srcX < 0 || srcY < 0 || srcX + srcW > src.width() || srcY + srcH > src.height())
        return false;
    if (dstW == 0 || dstH == 0 || srcW == 0 || srcH == 0) return true;
    if (alpha == 0) return true;
    const int x0 = std::max(dstX, 0), x1 = std::min(dstX + dstW, dst.width());
    const int y0 = std::max(dstY, 0), y1 = std::min(dstY + dstH, dst.height());
    const bool sameSize = srcW == dstW && srcH == dstH;
    auto blend = [alpha](QRgb sp, QRgb dp) {
        return qRgb(blendChannel(qRed(sp), qRed(dp), alpha),
                    blendChannel(qGreen(sp), qGreen(dp), alpha),
                    blendChannel(qBlue(sp), qBlue(dp), alpha));
    };
    for (int y = y0; y < y1; ++y) {
        if (sameSize) {
            auto* d = reinterpret_cast<QRgb*>(dst.scanLine(y));
            auto* p = reinterpret_cast<const QRgb*>(src.constScanLine(srcY + y - dstY));
            const int shift = srcX - dstX;
            for (int x = x0; x < x1; ++x) d[x] = blend(p[x + shift], d[x]);
            continue;
        }
        const int sy = srcY + int(std::int64_t(y - dstY) * srcH / dstH);
        auto* d = reinterpret_cast<QRgb*>(dst.scanLine(y));
        auto* p = reinterpret_cast<const QRgb*>(src.constScanLine(sy));
        for (int x = x0; x < x1; ++x) {
            d[x] = blend(p[srcX + int(std::int64_t(x - dstX) * srcW / dstW)], d[x]);
        }
    }
    return true;
}

}  // namespace parvel::render
