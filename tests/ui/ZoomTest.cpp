// The window at any size: whole-factor zoom of geometry, fonts and
// pictures with the designed line breaks, its keys and INI key, and the
// volume and soundfont items of the Options menu.

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QSlider>
#include <QTest>

#include "Controls.h"
#include "PlayerWindow.h"
#include "Gamepad.h"
#include "PadBackend.h"
#include "PadInput.h"
#include "UiTestSupport.h"
#include "VolumeWindow.h"
#include "WindowScale.h"

using namespace parvel;
using namespace parvel::ui;
using namespace parvel::ui::test;

namespace {

struct VolumeCore : FakeCore {
    int volumeChanges = 0;
    void volumeChanged() override { ++volumeChanges; }
};

struct Window {
    QTemporaryDir root;
    VolumeCore core;
    std::unique_ptr<PlayerWindow> form;
    std::vector<std::string> messages;

    std::string ini() const { return dirOf(root) + "bin/Parvel.ini"; }
    explicit Window(const std::string& iniText = {}) {
        app();
        QDir(root.path()).mkpath("bin");
        if (!iniText.empty()) writeFile(ini(), iniText);
        form = std::make_unique<PlayerWindow>(
            PlayerWindow::Options{{dirOf(root) + "bin/", dirOf(root) + "config/"}});
        form->setCore(&core);
        form->messageBoxHook = [this](std::string_view text, MsgButtons, std::string_view) {
            messages.emplace_back(text);
            return MsgAnswer::Ok;
        };
        form->startUp();
    }
    QAction* action(const char* name) { return form->findChild<QAction*>(name); }
    QLabel* label(const char* name) { return form->findChild<QLabel*>(name); }
};

TEST(WindowScale, EnlargedPixelsAreExactBlocks) {
    QImage src(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) src.setPixel(x, y, qRgb(40 * x, 100 * y, 7));
    const QImage big = enlarged(src, 3);
    ASSERT_EQ(big.size(), QSize(9, 6));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(big.pixel(x, y), src.pixel(x / 3, y / 3)) << x << "," << y;
    const QImage hidpi = toDevicePixels(src, 2, 2.0);  // zoom 2 on a 2x screen
    EXPECT_EQ(hidpi.size(), QSize(12, 8));
    EXPECT_EQ(hidpi.devicePixelRatio(), 2.0);
    EXPECT_EQ(hidpi.pixel(11, 7), src.pixel(2, 1));
    EXPECT_EQ(hidpi.pixel(8, 3), src.pixel(2, 0));
}

TEST(WindowScale, FirstStartPicksTheLargestZoomWithinNinetyPercent) {
    const QSize window(280, 500);
    EXPECT_EQ(fittingZoom(window, {1920, 1050}), 1);  // 1000 > 945
    EXPECT_EQ(fittingZoom(window, {2560, 1400}), 2);
    EXPECT_EQ(fittingZoom(window, {3840, 2110}), 3);
    EXPECT_EQ(fittingZoom(window, {7680, 4300}), 3);  // never more than 3 by itself
    EXPECT_EQ(fittingZoom(window, {1024, 700}), 1);
    EXPECT_EQ(largestZoomInside({280, 480}, {1280, 1000}), 2);
    EXPECT_EQ(largestZoomInside({280, 480}, {200, 200}), 1);
}

// Full screen: centred below the strip the menu bar comes out over; a
// content that needs the strip sits as low as it goes.
TEST(WindowScale, FullScreenKeepsTheMenuBarStripClearWhereItCan) {
    EXPECT_EQ(fullScreenOrigin({560, 966}, {1280, 1024}, 17), QPoint(360, 37));
    EXPECT_EQ(fullScreenOrigin({560, 1014}, {1280, 1024}, 17), QPoint(360, 10));
    EXPECT_EQ(fullScreenOrigin({560, 1044}, {1280, 1024}, 17), QPoint(360, -10));
}

TEST(PlayerWindowZoom, TwiceTheGeometryAndFontWithTheDesignedLineBreaks) {
    Window w;
    ASSERT_EQ(w.form->zoom(), 1);  // the offscreen screen is too small for 2x
    const std::string text =
        "The lantern swings in the wind and its light runs over the wet "
        "stones of the road, far into the fog where the gate must be.";
    w.form->setCaption(Control::Label2, text);
    w.form->setCaption(Control::Label3,
                       "(a) Take the lantern and walk in through the gate at once");
    QLabel* l2 = w.label("Label2");
    const QFont font1 = l2->font();
    const int height1 = l2->heightForWidth(275);

    w.form->setZoom(2);
    EXPECT_EQ(w.form->findChild<QWidget*>("Picture1")->geometry(), QRect(80, 0, 400, 230));
    EXPECT_EQ(w.form->findChild<QWidget*>("Picture2")->geometry(), QRect(80, 0, 396, 230));
    EXPECT_EQ(w.label("Label3")->geometry(), QRect(0, 512, 530, 66));
    EXPECT_EQ(w.label("eneHPl")->geometry(), QRect(480, 48, 98, 34));
    EXPECT_EQ(w.form->centralWidget()->size(), w.form->designContent() * 2);
    EXPECT_DOUBLE_EQ(l2->font().pointSizeF(), 2 * font1.pointSizeF());
    EXPECT_DOUBLE_EQ(w.label("HPherol")->font().pointSizeF(), 2 * font1.pointSizeF());

    // The lines shown at 2x are the lines QLabel wraps the text into at 1x.
    const QStringList lines = wrappedLines(QString::fromStdString(text), font1, 275);
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(l2->text(), lines.join('\n'));
    QLabel probe;
    probe.setFont(font1);
    probe.setText(lines.join('\n'));
    EXPECT_EQ(probe.sizeHint().height(), height1);
    EXPECT_EQ(w.label("Label3")->text().count('\n'), 1);

    w.form->setZoom(1);
    EXPECT_EQ(w.form->findChild<QWidget*>("Picture1")->geometry(), QRect(40, 0, 200, 115));
    EXPECT_GT(w.form->menuBar()->height(), 0);
    EXPECT_EQ(l2->text().toStdString(), text);
    EXPECT_TRUE(l2->wordWrap());
    EXPECT_EQ(l2->font(), font1);
    EXPECT_EQ(w.form->frameGeometry().size(), QSize(280, 500));
}

TEST(PlayerWindowZoom, MenuItemsKeysAndTheIniKey) {
    Window w("[Parvel]\r\nZoom=3\r\nOther=1\r\n");
    // A saved factor too large for this screen shows what fits.
    const QSize screen = w.form->screen()->availableGeometry().size();
    EXPECT_EQ(w.form->zoom(), std::min(3, largestZoomInside({280, 500}, screen)));
    w.action("zoom3")->trigger();
    EXPECT_EQ(w.form->zoom(), 3);
    EXPECT_TRUE(w.action("zoom3")->isChecked());
    EXPECT_EQ(w.action("zoom1")->shortcut(), QKeySequence("Ctrl+0"));
    EXPECT_EQ(w.action("zoomIn")->shortcut(), QKeySequence("Ctrl+="));
    EXPECT_EQ(w.action("zoomOut")->shortcut(), QKeySequence("Ctrl+-"));
    EXPECT_EQ(w.action("fullScreen")->shortcut(), QKeySequence("F11"));
    EXPECT_EQ(w.action("mute")->shortcut(), QKeySequence("Ctrl+M"));
    w.action("zoomIn")->trigger();
    EXPECT_EQ(w.form->zoom(), 4);
    w.action("zoomIn")->trigger();
    EXPECT_EQ(w.form->zoom(), 4);
    w.action("zoomOut")->trigger();
    EXPECT_EQ(w.form->zoom(), 3);
    w.action("zoom2")->trigger();
    EXPECT_EQ(w.form->zoom(), 2);
    EXPECT_EQ(w.form->findChild<QWidget*>("Picture1")->geometry(), QRect(80, 0, 400, 230));
    w.form->close();
    EXPECT_EQ(readFile(w.ini()),
              "[Parvel]\r\nZoom=2\r\nOther=1\r\nShowErrors=False\r\nPlaySounds=True\r\nPlayMusic="
              "True\r\n");

    Window garbled("[Parvel]\r\nZoom=7\r\n");
    EXPECT_EQ(garbled.form->zoom(), fittingZoom({280, 500}, screen));
    Window kept("[Parvel]\r\nZoom=4\r\n");
    kept.form->close();
    EXPECT_EQ(kept.form->settingsFile().read("Zoom"), "4");
}

TEST(PlayerWindowZoom, FullScreenCentresTheContentAndEscLeavesIt) {
    Window w;
    w.form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.form.get()));
    w.action("fullScreen")->trigger();
    ASSERT_TRUE(w.form->fullScreenMode());
    const QSize area = w.form->centralWidget()->size();
    const int k = largestZoomInside(w.form->designContent(), area);
    const QSize design = w.form->designContent();
    // The menu bar is tucked away; its strip stays free above the content.
    EXPECT_EQ(w.form->menuBar()->height(), 0);
    const int bar = w.form->menuBar()->sizeHint().height();
    const QPoint origin((area.width() - design.width() * k) / 2,
                        (area.height() - design.height() * k + bar) / 2);
    EXPECT_EQ(w.form->findChild<QWidget*>("Picture1")->geometry(),
              QRect(origin + QPoint(40 * k, 0), QSize(200, 115) * k));
    QTest::keyClick(w.form->findChild<QWidget*>("Picture1"), Qt::Key_Escape);
    EXPECT_FALSE(w.form->fullScreenMode());
    EXPECT_FALSE(w.action("fullScreen")->isChecked());
    EXPECT_EQ(w.form->findChild<QWidget*>("Picture1")->geometry(), QRect(40, 0, 200, 115));
    // Esc went to the window, not the game.
    EXPECT_EQ(std::count(w.core.calls.begin(), w.core.calls.end(), "keyDown 27"), 0);
    w.form->close();
    EXPECT_EQ(w.form->settingsFile().read("FullScreen"), "False");
}

TEST(PlayerWindowVolume, SlidersApplyLiveAndAreSavedGarbledReadsFull) {
    Window w("[Parvel]\r\nMasterVolume=loud\r\nX=y\r\n");
    EXPECT_EQ(w.form->settings().MasterVolume, 100);
    const int before = w.core.volumeChanges;
    w.action("volume")->trigger();
    VolumeWindow* v = w.form->volumeWindow();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->windowTitle(), "Volume");
    EXPECT_EQ(v->slider(VolumeWindow::Music)->value(), 100);
    v->slider(VolumeWindow::Master)->setValue(40);
    v->slider(VolumeWindow::Music)->setValue(0);
    EXPECT_EQ(w.form->settings().MasterVolume, 40);
    EXPECT_EQ(w.form->settings().MusicVolume, 0);
    EXPECT_EQ(w.form->settings().SoundVolume, 100);
    EXPECT_EQ(w.core.volumeChanges, before + 2);
    w.action("mute")->trigger();
    EXPECT_TRUE(w.form->settings().Mute);
    EXPECT_EQ(w.core.volumeChanges, before + 3);
    w.form->close();
    EXPECT_EQ(readFile(w.ini()),
              "[Parvel]\r\nMasterVolume=40\r\nX=y\r\nShowErrors=False\r\nPlaySounds=True\r\n"
              "PlayMusic=True\r\nMusicVolume=0\r\nMute=True\r\n");

    Window again(readFile(w.ini()));
    EXPECT_EQ(again.form->settings().MasterVolume, 40);
    EXPECT_EQ(again.form->settings().MusicVolume, 0);
    EXPECT_EQ(again.form->settings().SoundVolume, 100);
    EXPECT_TRUE(again.action("mute")->isChecked());
}

TEST(PlayerWindowVolume, SoundFontThatFailsSaysWhyAndKeepsTheKey) {
    Window w("[Parvel]\r\nSoundFont=/old.sf2\r\n");
    w.form->soundFontDialogHook = [] { return QStringLiteral("/tmp/broken.sf2"); };
    w.action("soundFont")->trigger();
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0],
              "Cannot use the soundfont /tmp/broken.sf2: there is no music output. "
              "Music keeps the soundfont it had.");
    EXPECT_EQ(w.form->settingsFile().read("SoundFont"), "/old.sf2");
}

TEST(PlayerWindowGamepad, ModuleLoadsOnlyOnceAJoystickDeviceAppears) {
    app();
    QTemporaryDir input;
    Gamepad pad;
    pad.start(input.path());
    EXPECT_EQ(pad.backend(), nullptr);  // no joystick: no SDL, nothing polled
    EXPECT_FALSE(pad.polling());
    writeFile(dirOf(input) + "event3", "");
    QTest::qWait(100);
    EXPECT_EQ(pad.backend(), nullptr);  // a keyboard or mouse is no reason
    writeFile(dirOf(input) + "js0", "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return pad.backend() != nullptr; }, 2000));
    EXPECT_TRUE(pad.polling());  // looking for the new controller for a while
}

TEST(PlayerWindowGamepad, VirtualControllerChoosesWalksAndStarts) {
    Window w;
    Gamepad* pad = w.form->gamepad();
    ASSERT_NE(pad, nullptr);
    ASSERT_TRUE(pad->activate());
    PadBackend* b = pad->backend();
    EXPECT_FALSE(pad->polling());  // nothing attached: nothing read
    if (!b->attachVirtual()) GTEST_SKIP() << "SDL cannot make a virtual controller here";
    pad->poll();
    EXPECT_EQ(b->controllers(), 1);
    EXPECT_TRUE(pad->polling());
    w.core.calls.clear();
    auto press = [&](PadButton button, bool down) {
        b->setVirtualButton(static_cast<int>(button), down);
        pad->poll();
    };
    press(PadButton::Start, true);
    press(PadButton::Start, false);
    press(PadButton::X, true);
    press(PadButton::X, false);
    press(PadButton::DpadLeft, true);
    press(PadButton::DpadLeft, false);
    b->setVirtualAxis(static_cast<int>(PadAxis::LeftX), 32767);
    pad->poll();
    b->setVirtualAxis(static_cast<int>(PadAxis::LeftX), 0);
    pad->poll();
    b->setVirtualAxis(static_cast<int>(PadAxis::TriggerRight), 32767);
    pad->poll();
    EXPECT_EQ(w.core.calls,
              (std::vector<std::string>{"click", "keyDown 68", "keyUp 68", "keyDown 37", "keyUp 37",
                                        "keyDown 39", "keyUp 39", "keyDown 17"}));
    // Help > Controls says what the controller does.
    w.action("controls")->trigger();
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_NE(w.messages[0].find("Game controller: A B X Y and the left and right shoulder buttons "
                                 "choose options 1 to 6"),
              std::string::npos);
}

}  // namespace
