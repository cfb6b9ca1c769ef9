#pragma once
// The whole scene picture at a whole zoom factor (each picture pixel an
// exact block), with the walk drawn on it: hot spots as vertical lines, and
// below the picture a ruler with each hot spot's Ctrl window and the places
// the walker can stand on at each sprite speed.

#include <QImage>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace spotter {

class SceneView : public QWidget {
public:
    explicit SceneView(QWidget* parent = nullptr);

    struct Spot {
        int x = 0;
        QString label;         // "1 L Ctrl →Cellar"
        bool ctrlWindow = false;  // Ctrl takes it within ±5 px
        bool warned = false;
        bool selected = false;
    };

    // The background with the sprite on it, at 1×.
    void setPicture(const QImage& picture);
    void setZoom(int zoom);
    int zoom() const { return m_zoom; }
    // Standing places for the speeds normal, +2 and +5.
    void setWalk(std::array<std::vector<double>, 3> places, std::vector<Spot> spots);

    // Picture pixels per widget pixel: (x, y) of the picture at this point.
    QPointF toPicture(QPointF widgetPoint) const { return widgetPoint / m_zoom; }
    // The hot spot (index into the spots given) whose line or Ctrl window is at `p`; -1: none.
    int spotAt(QPointF widgetPoint) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Colours of the walk drawing (for tests and the legend).
    static constexpr QRgb kSpotColour = 0xFFFF00FF;
    static constexpr QRgb kSelectedColour = 0xFFFFFF00;
    static constexpr QRgb kWarnedColour = 0xFFFF3030;
    static constexpr std::array<QRgb, 3> kSpeedColours = {0xFF40E040, 0xFFE0E040, 0xFFFF9020};
    static constexpr int kRulerHeight = 36;

    std::function<void(QMouseEvent*)> onMousePress, onMouseMove, onMouseRelease;
    std::function<void(QKeyEvent*)> onKeyPress, onKeyRelease;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;

private:
    int lineX(int x) const { return x * m_zoom + m_zoom / 2; }

    QImage m_picture;
    QImage m_scaled;
    int m_zoom = 1;
    std::array<std::vector<double>, 3> m_places;
    std::vector<Spot> m_spots;
};

}  // namespace spotter
