#include "SceneView.h"

#include "Enlarge.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace spotter {

SceneView::SceneView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName("Scene picture");
    setAccessibleDescription(
        "The background with the sprite. Left and Right walk the sprite as the player does, Ctrl "
        "takes a hot spot, Home puts the sprite back on @X. Drag a hot spot's line or the sprite "
        "to move it.");
}

void SceneView::setPicture(const QImage& picture) {
    m_picture = picture;
    m_scaled = parvel::render::enlarged(m_picture, m_zoom);
    updateGeometry();
    update();
}

void SceneView::setZoom(int zoom) {
    zoom = std::clamp(zoom, 1, 4);
    if (zoom == m_zoom) return;
    m_zoom = zoom;
    m_scaled = parvel::render::enlarged(m_picture, m_zoom);
    updateGeometry();
    resize(sizeHint());
    update();
}

void SceneView::setWalk(std::array<std::vector<double>, 3> places, std::vector<Spot> spots) {
    m_places = std::move(places);
    m_spots = std::move(spots);
    update();
}

QSize SceneView::sizeHint() const {
    return {std::max(m_picture.width(), 1) * m_zoom, std::max(m_picture.height(), 1) * m_zoom + kRulerHeight};
}

int SceneView::spotAt(QPointF p) const {
    const int pictureBottom = m_picture.height() * m_zoom;
    int best = -1;
    double bestDistance = 0;
    for (size_t i = 0; i < m_spots.size(); ++i) {
        const double d = std::abs(p.x() - lineX(m_spots[i].x));
        // On the picture the line itself (3 px either side); on the ruler
        // anywhere within the Ctrl window.
        const double reach = p.y() < pictureBottom ? 3 : std::max(3, 5 * m_zoom + m_zoom / 2);
        if (d <= reach && (best < 0 || d < bestDistance)) {
            best = static_cast<int>(i);
            bestDistance = d;
        }
    }
    return best;
}

void SceneView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(48, 48, 48));
    p.drawImage(0, 0, m_scaled);
    const int bottom = m_scaled.height();
    const int width = m_scaled.width();

    // Hot-spot lines over the picture.
    for (const Spot& s : m_spots) {
        const QRgb c = s.selected ? kSelectedColour : s.warned ? kWarnedColour : kSpotColour;
        p.fillRect(QRect(lineX(s.x), 0, 1, bottom), QColor::fromRgb(c));
    }

    // The ruler: Ctrl windows with the spots' labels, then one row of
    // standing places per speed.
    p.fillRect(QRect(0, bottom, std::max(width, this->width()), kRulerHeight), QColor(24, 24, 24));
    QFont f = font();
    f.setPixelSize(9);
    p.setFont(f);
    for (const Spot& s : m_spots) {
        const QRgb c = s.selected ? kSelectedColour : s.warned ? kWarnedColour : kSpotColour;
        // A label that would run into the next line drops its target, then
        // all but the number.
        int room = 1 << 20;
        for (const Spot& o : m_spots)
            if (o.x > s.x) room = std::min(room, lineX(o.x) - lineX(s.x) - 3);
        QString label = s.label;
        if (p.fontMetrics().horizontalAdvance(label) > room) label = s.label.section(QChar(0x2192), 0, 0).trimmed();
        if (p.fontMetrics().horizontalAdvance(label) > room) label = s.label.section(' ', 0, 0);
        const QRect window((s.x - 5) * m_zoom, bottom + 1, 11 * m_zoom, 11);
        QColor fill = QColor::fromRgb(c);
        fill.setAlpha(s.ctrlWindow ? 110 : 40);
        p.fillRect(window, fill);
        p.fillRect(QRect(lineX(s.x), bottom, 1, 12), QColor::fromRgb(c));
        p.setPen(QColor(255, 255, 255));
        p.drawText(QRect(lineX(s.x) + 2, bottom + 1, 80, 11), Qt::AlignLeft | Qt::AlignVCenter, label);
    }
    for (size_t k = 0; k < m_places.size(); ++k) {
        const int top = bottom + 14 + static_cast<int>(k) * 7;
        for (double x : m_places[k]) {
            const int px = static_cast<int>(std::lround(x)) * m_zoom + m_zoom / 2;
            if (px < 0 || px >= width) continue;
            p.fillRect(QRect(px, top, 1, 5), QColor::fromRgb(kSpeedColours[k]));
        }
    }
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawRect(QRect(0, bottom, std::max(width, this->width()) - 1, kRulerHeight - 1));
    }
}

void SceneView::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    if (onMousePress) onMousePress(e);
}

void SceneView::mouseMoveEvent(QMouseEvent* e) {
    if (onMouseMove) onMouseMove(e);
}

void SceneView::mouseReleaseEvent(QMouseEvent* e) {
    if (onMouseRelease) onMouseRelease(e);
}

void SceneView::keyPressEvent(QKeyEvent* e) {
    if (onKeyPress) onKeyPress(e);
    if (!e->isAccepted()) QWidget::keyPressEvent(e);
}

void SceneView::keyReleaseEvent(QKeyEvent* e) {
    if (onKeyRelease) onKeyRelease(e);
    if (!e->isAccepted()) QWidget::keyReleaseEvent(e);
}

}  // namespace spotter
