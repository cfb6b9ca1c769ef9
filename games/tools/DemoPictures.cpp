#include "DemoPictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace demo {

namespace {

constexpr int W = 200;
constexpr int H = 112;

QImage canvas(QColor fill = Qt::black, int w = W, int h = H) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}

// Overlays and sprite frames start white: white is see-through in the player.
QImage transparentCanvas(int w = W, int h = H) { return canvas(Qt::white, w, h); }

// A small fixed pseudo-random sequence, so every build draws the same stars.
struct Lcg {
    std::uint32_t s;
    double next() {
        s = s * 1664525u + 1013904223u;
        return (s >> 8) / double(1 << 24);
    }
};

void sky(QPainter& p, int bottom, std::initializer_list<std::pair<double, QColor>> stops) {
    QLinearGradient g(0, 0, 0, bottom);
    for (const auto& [at, c] : stops) g.setColorAt(at, c);
    p.fillRect(0, 0, W, bottom, g);
}

void stars(QPainter& p, int count, int maxY, std::uint32_t seed, int brightness = 230) {
    Lcg r{seed};
    for (int i = 0; i < count; ++i) {
        const int x = int(r.next() * W), y = int(r.next() * maxY);
        const int b = int(brightness * (0.5 + 0.5 * r.next()));
        p.setPen(QColor(b, b, std::min(255, b + 20)));
        p.drawPoint(x, y);
    }
}

void glow(QPainter& p, QPointF at, double radius, QColor colour, int alpha) {
    QRadialGradient g(at, radius);
    QColor inner = colour;
    inner.setAlpha(alpha);
    QColor mid = colour;
    mid.setAlpha(alpha / 3);
    QColor outer = colour;
    outer.setAlpha(0);
    g.setColorAt(0, inner);
    g.setColorAt(0.45, mid);
    g.setColorAt(1, outer);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(at, radius, radius);
}

void hills(QPainter& p, int base, int height, QColor colour, double phase) {
    QPainterPath path;
    path.moveTo(0, H);
    for (int x = 0; x <= W; x += 4)
        path.lineTo(x, base - height * (0.5 + 0.3 * std::sin(x / 23.0 + phase) + 0.2 * std::sin(x / 9.0 + 2 * phase)));
    path.lineTo(W, H);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
}

void crescent(QPainter& p, QPointF at, double r, QColor colour) {
    QPainterPath moon;
    moon.addEllipse(at, r, r);
    QPainterPath bite;
    bite.addEllipse(at + QPointF(r * 0.55, -r * 0.25), r, r);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(moon.subtracted(bite));
}

// A hanging lantern: a dark cap and frame around a warm glass.
void lantern(QPainter& p, QPointF top, double scale, QColor light) {
    const double w = 6 * scale, h = 8 * scale;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 30, 24));
    p.drawRect(QRectF(top.x() - w / 2 - scale, top.y(), w + 2 * scale, 2 * scale));
    p.setBrush(light);
    p.drawRect(QRectF(top.x() - w / 2, top.y() + 2 * scale, w, h));
    p.setBrush(QColor(40, 30, 24));
    p.drawRect(QRectF(top.x() - scale / 2, top.y() + 2 * scale, scale, h));
    p.drawRect(QRectF(top.x() - w / 2 - scale, top.y() + 2 * scale + h, w + 2 * scale, 1.5 * scale));
}

QPainterPath wolfPath(QPointF at, double s) {
    // Side view facing left, `at` the middle of the back.
    QPainterPath w;
    const auto P = [&](double x, double y) { return at + QPointF(x * s, y * s); };
    w.moveTo(P(-30, -4));  // brow
    w.lineTo(P(-27, -14)); // ear
    w.lineTo(P(-23, -6));
    w.lineTo(P(-18, -4));
    w.quadTo(P(0, -2), P(20, -2));   // back
    w.quadTo(P(30, -4), P(38, -14)); // tail up
    w.lineTo(P(36, -4));
    w.lineTo(P(24, 4));
    w.lineTo(P(24, 20)); // hind leg
    w.lineTo(P(20, 20));
    w.lineTo(P(18, 8));
    w.lineTo(P(-10, 8));
    w.lineTo(P(-12, 20)); // fore leg
    w.lineTo(P(-16, 20));
    w.lineTo(P(-17, 6));
    w.lineTo(P(-24, 4));  // chest and throat
    w.lineTo(P(-38, 2));  // snout
    w.lineTo(P(-38, -1));
    w.closeSubpath();
    return w;
}

// --- The road at dusk: three flicker states of the lanterns ---------------

QImage duskFrame(int k) {
    QImage img = canvas();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    sky(p, 64, {{0, QColor(24, 22, 56)}, {0.55, QColor(84, 52, 94)}, {1, QColor(200, 118, 98)}});
    stars(p, 28, 34, 7);
    crescent(p, QPointF(162, 17), 7, QColor(240, 232, 200));
    hills(p, 62, 14, QColor(52, 36, 70), 0.4);
    hills(p, 66, 8, QColor(34, 26, 46), 2.1);
    QLinearGradient ground(0, 62, 0, H);
    ground.setColorAt(0, QColor(36, 30, 40));
    ground.setColorAt(1, QColor(22, 18, 20));
    p.fillRect(0, 64, W, H - 64, ground);
    // The road narrows towards the hills.
    QPainterPath road;
    road.moveTo(96, 64);
    road.lineTo(104, 64);
    road.lineTo(172, H);
    road.lineTo(34, H);
    road.closeSubpath();
    QLinearGradient roadShade(0, 64, 0, H);
    roadShade.setColorAt(0, QColor(110, 86, 80));
    roadShade.setColorAt(1, QColor(92, 74, 58));
    p.fillPath(road, roadShade);
    // Trees on both sides.
    p.setBrush(QColor(18, 14, 26));
    for (auto [x, y, s] : {std::tuple{12, 90, 1.2}, {30, 80, 0.8}, {180, 92, 1.3}, {160, 78, 0.7}}) {
        QPolygonF t;
        t << QPointF(x, y - 40 * s) << QPointF(x + 12 * s, y) << QPointF(x - 12 * s, y);
        p.drawPolygon(t);
        p.drawRect(QRectF(x - 1.5 * s, y, 3 * s, 8 * s));
    }
    // The near lantern on its post, and a far one down the road.
    const double flicker[3] = {1.0, 0.86, 1.1};
    const QColor warm(255, 196, 96);
    glow(p, QPointF(72, 98), 34 * flicker[k], warm, 70);
    glow(p, QPointF(70, 60), 30 * flicker[k], warm, 150);
    glow(p, QPointF(110, 60), 7 * flicker[(k + 1) % 3], warm, 160);
    p.setBrush(QColor(30, 22, 18));
    p.drawRect(QRectF(60, 52, 3, 48));
    p.drawRect(QRectF(60, 52, 12, 2));
    lantern(p, QPointF(70, 54), 1.0, QColor(255, 214 - 20 * k, 120));
    p.setBrush(QColor(30, 22, 18));
    p.drawRect(QRectF(108, 52, 1, 12));
    p.setBrush(QColor(255, 220, 140));
    p.drawRect(QRectF(109, 54, 2, 3));
    return img;
}

// Fireflies drifting over the verge; white is transparent.
QImage fireflies(int k) {
    QImage img = transparentCanvas();
    QPainter p(&img);
    const double a = k * M_PI / 2;
    for (int i = 0; i < 7; ++i) {
        const double bx = 20 + i * 26, by = 74 + (i % 3) * 9;
        const int x = int(bx + 5 * std::cos(a + i)), y = int(by + 4 * std::sin(a * 1.5 + i * 2));
        if ((i + k) % 4 == 0) continue;  // blinking
        p.fillRect(x, y, 2, 2, QColor(196, 232, 90));
        p.fillRect(x, y, 1, 1, QColor(250, 255, 190));
    }
    return img;
}

// A bat crossing the sky from right to left.
QImage bat(int k) {
    QImage img = transparentCanvas();
    if (k >= 5) return img;  // gone: the pause between two crossings
    QPainter p(&img);
    const int x = 182 - k * 36, y = 24 + int(5 * std::sin(k * 1.3));
    const bool up = k % 2 == 0;
    QPolygon wing;
    wing << QPoint(x - 9, y + (up ? -5 : 4)) << QPoint(x - 4, y - 1) << QPoint(x, y + 1)
         << QPoint(x + 4, y - 1) << QPoint(x + 9, y + (up ? -5 : 4)) << QPoint(x + 5, y + 2)
         << QPoint(x, y + 3) << QPoint(x - 5, y + 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(22, 16, 30));
    p.drawPolygon(wing);
    p.fillRect(x - 1, y - 2, 3, 4, QColor(22, 16, 30));
    return img;
}

// --- The road seen from the side, where the traveller walks ----------------

QImage roadside() {
    QImage img = canvas();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    sky(p, 90, {{0, QColor(14, 18, 44)}, {1, QColor(52, 54, 90)}});
    stars(p, 40, 50, 11);
    crescent(p, QPointF(30, 16), 8, QColor(236, 232, 210));
    hills(p, 80, 16, QColor(30, 34, 56), 1.3);
    // Verge, road and the ditch at the left end.
    p.fillRect(0, 86, W, H - 86, QColor(30, 44, 28));
    p.fillRect(0, 90, W, 8, QColor(96, 80, 62));
    p.fillRect(0, 90, W, 1, QColor(120, 102, 80));
    p.setBrush(QColor(8, 10, 14));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(-10, 86, 24, 20));
    p.fillRect(0, 100, 6, 2, QColor(60, 70, 100));
    // The trapdoor in the verge.
    p.fillRect(41, 98, 14, 6, QColor(86, 58, 34));
    for (int x = 44; x < 55; x += 4) p.fillRect(x, 98, 1, 6, QColor(52, 34, 20));
    p.setPen(QColor(150, 150, 160));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(48, 101), 1.5, 1.5);
    // The milestone.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(128, 126, 120));
    p.drawRoundedRect(QRectF(71, 76, 11, 15), 4, 4);
    p.fillRect(74, 80, 5, 1, QColor(70, 68, 64));
    p.fillRect(74, 83, 5, 1, QColor(70, 68, 64));
    p.fillRect(76, 80, 1, 6, QColor(70, 68, 64));
    // Lantern posts along the way.
    for (int x : {112, 142}) {
        glow(p, QPointF(x + 4, 64), 16, QColor(255, 196, 96), 140);
        p.fillRect(x, 62, 2, 28, QColor(30, 22, 18));
        p.fillRect(x, 62, 6, 1, QColor(30, 22, 18));
        lantern(p, QPointF(x + 5, 63), 0.6, QColor(255, 210, 120));
    }
    // The gate at the end of the road, standing ajar.
    p.fillRect(166, 50, 8, 41, QColor(90, 88, 96));
    p.fillRect(192, 50, 8, 41, QColor(90, 88, 96));
    p.fillRect(165, 48, 10, 3, QColor(110, 108, 116));
    for (int x = 176; x < 190; x += 3) p.fillRect(x, 58, 1, 33, QColor(20, 20, 26));
    p.fillRect(176, 58, 14, 1, QColor(20, 20, 26));
    p.fillRect(176, 74, 14, 1, QColor(20, 20, 26));
    return img;
}

// The traveller: a cloaked figure carrying a lantern, 16 x 26, facing right.
// `step` 0 stands; 1 to 4 walk; `sway` lifts the lantern a pixel.
QImage traveller(int step, int sway) {
    QImage img = transparentCanvas(16, 26);
    QPainter p(&img);
    const QColor cloak(58, 52, 86), cloakDark(40, 36, 62), face(214, 172, 136), boots(34, 26, 30);
    const int bob = (step == 2 || step == 4) ? -1 : 0;
    // Legs first, so the cloak hem covers their tops.
    // Leg positions per frame: a long stride, a passing step with one foot
    // lifted, the stride the other way round, and a second passing step.
    const int backX[5] = {6, 3, 6, 5, 7}, frontX[5] = {9, 11, 8, 10, 9};
    const int backLift[5] = {0, 0, 2, 0, 0}, frontLift[5] = {0, 0, 0, 0, 2};
    p.fillRect(backX[step], 19, 2, 5 - backLift[step], boots);
    p.fillRect(backX[step] - 1, 24 - backLift[step], 3, 2, boots);
    p.fillRect(frontX[step], 19, 2, 5 - frontLift[step], QColor(48, 38, 44));
    p.fillRect(frontX[step], 24 - frontLift[step], 3, 2, QColor(48, 38, 44));
    // Hood and cloak.
    QPolygon body;
    body << QPoint(6, 3 + bob) << QPoint(10, 3 + bob) << QPoint(12, 9 + bob) << QPoint(13, 21 + bob)
         << QPoint(3, 21 + bob) << QPoint(4, 9 + bob);
    p.setPen(Qt::NoPen);
    p.setBrush(cloak);
    p.drawPolygon(body);
    p.fillRect(5, 10 + bob, 2, 11, cloakDark);
    p.fillRect(9, 5 + bob, 2, 3, face);
    p.fillRect(10, 6 + bob, 1, 1, QColor(60, 40, 40));
    // Arm and lantern held out in front.
    const int ly = 13 + bob - sway;
    p.fillRect(10, 11 + bob, 3, 2, cloakDark);
    p.fillRect(13, ly - 2, 1, 2, QColor(40, 30, 24));
    p.fillRect(12, ly, 3, 1, QColor(40, 30, 24));
    p.fillRect(12, ly + 1, 3, 3, QColor(255, 206, 92));
    p.fillRect(13, ly + 2, 1, 1, QColor(255, 244, 200));
    p.fillRect(12, ly + 4, 3, 1, QColor(40, 30, 24));
    return img;
}

// --- The cellar under the trapdoor -----------------------------------------

QImage cellar() {
    QImage img = canvas(QColor(14, 12, 16));
    QPainter p(&img);
    // Stone blocks, a little lighter where the shaft of light falls.
    for (int row = 0; row < 8; ++row)
        for (int col = -1; col < 9; ++col) {
            const int x = col * 26 + (row % 2) * 13, y = row * 12;
            const int shade = 34 + ((row * 7 + col * 3) % 5) * 4;
            p.fillRect(x + 1, y + 1, 24, 10, QColor(shade, shade - 4, shade + 4));
        }
    p.fillRect(0, 92, W, 20, QColor(24, 20, 22));
    QPolygon beam;
    beam << QPoint(40, 0) << QPoint(62, 0) << QPoint(110, 100) << QPoint(70, 100);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 86, 70));
    p.drawPolygon(beam);
    p.fillRect(72, 98, 40, 4, QColor(120, 116, 92));
    // Shelf with a flask of lamp oil, and a puddle that catches the light.
    p.fillRect(136, 54, 46, 3, QColor(70, 46, 28));
    p.fillRect(152, 44, 8, 10, QColor(60, 120, 90));
    p.fillRect(154, 40, 4, 4, QColor(60, 120, 90));
    p.fillRect(153, 46, 2, 5, QColor(150, 210, 170));
    p.fillRect(164, 48, 6, 6, QColor(120, 80, 50));
    p.setBrush(QColor(50, 60, 90));
    p.drawEllipse(QRect(120, 102, 40, 6));
    p.fillRect(132, 104, 10, 1, QColor(150, 170, 210));
    // Ladder up to the trapdoor.
    p.fillRect(44, 10, 2, 90, QColor(86, 58, 34));
    p.fillRect(58, 10, 2, 90, QColor(86, 58, 34));
    for (int y = 16; y < 100; y += 10) p.fillRect(44, y, 16, 2, QColor(86, 58, 34));
    return img;
}

// --- The gate, clear, thinning fog and thick fog -----------------------------

QImage gate(double fog, bool windowLit, bool owl) {
    QImage img = canvas();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    sky(p, H, {{0, QColor(38, 44, 62)}, {0.6, QColor(70, 78, 96)}, {1, QColor(44, 46, 52)}});
    // The gatehouse beyond, its window dim or lit.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 40));
    QPolygonF house;
    house << QPointF(70, 90) << QPointF(70, 40) << QPointF(100, 22) << QPointF(130, 40) << QPointF(130, 90);
    p.drawPolygon(house);
    if (windowLit) glow(p, QPointF(100, 52), 18, QColor(255, 196, 96), 150);
    p.setBrush(windowLit ? QColor(255, 214, 130) : QColor(70, 62, 50));
    p.drawRect(QRectF(96, 46, 8, 10));
    p.fillRect(99, 46, 1, 10, QColor(30, 30, 40));
    p.fillRect(96, 50, 8, 1, QColor(30, 30, 40));
    p.fillRect(0, 92, W, 20, QColor(36, 34, 36));
    // Pillars and the iron gate, its right leaf standing open.
    for (int x : {36, 146}) {
        p.fillRect(x, 26, 18, 76, QColor(98, 96, 104));
        p.fillRect(x - 2, 22, 22, 6, QColor(122, 120, 128));
        for (int y = 34; y < 100; y += 9) p.fillRect(x, y, 18, 1, QColor(70, 68, 76));
    }
    p.setPen(QPen(QColor(16, 16, 22), 1.6));
    for (int x = 58; x <= 96; x += 6) p.drawLine(QPointF(x, 36 + std::abs(x - 77) / 4.0), QPointF(x, 100));
    p.drawLine(QPointF(56, 44), QPointF(98, 44));
    p.drawLine(QPointF(56, 90), QPointF(98, 90));
    for (int i = 0; i < 5; ++i) {
        const double x = 116 + i * 6;
        p.drawLine(QPointF(x, 38 - i), QPointF(x + 3, 100 - i * 0.5));
    }
    p.drawLine(QPointF(114, 46), QPointF(144, 42));
    // The lantern on the left pillar.
    glow(p, QPointF(44, 38), 22, QColor(255, 196, 96), 170);
    p.setPen(Qt::NoPen);
    lantern(p, QPointF(44, 30), 0.9, QColor(255, 214, 120));
    if (owl) {
        p.setBrush(QColor(34, 28, 26));
        p.drawEllipse(QRectF(148, 8, 14, 16));
        p.drawPolygon(QPolygonF() << QPointF(149, 10) << QPointF(151, 4) << QPointF(154, 9));
        p.drawPolygon(QPolygonF() << QPointF(161, 10) << QPointF(159, 4) << QPointF(156, 9));
        p.setBrush(QColor(250, 200, 60));
        p.drawEllipse(QPointF(152.5, 13), 1.6, 1.6);
        p.drawEllipse(QPointF(157.5, 13), 1.6, 1.6);
    }
    // Fog: soft pale bands drifting across.
    Lcg r{fog > 0.5 ? 5u : 3u};
    for (int i = 0; i < int(10 * fog) + 4; ++i) {
        const double y = 30 + r.next() * 80, x = r.next() * W;
        QRadialGradient g(QPointF(x, y), 60);
        g.setColorAt(0, QColor(200, 206, 214, int(110 * fog)));
        g.setColorAt(1, QColor(200, 206, 214, 0));
        p.setBrush(g);
        p.drawEllipse(QPointF(x, y), 70, 12);
    }
    return img;
}

// --- Beyond the gate ----------------------------------------------------------

QImage courtyard() {
    QImage img = canvas();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    sky(p, 40, {{0, QColor(12, 16, 38)}, {1, QColor(40, 46, 80)}});
    stars(p, 20, 30, 23);
    // Walls with an archway of deep shadow.
    p.fillRect(0, 30, W, 60, QColor(70, 66, 74));
    for (int y = 34; y < 90; y += 8)
        for (int x = (y / 8) % 2 * 10; x < W; x += 20) p.fillRect(x, y, 19, 7, QColor(84, 80, 88));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(6, 6, 10));
    QPainterPath arch;
    arch.moveTo(140, 90);
    arch.lineTo(140, 56);
    arch.arcTo(QRectF(140, 42, 36, 28), 180, -180);
    arch.lineTo(176, 90);
    arch.closeSubpath();
    p.drawPath(arch);
    // Eyes in the dark.
    p.setBrush(QColor(240, 190, 60));
    p.drawEllipse(QPointF(153, 70), 1.4, 1.1);
    p.drawEllipse(QPointF(161, 70), 1.4, 1.1);
    // Cobbles lit by the moon and a well in the middle.
    QLinearGradient ground(0, 88, 0, H);
    ground.setColorAt(0, QColor(60, 58, 66));
    ground.setColorAt(1, QColor(34, 32, 40));
    p.fillRect(0, 88, W, H - 88, ground);
    Lcg r{31};
    for (int i = 0; i < 70; ++i) {
        const double x = r.next() * W, y = 90 + r.next() * 22;
        p.setBrush(QColor(80, 78, 88));
        p.drawEllipse(QPointF(x, y), 3, 1.2);
    }
    p.setBrush(QColor(104, 100, 110));
    p.drawRect(QRectF(62, 72, 36, 20));
    p.setBrush(QColor(20, 18, 24));
    p.drawEllipse(QRectF(60, 68, 40, 8));
    p.setBrush(QColor(60, 40, 24));
    p.drawRect(QRectF(62, 48, 3, 24));
    p.drawRect(QRectF(95, 48, 3, 24));
    p.drawRect(QRectF(60, 46, 40, 3));
    p.fillRect(79, 49, 1, 14, QColor(140, 130, 110));
    p.fillRect(76, 62, 7, 6, QColor(90, 62, 36));
    return img;
}

QImage wolf(bool wounded) {
    QImage img = canvas();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    sky(p, H, {{0, QColor(10, 10, 26)}, {0.7, QColor(36, 30, 60)}, {1, QColor(60, 40, 60)}});
    glow(p, QPointF(120, 44), 60, QColor(230, 226, 200), 90);
    p.setBrush(QColor(232, 228, 204));
    p.drawEllipse(QPointF(120, 44), 30, 30);
    p.setBrush(QColor(206, 200, 176));
    p.drawEllipse(QPointF(110, 36), 6, 5);
    p.drawEllipse(QPointF(130, 54), 4, 3);
    p.setBrush(QColor(18, 14, 22));
    p.drawRect(0, 92, W, 20);
    p.drawPath(wolfPath(QPointF(112, 66), 1.3));
    p.setBrush(wounded ? QColor(255, 80, 40) : QColor(255, 210, 60));
    p.drawEllipse(QPointF(112 - 32 * 1.3, 66 - 5 * 1.3), 1.5, 1.2);
    // The traveller's lantern raised at the left edge.
    glow(p, QPointF(22, 70), 26, QColor(255, 196, 96), 170);
    lantern(p, QPointF(22, 62), 1.2, QColor(255, 214, 120));
    if (wounded) {
        p.setPen(QPen(QColor(255, 240, 200), 1.2));
        p.drawLine(QPointF(70, 52), QPointF(92, 74));
        p.drawLine(QPointF(74, 50), QPointF(96, 72));
    }
    return img;
}

QImage dawn() {
    QImage img = canvas();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    sky(p, 66, {{0, QColor(120, 160, 210)}, {0.6, QColor(240, 200, 170)}, {1, QColor(255, 176, 96)}});
    glow(p, QPointF(100, 66), 50, QColor(255, 230, 160), 200);
    p.setBrush(QColor(255, 236, 170));
    p.drawChord(QRectF(86, 52, 28, 28), 0, 180 * 16);
    hills(p, 66, 10, QColor(110, 96, 120), 0.9);
    p.fillRect(0, 66, W, H - 66, QColor(90, 120, 70));
    QPainterPath road;
    road.moveTo(97, 66);
    road.lineTo(103, 66);
    road.lineTo(150, H);
    road.lineTo(50, H);
    road.closeSubpath();
    p.fillPath(road, QColor(176, 150, 112));
    // The open gate behind, the road going on beyond it.
    p.fillRect(82, 50, 6, 18, QColor(120, 116, 124));
    p.fillRect(112, 50, 6, 18, QColor(120, 116, 124));
    p.setPen(QPen(QColor(50, 46, 54), 1));
    for (int i = 0; i < 4; ++i) p.drawLine(QPointF(78 - i * 3, 54 + i), QPointF(78 - i * 3, 68));
    // Birds.
    p.setPen(QPen(QColor(60, 50, 60), 1));
    for (auto [x, y] : {std::pair{40, 20}, {52, 16}, {150, 26}}) {
        p.drawLine(QPointF(x - 3, y - 2), QPointF(x, y));
        p.drawLine(QPointF(x, y), QPointF(x + 3, y - 2));
    }
    return img;
}

QImage fallen() {
    QImage img = canvas(QColor(8, 8, 16));
    QPainter p(&img);
    p.fillRect(0, 84, W, 28, QColor(16, 18, 26));
    // The lantern on its side, glass cracked, one ember left.
    p.fillRect(86, 86, 22, 3, QColor(40, 30, 24));
    p.fillRect(88, 78, 18, 8, QColor(70, 56, 40));
    p.fillRect(90, 80, 4, 4, QColor(200, 80, 30));
    p.setPen(QColor(140, 140, 150));
    p.drawLine(96, 79, 100, 84);
    p.drawLine(100, 84, 103, 80);
    p.fillRect(106, 80, 6, 4, QColor(40, 30, 24));
    // Eyes watching from the dark.
    for (auto [x, y] : {std::pair{40, 60}, {150, 54}, {170, 66}}) {
        p.fillRect(x, y, 2, 1, QColor(200, 170, 60));
        p.fillRect(x + 5, y, 2, 1, QColor(200, 170, 60));
    }
    return img;
}

}  // namespace

QImage lanternClipFrame(int frame, int frames) {
    QImage img = canvas(QColor(16, 12, 10));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double t = double(frame) / frames;
    const double flicker = 1 + 0.08 * std::sin(frame * 1.7) + 0.05 * std::sin(frame * 4.1);
    const double rise = t > 0.4 ? (t - 0.4) / 0.6 : 0;  // the flame grows into a vision
    glow(p, QPointF(100, 60), 70 * flicker + 30 * rise, QColor(255, 180, 80), 200);
    // The lantern's frame around the glass.
    p.setBrush(QColor(44, 32, 24));
    p.drawRect(QRectF(70, 10, 60, 8));
    p.drawRect(QRectF(70, 100, 60, 8));
    p.drawRect(QRectF(68, 18, 4, 82));
    p.drawRect(QRectF(128, 18, 4, 82));
    // The flame: a teardrop that sways and stretches.
    const double h = (34 + 10 * rise) * flicker, sway = 3 * std::sin(frame * 0.9);
    QPainterPath flame;
    flame.moveTo(100, 92);
    flame.cubicTo(84, 90, 88, 70, 100 + sway, 92 - h);
    flame.cubicTo(112, 70, 116, 90, 100, 92);
    QLinearGradient fg(0, 92 - h, 0, 92);
    fg.setColorAt(0, QColor(255, 240, 170));
    fg.setColorAt(0.6, QColor(255, 170, 60));
    fg.setColorAt(1, QColor(180, 60, 30));
    p.fillPath(flame, fg);
    p.setBrush(QColor(40, 40, 60));
    p.drawRect(QRectF(98, 90, 4, 8));  // the wick
    // In the second half a wolf's shape shows in the light.
    if (rise > 0) {
        p.setOpacity(std::min(1.0, rise * 1.4) * 0.75);
        p.setBrush(QColor(30, 14, 10));
        p.drawPath(wolfPath(QPointF(104, 44), 0.9));
        p.setOpacity(1);
    }
    return img;
}

QImage appIcon() {
    QImage img(64, 64, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, 64);
    bg.setColorAt(0, QColor(36, 32, 72));
    bg.setColorAt(1, QColor(120, 70, 90));
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    QRadialGradient g(QPointF(32, 36), 26);
    g.setColorAt(0, QColor(255, 210, 120, 230));
    g.setColorAt(1, QColor(255, 180, 80, 0));
    p.setBrush(g);
    p.drawEllipse(QPointF(32, 36), 26, 26);
    p.setBrush(QColor(40, 28, 22));
    p.drawRect(QRectF(29, 6, 6, 6));
    p.drawRect(QRectF(19, 12, 26, 5));
    p.drawRect(QRectF(19, 50, 26, 5));
    p.setBrush(QColor(255, 220, 130));
    p.drawRect(QRectF(21, 17, 22, 33));
    QPainterPath flame;
    flame.moveTo(32, 46);
    flame.cubicTo(25, 44, 27, 34, 32, 24);
    flame.cubicTo(37, 34, 39, 44, 32, 46);
    p.fillPath(flame, QColor(255, 140, 40));
    p.setBrush(QColor(40, 28, 22));
    p.drawRect(QRectF(31, 17, 2, 33));
    return img;
}

std::vector<Picture> demoPictures() {
    std::vector<Picture> pics;
    for (int k = 0; k < 3; ++k) pics.push_back({"dusk" + std::to_string(k + 1) + ".bmp", duskFrame(k), 24, false});
    for (int k = 0; k < 4; ++k) pics.push_back({"fly" + std::to_string(k + 1) + ".bmp", fireflies(k), 8, false});
    for (int k = 0; k < 6; ++k) pics.push_back({"bat" + std::to_string(k + 1) + ".bmp", bat(k), 4, false});
    pics.push_back({"road.bmp", roadside(), 8, true});
    pics.push_back({"hero1.bmp", traveller(0, 0), 4, false});
    pics.push_back({"hero2.bmp", traveller(0, 1), 4, false});
    for (int k = 1; k <= 4; ++k) {
        const QImage right = traveller(k, 0);
        pics.push_back({"heroR" + std::to_string(k) + ".bmp", right, 4, false});
        pics.push_back({"heroL" + std::to_string(k) + ".bmp", right.mirrored(true, false), 4, false});
    }
    pics.push_back({"cellar.bmp", cellar(), 4, true});
    pics.push_back({"gate.bmp", gate(0.35, false, false), 24, false});
    pics.push_back({"fog1.bmp", gate(0.5, true, false), 8, true});
    pics.push_back({"fog2.bmp", gate(1.0, false, true), 8, true});
    pics.push_back({"vision.bmp", lanternClipFrame(49, 50), 24, false});
    pics.push_back({"courtyard.bmp", courtyard(), 8, true});
    pics.push_back({"wolf.bmp", wolf(false), 24, false});
    pics.push_back({"wolfhurt.bmp", wolf(true), 24, false});
    pics.push_back({"dawn.bmp", dawn(), 24, false});
    pics.push_back({"fallen.bmp", fallen(), 4, false});
    return pics;
}

}  // namespace demo
