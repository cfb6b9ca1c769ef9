// The real window on a virtual X server: the sprite dragged over a
// generated background must show on screen where the tool says it is.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include "SpotterTestUtil.h"
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

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
