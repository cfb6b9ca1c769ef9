// The real window on a virtual X server: the sprite dragged over a
// generated background must show on screen where the tool says it is.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <cmath>

#include "SpotterTestUtil.h"
#include "BmpReader.h"
#include "SceneWindow.h"
#include "SpotterWindow.h"

using namespace spotter;
using namespace spotter::test;

TEST(SpotterScreen, RealWindowShowsSpriteOverBackground) {
    QTemporaryDir dir;
    const QImage bgImage = gradient(200, 112);
    const auto blk = writeBmp(dir, "blk.bmp", solid(200, 115, 0));
    const auto bg = writeBmp(dir, "bg.bmp", bgImage);
    const auto spr = writeBmp(dir, "sprite.bmp", sprite());

    SpotterWindow window(blk);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.chooseBackground(QString::fromStdString(bg));
    window.chooseSprite(QString::fromStdString(spr));
    QTest::qWait(50);
    QMouseEvent e(QEvent::MouseMove, QPointF(100, 60), QPointF(100, 60), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(window.pictureBox(), &e);
    QTest::qWait(200);
    EXPECT_EQ(window.text(3), "100");
    EXPECT_EQ(window.text(4), "60");

    const QImage shot = window.screen()->grabWindow(window.winId()).toImage();
    shot.save(PARVEL_TEST_BINARY_DIR "/spotter_screenshot.png");
    ASSERT_GE(shot.width(), 225);
    ASSERT_GE(shot.height(), 159);
    auto screen = [&](int x, int y) { return shot.pixel(32 + x, 48 + y) & 0xFFFFFF; };
    EXPECT_EQ(screen(100, 60), 0xFF0000u);                        // sprite body under the pointer
    EXPECT_EQ(screen(90, 55), bgImage.pixel(90, 55) & 0xFFFFFF);  // white corner shows through
    EXPECT_EQ(screen(50, 49), bgImage.pixel(50, 49) & 0xFFFFFF);  // where the sprite started
    EXPECT_EQ(screen(150, 100), 0u);                              // never redrawn: still black
}

// The demo's walking scene in the real window, at 1× and 2×: the whole
// background pixel for pixel, the sprite on @X/@Y, the hot spots on their x.
TEST(SpotterScreen, DemoRoadShowsTheWholeBackgroundAndTheWalk) {
    const QImage road = *parvel::render::readBmpFile(DEMO_DIR "/pics/road.bmp");
    const QImage hero = *parvel::render::readBmpFile(DEMO_DIR "/pics/hero1.bmp");
    SceneWindow window("");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_EQ(window.openScene(DEMO_DIR "/Gamefile.txt", "Road"), "");
    const int spotXs[] = {12, 48, 76, 166};
    const int left = int(std::nearbyint(100 - hero.width() / 2.0));
    const int top = int(std::nearbyint(79 - hero.height() / 2.0));
    for (int z : {1, 2}) {
        SCOPED_TRACE(z);
        window.setZoom(z);
        QTest::qWait(300);
        const QImage shot = window.screen()->grabWindow(window.winId()).toImage();
        shot.save(QString(PARVEL_TEST_BINARY_DIR "/spotter_road_%1x.png").arg(z));
        const QPoint origin = window.view()->mapTo(&window, QPoint(0, 0));
        auto screen = [&](int x, int y) { return shot.pixel(origin.x() + x, origin.y() + y) & 0xFFFFFF; };
        int checked = 0;
        for (int y = 0; y < road.height(); ++y)
            for (int x = 0; x < road.width(); ++x) {
                if (std::find(std::begin(spotXs), std::end(spotXs), x) != std::end(spotXs)) continue;
                QRgb want = road.pixel(x, y);
                if (hero.rect().contains(x - left, y - top) &&
                    (hero.pixel(x - left, y - top) & 0xFFFFFF) != 0xFFFFFF)
                    want = hero.pixel(x - left, y - top);
                for (int dy = 0; dy < z; ++dy)
                    for (int dx = 0; dx < z; ++dx)
                        ASSERT_EQ(screen(x * z + dx, y * z + dy), want & 0xFFFFFF) << x << "," << y;
                ++checked;
            }
        EXPECT_GT(checked, road.width() * road.height() * 9 / 10);
        // Each hot spot is a line down the middle of its column: the first
        // selected, the trapdoor warned about (no Ctrl window at +5).
        const QRgb colours[] = {SceneView::kSelectedColour, SceneView::kWarnedColour,
                                SceneView::kSpotColour, SceneView::kSpotColour};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(screen(spotXs[i] * z + z / 2, 5 * z), colours[i] & 0xFFFFFF) << i;
    }
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
