#include "Enlarge.h"

#include <algorithm>

namespace parvel::render {

QImage enlarged(const QImage& image, int n) {
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    if (n <= 1 || src.isNull()) return src;
    QImage out(src.width() * n, src.height() * n, QImage::Format_RGB32);
    for (int y = 0; y < src.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y * n));
        for (int x = 0; x < src.width(); ++x) std::fill_n(row + x * n, n, in[x]);
        for (int r = 1; r < n; ++r)
            std::copy_n(row, out.width(), reinterpret_cast<QRgb*>(out.scanLine(y * n + r)));
    }
    return out;
}

}  // namespace parvel::render
