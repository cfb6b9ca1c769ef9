// The window with the real player core behind it: opening generated games
// and the option labels' highlight.

#include <gtest/gtest.h>

#include <map>

#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QAction>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>

#include "Controls.h"
#include "PlayerWindow.h"
#include "PlayerCore.h"
#include "UiTestSupport.h"

using namespace parvel;
using namespace parvel::ui;
using namespace parvel::ui::test;

namespace {

std::string crlf(std::initializer_list<const char*> lines) {
    std::string s;
    for (const char* l : lines) s += std::string(l) + "\r\n";
    return s;
}

struct OpenedWindow {
    QTemporaryDir root;
    std::unique_ptr<PlayerWindow> form;
    std::unique_ptr<PlayerCore> core;

    OpenedWindow() {
        app();
        QDir(root.path()).mkpath("bin");
        QDir(root.path()).mkpath("game");
        form = std::make_unique<PlayerWindow>(PlayerWindow::Options{{dirOf(root) + "bin/", dirOf(root) + "config/"}});
        core = std::make_unique<PlayerCore>(*form, nullptr);
        form->setCore(core.get());
        form->messageBoxHook = [](std::string_view, MsgButtons b, std::string_view) {
            return b == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
        };
        form->startUp();
    }
    ~OpenedWindow() { form->setCore(nullptr); }

    std::string gameDir() const { return dirOf(root) + "game/"; }
    void open(const std::string& script, const char* name = "Gamefile.txt") {
        writeFile(gameDir() + name, script);
        form->openChosenFile(QString::fromStdString(gameDir() + name));
    }
    QLabel* label(const char* name) { return form->findChild<QLabel*>(name); }
    QColor colour(const char* name) { return label(name)->palette().color(QPalette::WindowText); }
    Surface* surface() { return static_cast<Surface*>(form->centralWidget()); }
};

}  // namespace

TEST(OpenGameWindow, SetupAndTitleReachTheWindow) {
    OpenedWindow w;
    QImage pic(16, 8, QImage::Format_RGB32);
    pic.fill(QColor(1, 2, 3));
    ASSERT_TRUE(pic.save(QString::fromStdString(w.gameDir() + "Back.bmp")));
    w.open(crlf({"[Setup]", "@firstscene = Start", "@bkColor = 000000064", "@fntColor = 255128000",
                 "@msOverColor = 300000255", "@fntSize = 10.5", "@font = DejaVu Sans", "@bkPic = back.bmp",
                 "@imagedir = pics", "", "[Title]", "@name = Demo", "@date = May 2026", "@version = 1.2",
                 "@author = Ann", "@artist = Bo", "@company = Co", "@contact = a@b.c", "@copyright = (c) Us",
                 "", "[Start]", "@description = Hi"}));

    EXPECT_EQ(w.form->windowTitle(), "Parvel - Demo");
    EXPECT_EQ(w.label("Label2")->text(),
              "Parvel - Demo\nMay 2026 1.2\nAuthor: Ann\n\nArtist: Bo\nProduced by: Co\n(a@b.c)\n(c) Us");
    EXPECT_EQ(w.label("Label2")->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    EXPECT_EQ(w.label("Label2")->geometry(), QRect(0, 120, 275, 137));
    for (const char* name : {"Label2", "Label3", "Label4", "Label5", "Label6", "Label7", "Label8"}) {
        EXPECT_EQ(w.colour(name), QColor(255, 128, 0)) << name;
        EXPECT_EQ(w.label(name)->font().family(), "DejaVu Sans") << name;
        EXPECT_DOUBLE_EQ(w.label(name)->font().pointSizeF(), 10.5) << name;
        EXPECT_EQ(QFontInfo(w.label(name)->font()).family(), "DejaVu Sans") << name;
    }
    EXPECT_EQ(w.surface()->background(), QColor(0, 0, 64));
    EXPECT_EQ(w.surface()->picture().size(), QSize(16, 8));
    EXPECT_EQ(QColor(w.surface()->picture().pixel(0, 0)), QColor(1, 2, 3));
    EXPECT_EQ(w.core->player().setup().imageDir, w.gameDir() + "pics\\");
    EXPECT_EQ(w.core->gamePath(), w.gameDir() + "Gamefile.txt");
    // The folder was saved before the load.
    EXPECT_EQ(w.form->settingsFile().read("LstDir"), w.gameDir());
}

TEST(OpenGameWindow, NumberColoursAndAFallbackFont) {
    OpenedWindow w;
    w.open(crlf({"[Setup]", "@firstscene = Start", "@bkColor = H16711680", "@fntColor = h255",
                 "@font = MS Sans Serif", "", "[Title]", "@name = Demo", "", "[Start]"}));
    EXPECT_EQ(w.surface()->background(), QColor(0, 0, 255));
    EXPECT_EQ(w.colour("Label2"), QColor(255, 0, 0));
    EXPECT_EQ(w.colour("Label8"), QColor(255, 0, 0));
    // No picture for a coloured game without one.
    EXPECT_TRUE(w.surface()->picture().isNull());
    // "MS Sans Serif" is asked for; the system matches a sans-serif face.
    const QFont f = w.label("Label3")->font();
    EXPECT_EQ(f.family(), "MS Sans Serif");
    EXPECT_DOUBLE_EQ(f.pointSizeF(), 8.0);
    EXPECT_FALSE(QFontInfo(f).family().isEmpty());
    EXPECT_EQ(w.label("Label2")->text(), "Parvel - Demo\n \nAuthor: \n\nArtist: \nProduced by: \n()\n");
}

TEST(OpenGameWindow, BareSetupGivesTheDefaults) {
    OpenedWindow w;
    w.open(crlf({"[Setup]", "@firstscene = Start", "", "[Start]"}));
    EXPECT_EQ(w.surface()->background(), QColor(0, 0, 0));
    EXPECT_EQ(w.colour("Label5"), QColor(0, 192, 0));
    EXPECT_EQ(w.core->player().setup().musicDir, w.gameDir() + "\\");  // game folder, then "\"
    // The black program-folder picture replaces any earlier background.
    EXPECT_EQ(w.surface()->picture().size(), QSize(200, 115));
}

TEST(OpenGameWindow, OpeningResetsOptionsAndHitPoints) {
    OpenedWindow w;
    for (Control c : {Control::Label3, Control::Label8, Control::HPherol, Control::maxHerol,
                      Control::eneHPl, Control::enemAxl})
        w.form->setCaption(c, "x");
    w.open(crlf({"[Setup]", "@firstscene = Start", "", "[Start]"}));
    for (const char* name : {"Label3", "Label8", "HPherol", "maxHerol", "eneHPl", "enemAxl"})
        EXPECT_EQ(w.label(name)->text(), "") << name;
}

TEST(OptionLabelsWindow, HoverMarksOneLabelInTheMouseOverColour) {
    OpenedWindow w;
    w.open(crlf({"[Setup]", "@firstscene = Start", "@fntColor = 000255000", "@msOverColor = 255255000", "",
                 "[Start]"}));
    w.form->setCaption(Control::Label3, "(a) Go <-- on");
    w.form->setCaption(Control::Label4, "(s) Back");
    auto hover = [&](const char* name) {
        QWidget* l = w.label(name);
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), l->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(l, &move);
    };
    hover("Label4");
    hover("Label4");
    EXPECT_EQ(w.label("Label4")->text(), "(s) Back <--");
    EXPECT_EQ(w.colour("Label4"), QColor(255, 255, 0));
    EXPECT_EQ(w.colour("Label3"), QColor(0, 255, 0));

    hover("Label3");
    EXPECT_EQ(w.label("Label3")->text(), "(a) Go <-- on <--");
    EXPECT_EQ(w.label("Label4")->text(), "(s) Back");
    EXPECT_EQ(w.colour("Label4"), QColor(0, 255, 0));
    EXPECT_EQ(w.colour("Label3"), QColor(255, 255, 0));

    hover("Label5");  // empty: nothing changes
    EXPECT_EQ(w.label("Label3")->text(), "(a) Go <-- on <--");
    hover("Label4");
    EXPECT_EQ(w.label("Label3")->text(), "(a) Go");  // cut at the first marker
}

// Keyboard users open every item with Alt and its letter; a letter used
// twice in one menu only cycles between the two.
TEST(PlayerWindowMenus, NoTwoItemsOfAMenuShareTheirAltKey) {
    OpenedWindow w;
    std::vector<QMenu*> menus;
    for (QAction* a : w.form->menuBar()->actions()) menus.push_back(a->menu());
    int items = 0;
    for (std::size_t m = 0; m < menus.size(); ++m) {
        std::map<QChar, QString> keys;
        for (QAction* a : menus[m]->actions()) {
            if (a->menu()) menus.push_back(a->menu());
            const QString t = a->text();
            const qsizetype at = t.indexOf(QRegularExpression("&[^&]"));
            if (at < 0) continue;
            ++items;
            const QChar key = t[at + 1].toLower();
            EXPECT_TRUE(keys.emplace(key, t).second)
                << menus[m]->title().toStdString() << ": " << t.toStdString() << " and "
                << keys[key].toStdString();
        }
    }
    EXPECT_GE(items, 15) << items;  // the File menu's saves and shelf are there
}

// The menu captions stay as they always were; keys are added beside them.
TEST(PlayerWindowMenus, OpenAndExitHaveTheirKeysAndControlsListsEveryKey) {
    OpenedWindow w;
    auto action = [&](const char* name) { return w.form->findChild<QAction*>(name); };
    EXPECT_EQ(action("opn")->text(), "&Open");
    EXPECT_EQ(action("opn")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(action("Exitt")->text(), "E&xit");
    EXPECT_EQ(action("Exitt")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(action("about")->text(), "&About");
    EXPECT_EQ(action("controls")->text(), "&Controls...");
    for (const char* name : {"rdAloud", "fullScreen", "volume", "mute", "soundFont"})
        EXPECT_TRUE(action(name)->text().contains(QLatin1Char('&'))) << name;
    std::string shown;
    w.form->messageBoxHook = [&](std::string_view text, MsgButtons, std::string_view) {
        shown = text;
        return MsgAnswer::Ok;
    };
    action("controls")->trigger();
    for (const char* key : {"F5 quick save", "F9 quick load", "Backspace goes back", "Ctrl+H", "Ctrl+R",
                            "Ctrl+O", "Ctrl+Q"})
        EXPECT_NE(shown.find(key), std::string::npos) << key;
}
