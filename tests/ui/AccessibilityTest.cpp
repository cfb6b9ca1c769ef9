// What a screen reader finds in the window, keyboard-only play with the
// focus ring, and the Read Aloud setting.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include "Controls.h"
#include "PlayerWindow.h"
#include "SaveSlotsWindow.h"
#include "Settings.h"
#include "UiTestSupport.h"

using namespace parvel;
using namespace parvel::ui;
using namespace parvel::ui::test;

namespace {

struct Window {
    QTemporaryDir root;
    FakeCore core;
    std::unique_ptr<PlayerWindow> form;

    explicit Window(const std::string& iniText = {}) {
        app();
        QDir(root.path()).mkpath("bin");
        if (!iniText.empty()) writeFile(dirOf(root) + "bin/Parvel.ini", iniText);
        form = std::make_unique<PlayerWindow>(
            PlayerWindow::Options{{dirOf(root) + "bin/", dirOf(root) + "config/"}});
        form->setCore(&core);
        form->startUp();
        core.calls.clear();
    }
    QWidget* widget(const char* name) { return form->findChild<QWidget*>(name); }
    QAccessibleInterface* a11y(const char* name) {
        return QAccessible::queryAccessibleInterface(widget(name));
    }
    std::string name(const char* widgetName) {
        return a11y(widgetName)->text(QAccessible::Name).toStdString();
    }
    void key(int k) { QTest::keyClick(widget("Picture1"), static_cast<Qt::Key>(k)); }
    int ring() {
        for (int k = 1; k <= 6; ++k)
            if (static_cast<ControlLabel*>(form->label(optionLabel(k)))->focusRing()) return k;
        return 0;
    }
};

}  // namespace

TEST(Accessibility, LabelsReadAsTextButtonsAndPoints) {
    Window w;
    w.form->setCaption(Control::Label2, "An iron gate.\rA lantern.");
    w.form->setCaption(Control::Label3, "(a) Walk in <--");
    w.form->setCaption(Control::Label4, "(s) Turn back");
    w.form->setCaption(Control::HPherol, "15");
    w.form->setCaption(Control::maxHerol, "/20");
    w.form->setCaption(Control::eneHPl, "3");

    EXPECT_EQ(w.name("Label2"), "An iron gate.\nA lantern.");
    EXPECT_EQ(w.a11y("Label2")->role(), QAccessible::StaticText);
    EXPECT_EQ(w.name("Label3"), "Walk in");
    EXPECT_EQ(w.a11y("Label3")->role(), QAccessible::Button);
    EXPECT_EQ(w.name("Label4"), "Turn back");
    EXPECT_FALSE(w.a11y("Label4")->state().invisible);
    EXPECT_TRUE(w.a11y("Label5")->state().invisible);  // no option there
    EXPECT_EQ(w.name("HPherol"), "Hero 15 of 20");
    EXPECT_TRUE(w.a11y("maxHerol")->state().invisible);
    EXPECT_EQ(w.name("eneHPl"), "Enemy 3");
    EXPECT_EQ(w.name("Picture1"), "Scene picture");
    EXPECT_EQ(w.a11y("Picture1")->role(), QAccessible::Graphic);
    w.form->setSpriteSpeedEnabled(true);  // a walking scene
    EXPECT_EQ(w.a11y("Picture1")->text(QAccessible::Description),
              "You can walk with the arrow keys");
    w.form->setSpriteSpeedEnabled(false);
    EXPECT_EQ(w.a11y("Picture1")->text(QAccessible::Description), "");

    auto* action = w.a11y("Label4")->actionInterface();
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
    action->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(w.core.calls, std::vector<std::string>{"optionClick 2"});
    EXPECT_TRUE(w.a11y("Label5")->actionInterface()->actionNames().isEmpty());

    w.form->setDescriptionLayout(true, 137);  // the title screen's block
    w.form->setCaption(Control::Label2, "Parvel - Road\r\nMay 2026\r\nAuthor: Ann");
    EXPECT_EQ(w.name("Label2"), "Parvel - Road");
}

TEST(Accessibility, MenusHaveNamesAndDialogsOpenWhereAReaderStarts) {
    Window w;
    for (const auto& [object, name] : {std::pair{"Fle", "File"}, {"opns", "Options"}, {"getGame", "GetGames"},
                                       {"sprtSpd", "SpriteSpeed"}, {"Help", "Help"}, {"zoomMenu", "Zoom"}}) {
        auto* menu = w.form->findChild<QMenu*>(object);
        ASSERT_TRUE(menu) << object;
        EXPECT_EQ(QAccessible::queryAccessibleInterface(menu)->text(QAccessible::Name).toStdString(), name);
    }

    StoryWindow story(QStringLiteral("The gate.\n> Open it\nThe yard.\n"));
    auto* text = story.findChild<QPlainTextEdit*>("storyText");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(text)->textInterface()->cursorPosition(), 0);

    const std::vector<SaveSlots::Slot> twoSlots{{"quick", "Road", "The road.", "2026-12-07 20:20:15", {}},
                                            {"mine", "Dusk", "Dusk.", "2026-12-07 20:20:14", {}}};
    SaveSlotsWindow load(SaveSlotsWindow::Mode::Load, twoSlots);
    load.show();
    auto* list = load.findChild<QListWidget*>("slotList");
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_TRUE(list->currentItem()->isSelected());
    EXPECT_EQ(load.focusWidget(), list);
    SaveSlotsWindow save(SaveSlotsWindow::Mode::Save, twoSlots);
    save.show();
    auto* name = save.findChild<QLineEdit*>("slotName");
    EXPECT_EQ(save.findChild<QListWidget*>("slotList")->currentRow(), 0);
    EXPECT_EQ(save.focusWidget(), name);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(name)->text(QAccessible::Description).toStdString(),
              "Type a new name, or choose a slot above to save over it");
}

TEST(KeyboardPlay, TabAndArrowsMoveAVisibleRingAndEnterChooses) {
    Window w;
    w.form->setCaption(Control::Label3, "(a) One");
    w.form->setCaption(Control::Label4, "(s) Two");
    w.form->setCaption(Control::Label6, "(f) Four");
    QWidget* client = w.form->centralWidget();
    const QImage before = client->grab().toImage();
    EXPECT_EQ(w.ring(), 0);  // mouse play: nothing drawn

    w.key(Qt::Key_Tab);
    EXPECT_EQ(w.ring(), 1);
    const QImage ringed = client->grab().toImage();
    EXPECT_NE(ringed, before);
    // Only the ringed option's own rectangle changed.
    const QRect option1 = w.widget("Label3")->geometry();
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (!option1.contains(x, y)) {
                ASSERT_EQ(ringed.pixel(x, y), before.pixel(x, y)) << x << "," << y;
            }

    w.key(Qt::Key_Down);
    EXPECT_EQ(w.ring(), 2);
    w.key(Qt::Key_Down);
    EXPECT_EQ(w.ring(), 4);  // the empty third option is skipped
    w.key(Qt::Key_Tab);
    EXPECT_EQ(w.ring(), 1);  // round again
    QTest::keyClick(w.widget("Picture1"), Qt::Key_Backtab);
    EXPECT_EQ(w.ring(), 4);
    w.key(Qt::Key_Up);
    EXPECT_EQ(w.ring(), 2);
    w.core.calls.clear();
    w.key(Qt::Key_Return);
    EXPECT_EQ(w.core.calls, (std::vector<std::string>{"keyDown 13", "keyUp 13", "optionClick 2"}));

    // The next scene's options: the ring starts on the first again.
    for (int k = 1; k <= 6; ++k) w.form->setCaption(optionLabel(k), "");
    EXPECT_EQ(w.ring(), 0);
    w.form->setCaption(Control::Label4, "(s) Onward");
    EXPECT_EQ(w.ring(), 2);
    w.core.calls.clear();
    w.key(Qt::Key_Space);
    EXPECT_EQ(w.core.calls, (std::vector<std::string>{"keyDown 32", "keyUp 32", "optionClick 2"}));
}

TEST(KeyboardPlay, EnterWithoutOptionsStartsTheTitleScreenLikeAClick) {
    Window w;
    w.key(Qt::Key_Return);
    EXPECT_EQ(w.core.calls, (std::vector<std::string>{"keyDown 13", "keyUp 13", "click"}));
}

TEST(ReadAloudSetting, MenuItemFollowsTheIniAndIsSavedOnlyOnceUsed) {
    Window off;
    QAction* item = off.form->findChild<QAction*>("rdAloud");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "&Read Aloud");
    EXPECT_TRUE(item->isCheckable());
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(off.form->findChild<QMenu*>("opns")->actions().back(), item);
    EXPECT_FALSE(off.form->settings().ReadAloud);

    Window on("[Parvel]\r\nReadAloud=True\r\n");
    EXPECT_TRUE(on.form->findChild<QAction*>("rdAloud")->isChecked());
    EXPECT_TRUE(on.form->settings().ReadAloud);

    PlayerSettings s;
    SettingsFile file(on.form->settingsFile().location());
    EXPECT_TRUE(savePlayerSettings(file, s));
    EXPECT_EQ(file.read("ReadAloud"), "False");  // kept once the file has it
}

// Without a speech service (none running, none to start) the item is off
// before anyone ticks it, and says why.
TEST(ReadAloudSetting, MenuItemIsOffWithAReasonWithoutASpeechService) {
    if (QFileInfo("/usr/bin/speech-dispatcher").isExecutable())
        GTEST_SKIP() << "speech-dispatcher is installed here";
    QTemporaryDir runtime;
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    qunsetenv("SPEECHD_ADDRESS");
    Window w;
    QMenu* options = w.form->findChild<QMenu*>("opns");
    QMetaObject::invokeMethod(options, "aboutToShow");
    QAction* item = w.form->findChild<QAction*>("rdAloud");
    EXPECT_FALSE(item->isEnabled());
    EXPECT_EQ(
        item->toolTip().toStdString(),
        "Read Aloud needs speech-dispatcher (Debian: speech-dispatcher), which is not installed.");
    if (oldRuntime.isEmpty())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", oldRuntime);
}
