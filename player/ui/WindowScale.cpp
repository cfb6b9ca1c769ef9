#include "WindowScale.h"

#include "Enlarge.h"

#include <algorithm>
#include <cmath>

namespace parvel::ui {

int fittingZoom(QSize window, QSize available, int cap) {
    return fittingZoom(window, QSize(0, 0), available, cap);
}

int fittingZoom(QSize content, QSize chrome, QSize available, int cap) {
    int zoom = 1;
    for (int k = 2; k <= std::min(cap, kMaxZoom); ++k)
        if (10 * (k * content.width() + chrome.width()) <= 9 * available.width() &&
            10 * (k * content.height() + chrome.height()) <= 9 * available.height())
            zoom = k;
    return zoom;
}

int largestZoomInside(QSize content, QSize area) { return largestZoomInside(content, {0, 0}, area); }

int largestZoomInside(QSize content, QSize chrome, QSize area) {
    int zoom = 1;
    for (int k = 2; k <= kMaxZoom; ++k)
        if (k * content.width() + chrome.width() <= area.width() &&
            k * content.height() + chrome.height() <= area.height())
            zoom = k;
    return zoom;
}

QPoint fullScreenOrigin(QSize content, QSize screen, int bar) {
    const QSize free = screen - content;
    const int h = free.height();
    return QPoint(free.width() / 2, h < 0 ? h / 2 : std::min(h, (h + bar) / 2));
}

QImage enlarged(const QImage& image, int n) {
    if (n <= 1 || image.isNull()) return image;
    return render::enlarged(image, n);
}

QImage toDevicePixels(const QImage& image, int zoom, qreal ratio) {
    if (image.isNull()) return image;
    const qreal scale = zoom * ratio;
    QImage out;
    if (std::abs(scale - std::round(scale)) < 1e-6) {
        out = enlarged(image, static_cast<int>(std::round(scale)));
    } else {
        // A fractional ratio (1.5): uneven blocks, but each still one colour.
        out = image.scaled(static_cast<int>(std::round(image.width() * scale)),
                           static_cast<int>(std::round(image.height() * scale)),
                           Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    out.setDevicePixelRatio(ratio);
    return out;
}

QFont zoomedFont(const QFont& font, int zoom) {
    if (zoom <= 1) return font;
    QFont f = font;
    if (font.pointSizeF() > 0)
        f.setPointSizeF(font.pointSizeF() * zoom);
    else if (font.pixelSize() > 0)
        f.setPixelSize(font.pixelSize() * zoom);
    return f;
}

}  // namespace parvel::ui
