#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPushButton>

#include "SpotterTestUtil.h"
#include "SpotterWindow.h"

using namespace spotter;
using namespace spotter::test;
using parvel::render::Rect;

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "test_spotter";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down in exit handlers, after its own
    // statics are gone, crashes.
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

class Spotter : public testing::Test {
protected:
    void SetUp() override {
        app();
        blk = writeBmp(dir, "blk.bmp", solid(200, 115, 0x000000));
        bgImage = gradient(200, 112);
        bg = writeBmp(dir, "bg.bmp", bgImage);
        spr = writeBmp(dir, "sprite.bmp", sprite());
        window = std::make_unique<SpotterWindow>(blk);
        settle();
    }
    void settle() { QCoreApplication::processEvents(); }
    // A move over the picture box with the left button held: a drag.
    void drag(double x, double y) {
        QMouseEvent e(QEvent::MouseMove, QPointF(x, y), QPointF(x, y), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->pictureBox(), &e);
    }
    QRgb at(int x, int y) const { return window->picture().pixel(x, y) & 0xFFFFFF; }
    QRgb bgAt(int x, int y) const { return bgImage.pixel(x, y) & 0xFFFFFF; }

    QTemporaryDir dir;
    std::string blk, bg, spr;
    QImage bgImage;
    std::unique_ptr<SpotterWindow> window;
};

}  // namespace

TEST_F(Spotter, StartsWithTheBlackPictureAndCaptions) {
    EXPECT_EQ(window->windowTitle(), "X,Y Position Determiner");
    EXPECT_EQ(window->text(1), "none");
    EXPECT_EQ(window->text(2), "none");
    EXPECT_EQ(window->text(3), "");
    EXPECT_EQ(window->pictureBox()->geometry(), QRect(32, 48, 193, 111));
    EXPECT_EQ(window->picture().size(), QSize(193, 111));
    EXPECT_EQ(at(0, 0), 0u);
    EXPECT_EQ(at(192, 110), 0u);
    EXPECT_EQ(window->dirtyRects().last(), 0u);
}

TEST_F(Spotter, SpriteStartsCentredOnFiftyFifty) {
    window->chooseBackground(QString::fromStdString(bg));
    settle();
    EXPECT_EQ(at(50, 50), 0u);  // a new background queues nothing
    window->chooseSprite(QString::fromStdString(spr));
    EXPECT_EQ(window->text(2), QString::fromStdString(spr));
    // 50 − 21/2 = 39.5 → 40 and 50 − 11/2 = 44.5 → 44 (halves to even).
    EXPECT_EQ(window->sprite().rect(), (Rect{40, 44, 60, 54}));
    settle();
    EXPECT_EQ(at(50, 50), 0xFF0000u);
    EXPECT_EQ(at(40, 44), bgAt(40, 44));  // white border: background shows
    EXPECT_EQ(at(39, 44), 0u);            // outside the redrawn rectangles
}

TEST_F(Spotter, DragsReportXAndYAndRestoreTheBackground) {
    window->chooseBackground(QString::fromStdString(bg));
    window->chooseSprite(QString::fromStdString(spr));
    settle();
    drag(57, 40);
    EXPECT_EQ(window->text(3), "57");
    EXPECT_EQ(window->text(4), "40");
    EXPECT_EQ(window->lastX(), 57);
    EXPECT_EQ(window->lastY(), 40);
    const Rect old = window->sprite().rect();
    EXPECT_EQ(old, (Rect{46, 34, 66, 44}));  // 46.5 → 46, 34.5 → 34
    settle();
    EXPECT_EQ(at(57, 40), 0xFF0000u);
    drag(80, 60);
    drag(120, 80);  // two moves before one pass: merged or not, same result
    EXPECT_EQ(window->text(3), "120");
    EXPECT_EQ(window->text(4), "80");
    settle();
    for (int y = old.top; y <= old.bottom; ++y)
        for (int x = old.left; x <= old.right; ++x)
            ASSERT_EQ(at(x, y), bgAt(x, y)) << x << "," << y;
    EXPECT_EQ(at(120, 80), 0xFF0000u);
    EXPECT_EQ(at(110, 75), bgAt(110, 75));  // the sprite's white corner
}

TEST_F(Spotter, SamePositionChangesNothing) {
    window->chooseSprite(QString::fromStdString(spr));
    settle();
    drag(57, 40);
    settle();
    drag(57, 40);
    EXPECT_EQ(window->dirtyRects().last(), 0u);
}

TEST_F(Spotter, FractionalPositionsRoundHalvesToEven) {
    window->chooseSprite(QString::fromStdString(spr));
    settle();
    drag(57.5, 40.25);
    EXPECT_EQ(window->lastX(), 58);
    EXPECT_EQ(window->lastY(), 40);
    EXPECT_EQ(window->text(3), "57.5");
    EXPECT_EQ(window->text(4), "40.25");
}

TEST_F(Spotter, WithoutASpriteMovesOnlyUpdateTheBoxes) {
    const QImage before = window->picture();
    drag(30, 20);
    EXPECT_EQ(window->text(3), "30");
    EXPECT_EQ(window->text(4), "20");
    EXPECT_EQ(window->dirtyRects().last(), 2u);
    settle();
    EXPECT_EQ(window->picture(), before);
}

TEST_F(Spotter, BadPicturesSetTheCaptionAndLeaveTheWindowUsable) {
    window->chooseSprite(QString::fromStdString(dir.path().toStdString() + "/missing.bmp"));
    EXPECT_EQ(window->windowTitle(), "X,Y Position Determiner");
    EXPECT_FALSE(window->sprite().isLoaded());

    const std::string text = dir.path().toStdString() + "/notes.bmp";
    std::ofstream(text) << std::string(3000, 'x');
    window->chooseSprite(QString::fromStdString(text));
    EXPECT_EQ(window->windowTitle(), "ERROR");
    EXPECT_FALSE(window->sprite().isLoaded());

    std::string huge(64, '\0');
    huge[0] = 'B';
    huge[1] = 'M';
    huge[14] = 40;
    huge[18] = char(0xA0), huge[19] = char(0x86), huge[20] = 0x01;  // 100000
    huge[22] = char(0xA0), huge[23] = char(0x86), huge[24] = 0x01;
    huge[28] = 24;
    const std::string hugePath = dir.path().toStdString() + "/huge.bmp";
    std::ofstream(hugePath, std::ios::binary).write(huge.data(), std::streamsize(huge.size()));
    window->setWindowTitle("X,Y Position Determiner");
    window->chooseBackground(QString::fromStdString(hugePath));
    EXPECT_EQ(window->windowTitle(), "ERROR");
    EXPECT_EQ(window->background().Width(), 200);  // still the black picture

    window->chooseSprite(QString::fromStdString(spr));
    settle();
    drag(100, 50);
    settle();
    EXPECT_EQ(at(100, 50), 0xFF0000u);
}

TEST_F(Spotter, CancelledDialogTakesTheLastChosenFileAgain) {
    window->chooseSprite("");  // nothing chosen yet: nothing happens
    EXPECT_EQ(window->text(2), "none");
    EXPECT_EQ(window->dirtyRects().last(), 0u);
    window->chooseBackground(QString::fromStdString(bg));
    window->chooseSprite("");  // the shared dialog still holds bg.bmp
    EXPECT_EQ(window->text(2), QString::fromStdString(bg));
    EXPECT_EQ(window->sprite().Width(), 200);
}

// Started from the build folder, Spotter looks beside itself for the black
// frame; a grey box there means the build left it out.
TEST_F(Spotter, BuildFolderHasTheBlackFrameBesideTheProgram) {
    const std::string beside = SPOTTER_DIR "/blk.bmp";
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(beside))) << beside;
    SpotterWindow w(beside);
    settle();
    EXPECT_EQ(w.picture().pixel(0, 0) & 0xFFFFFF, 0u);
    EXPECT_EQ(w.picture().pixel(192, 110) & 0xFFFFFF, 0u);
}
