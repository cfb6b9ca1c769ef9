#pragma once
// Playing at any size: the window scales by a whole factor, pictures as
// exact blocks of pixels, labels at the factor's geometry and font size with
// the line breaks they have at the designed size.

#include <QFont>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QStringList>

#include "LabelText.h"

namespace parvel::ui {

inline constexpr int kMinZoom = 1;
inline constexpr int kMaxZoom = 4;
// The largest factor a first start picks by itself.
inline constexpr int kMaxAutoZoom = 3;

// The largest zoom up to `cap` at which `window` (its size at 1x) fits within
// 90 % of `available`; 1 when even that does not.
int fittingZoom(QSize window, QSize available, int cap = kMaxAutoZoom);
// The same for a window whose client area is `content` at 1x and whose menu
// bar and frame add `chrome` at every zoom: the real outer size is judged.
int fittingZoom(QSize content, QSize chrome, QSize available, int cap = kMaxAutoZoom);
// The largest zoom (at least 1, at most kMaxZoom) at which `content` fits
// inside `area` (full screen).
int largestZoomInside(QSize content, QSize area);
// The same with `chrome` added at every zoom (a framed window on the
// available geometry).
int largestZoomInside(QSize content, QSize chrome, QSize area);

// Where `content` goes on a full `screen` whose menu bar, `bar` high, comes
// out over the top: centred below a strip as high as the bar, so the bar
// covers only black; where the strip cannot be spared, as low as it goes.
QPoint fullScreenOrigin(QSize content, QSize screen, int bar);

// `image` with every pixel an n x n block (n >= 1).
QImage enlarged(const QImage& image, int n);
// `image` drawn `zoom` times its size on a device with `ratio` device pixels
// per logical pixel: each source pixel becomes whole device pixels, never a
// smoothed blend. The result carries `ratio`, to be drawn at logical (0, 0).
QImage toDevicePixels(const QImage& image, int zoom, qreal ratio);

using render::wrappedLines;

// `font` at `zoom` times its size.
QFont zoomedFont(const QFont& font, int zoom);

}  // namespace parvel::ui
