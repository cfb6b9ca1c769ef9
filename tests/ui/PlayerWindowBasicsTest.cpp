#include <gtest/gtest.h>

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWindow>
#include <QDir>
#include <sys/stat.h>

#include <filesystem>

#include "Controls.h"
#include "PlayerWindow.h"
#include "IniFile.h"
#include "KeyMap.h"
#include "ShelfData.h"
#include "UiTestSupport.h"

using namespace parvel;
using namespace parvel::ui;
using namespace parvel::ui::test;

namespace {

struct Window {
    QTemporaryDir root;
    FakeCore core;
    std::unique_ptr<PlayerWindow> form;
    std::vector<std::string> messages;

    std::string program() const { return dirOf(root) + "bin/"; }
    std::string ini() const { return program() + "Parvel.ini"; }

    explicit Window(const std::string& iniText = {}) {
        app();
        QDir(root.path()).mkpath("bin");
        if (!iniText.empty()) writeFile(ini(), iniText);
        form = std::make_unique<PlayerWindow>(PlayerWindow::Options{{program(), dirOf(root) + "config/"}});
        form->setCore(&core);
        form->messageBoxHook = [this](std::string_view text, MsgButtons b, std::string_view title) {
            messages.push_back(std::string(title) + ": " + std::string(text));
            return b == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
        };
    }
    QAction* action(const char* name) { return form->findChild<QAction*>(name); }
    QMenu* menu(const char* name) { return form->findChild<QMenu*>(name); }
    QWidget* widget(const char* name) { return form->findChild<QWidget*>(name); }
};

}  // namespace

TEST(PlayerWindowLayout, WindowAndControlsHaveTheDesignedGeometry) {
    Window w;
    w.form->startUp();
    EXPECT_EQ(w.form->frameGeometry(), QRect(0, 0, 280, 500));
    EXPECT_EQ(w.form->windowTitle(), "Parvel");

    const std::pair<const char*, QRect> expected[] = {
        {"Picture1", {40, 0, 200, 115}}, {"Picture2", {40, 0, 198, 115}},
        {"HPherol", {0, 24, 41, 17}},    {"maxHerol", {0, 40, 41, 25}},
        {"eneHPl", {240, 24, 49, 17}},   {"enemAxl", {240, 40, 49, 25}},
        {"Label2", {0, 120, 275, 137}},  {"Label3", {0, 256, 265, 33}},
        {"Label4", {0, 288, 265, 33}},   {"Label5", {0, 320, 265, 33}},
        {"Label6", {0, 352, 265, 33}},   {"Label7", {0, 384, 265, 33}},
        {"Label8", {0, 416, 265, 33}},
    };
    QWidget* client = w.form->centralWidget();
    EXPECT_EQ(client->mapTo(w.form.get(), QPoint(0, 0)).y(), w.form->menuBar()->height());
    for (const auto& [name, rect] : expected) {
        QWidget* c = w.widget(name);
        ASSERT_NE(c, nullptr) << name;
        EXPECT_EQ(c->parentWidget(), client) << name;
        EXPECT_EQ(c->geometry(), rect) << name;
    }
    EXPECT_TRUE(w.widget("Picture1")->isVisible());
    EXPECT_FALSE(w.widget("Picture2")->isVisible());
    EXPECT_EQ(w.form->focusWidget(), w.widget("Picture1"));
    for (const char* name : {"Label2", "Label3", "Label8", "HPherol"}) {
        auto* l = w.form->findChild<QLabel*>(name);
        EXPECT_TRUE(l->wordWrap()) << name;
        EXPECT_EQ(l->text(), "") << name;
    }
}

TEST(PlayerWindowMenus, CaptionsOrderAndInitialState) {
    Window w;
    QList<QAction*> top = w.form->menuBar()->actions();
    ASSERT_EQ(top.size(), 5);
    const char* topNames[] = {"Fle", "opns", "getGame", "sprtSpd", "Help"};
    const char* topCaptions[] = {"&File", "&Options", "&GetGames", "&SpriteSpeed", "&Help"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(top[i]->objectName(), topNames[i]);
        EXPECT_EQ(top[i]->text(), topCaptions[i]);
        EXPECT_FALSE(top[i]->isEnabled()) << topNames[i];
    }
    struct Item {
        const char* name;
        const char* caption;
        bool checkable, checked, enabled;
    };
    const std::pair<const char*, std::vector<Item>> menus[] = {
        {"Fle",
         {{"opn", "&Open", false, false, true},
          {"CheckFiles", "&Check Files...", false, false, true},
          {"hyp", "", false, false, true},
          {"Exitt", "E&xit", false, false, true}}},
        {"opns",
         {{"sE", "Show Errors", true, false, true},
          {"plySnds", "Play Sounds", true, true, true},
          {"plyMusic", "Play Music", true, true, true}}},
        {"getGame", {{"chckNG", "&Check for new Games!", false, false, true}}},
        {"sprtSpd",
         {{"slwr", "Normal", true, true, true},
          {"nrml", "Faster", true, false, false},
          {"fast", "Fastest", true, false, true}}},
        {"Help", {{"about", "&About", false, false, true}}},
    };
    for (const auto& [menuName, items] : menus) {
        QList<QAction*> actions = w.menu(menuName)->actions();
        ASSERT_EQ(actions.size(), static_cast<qsizetype>(items.size())) << menuName;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const Item& it = items[i];
            QAction* a = actions[static_cast<qsizetype>(i)];
            EXPECT_EQ(a->objectName(), it.name);
            EXPECT_EQ(a->text(), it.caption) << it.name;
            EXPECT_EQ(a->isSeparator(), std::string(it.name) == "hyp") << it.name;
            EXPECT_EQ(a->isCheckable(), it.checkable) << it.name;
            EXPECT_EQ(a->isChecked(), it.checked) << it.name;
            EXPECT_EQ(a->isEnabled(), it.enabled) << it.name;
        }
    }
}

TEST(PlayerWindowMenus, AllFiveMenusFitTheWindowWidth) {
    Window w;
    w.form->startUp();
    QMenuBar* bar = w.form->menuBar();
    const QRect help = bar->actionGeometry(bar->actions().last());
    EXPECT_FALSE(help.isEmpty());
    EXPECT_LE(help.right(), bar->width() - 1);
    EXPECT_EQ(bar->height(), w.widget("PlayerWindowSurface")->y());
}

TEST(PlayerWindowMenus, MainLoopEnablesTheMenusAboutOneSecondAfterStartUp) {
    Window w;
    w.form->startUp();
    EXPECT_EQ(w.core.calls, std::vector<std::string>{"startUp"});
    QTimer& t = w.form->Timer1();
    EXPECT_TRUE(t.isActive());
    EXPECT_TRUE(t.isSingleShot());
    EXPECT_EQ(t.interval(), 1000);

    QTest::qWait(700);
    EXPECT_FALSE(w.action("Fle")->isEnabled());
    EXPECT_EQ(w.core.calls.size(), 1u);
    QTest::qWait(600);
    for (const char* name : {"Fle", "opns", "getGame", "Help", "nrml"})
        EXPECT_TRUE(w.action(name)->isEnabled()) << name;
    EXPECT_FALSE(w.action("sprtSpd")->isEnabled());  // only while a sprite walks
    EXPECT_EQ(w.core.calls, (std::vector<std::string>{"startUp", "MainLoop"}));
    EXPECT_FALSE(t.isActive());

    w.form->setSpriteSpeedEnabled(true);
    EXPECT_TRUE(w.action("sprtSpd")->isEnabled());
}

TEST(PlayerWindowMenus, TimerDefersMainLoopWhileACoreCallRuns) {
    Window w;
    w.form->startUp();
    bool enabledDuringLoad = true;
    w.core.calls.clear();
    // A slow load from the command line: Timer1 comes due inside it.
    struct SlowCore : FakeCore {
        PlayerWindow* form = nullptr;
        bool* seen = nullptr;
        void openGame(const std::string& p) override {
            FakeCore::openGame(p);
            QTest::qWait(1300);
            *seen = form->findChild<QAction*>("Fle")->isEnabled() || (!calls.empty() && calls.back() == "MainLoop");
        }
    } slow;
    slow.form = w.form.get();
    slow.seen = &enabledDuringLoad;
    w.form->setCore(&slow);
    writeFile(dirOf(w.root) + "Gamefile.txt", "");
    w.form->openChosenFile(QString::fromStdString(dirOf(w.root) + "Gamefile.txt"));
    EXPECT_FALSE(enabledDuringLoad);
    QTest::qWait(200);
    EXPECT_EQ(slow.calls.back(), "MainLoop");
    EXPECT_TRUE(w.action("Fle")->isEnabled());
}

TEST(PlayerWindowSettings, StartUpSetsFlagsAndMarksFromTheFile) {
    Window w("[Parvel]\r\nPlaySounds=False\r\nShowErrors=true\r\n");
    w.form->startUp();
    EXPECT_TRUE(w.form->settings().ShowErrors);
    EXPECT_FALSE(w.form->settings().PlaySounds);
    EXPECT_TRUE(w.form->settings().PlayMusic);  // missing: designed mark
    EXPECT_TRUE(w.action("sE")->isChecked());
    EXPECT_FALSE(w.action("plySnds")->isChecked());
    EXPECT_TRUE(w.action("plyMusic")->isChecked());
    EXPECT_TRUE(w.messages.empty());
}

TEST(PlayerWindowSettings, FirstRunCreatesNoFileAndKeepsSoundAndMusicOn) {
    Window w;
    w.form->startUp();
    EXPECT_FALSE(w.form->settings().ShowErrors);
    EXPECT_TRUE(w.form->settings().PlaySounds);
    EXPECT_TRUE(w.form->settings().PlayMusic);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(w.ini())));
}

TEST(PlayerWindowSettings, BadValueAsksWhetherToRun) {
    Window yes("[Parvel]\r\nPlaySounds=maybe\r\n");
    yes.form->startUp();
    EXPECT_EQ(yes.messages, (std::vector<std::string>{"Parvel: ERROR IN LOAD - 13 Type mismatch",
                                                      "Continue?: Attempt to run?"}));
    EXPECT_TRUE(yes.form->settings().PlaySounds);
    EXPECT_FALSE(yes.form->quitting());
    EXPECT_TRUE(yes.form->isVisible());

    Window no("[Parvel]\r\nShowErrors=maybe\r\n");
    no.form->messageBoxHook = [](std::string_view, MsgButtons b, std::string_view) {
        return b == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
    };
    no.form->startUp();
    EXPECT_TRUE(no.form->quitting());
    EXPECT_FALSE(no.form->Timer1().isActive());
    EXPECT_EQ(readFile(no.ini()), "[Parvel]\r\nShowErrors=maybe\r\n");  // left for the user to mend
}

TEST(PlayerWindowSettings, MenuTogglesKeepFlagAndMarkEqualAndExitSavesThem) {
    Window w("[Parvel]\r\nLstDir = /g/\r\nCatalogueHost=c.example\r\n");
    w.core.mainLoopBody = [&] {
        w.action("sE")->trigger();
        w.action("plyMusic")->trigger();
        EXPECT_TRUE(w.form->settings().ShowErrors);
        EXPECT_TRUE(w.action("sE")->isChecked());
        EXPECT_FALSE(w.form->settings().PlayMusic);
        EXPECT_FALSE(w.action("plyMusic")->isChecked());
        w.action("plyMusic")->trigger();
        w.action("plyMusic")->trigger();
        EXPECT_FALSE(w.form->settings().PlayMusic);

        w.action("fast")->trigger();
        EXPECT_EQ(w.form->settings().SpriteSpeedBonus, 5);
        w.action("slwr")->trigger();
        w.action("slwr")->trigger();  // choosing the checked item keeps it checked
        EXPECT_EQ(w.form->settings().SpriteSpeedBonus, 0);
        EXPECT_TRUE(w.action("slwr")->isChecked());
        EXPECT_FALSE(w.action("nrml")->isChecked());
        EXPECT_FALSE(w.action("fast")->isChecked());
        w.action("nrml")->trigger();
        EXPECT_EQ(w.form->settings().SpriteSpeedBonus, 2);
        EXPECT_TRUE(w.action("nrml")->isChecked());

        w.action("Exitt")->trigger();
        EXPECT_TRUE(w.form->quitting());
    };
    w.form->startUp();
    w.form->Timer1().start(0);
    QTest::qWait(20);
    ASSERT_EQ(w.core.calls.size(), 3u);
    EXPECT_EQ(w.core.calls.back(), "shutdown exit");
    EXPECT_FALSE(w.form->isVisible());
    EXPECT_EQ(readFile(w.ini()),
              "[Parvel]\r\nLstDir = /g/\r\nCatalogueHost=c.example\r\nShowErrors=True\r\n"
              "PlaySounds=True\r\nPlayMusic=False\r\n");
    // Nothing runs after shut-down.
    QTest::mouseClick(w.widget("Picture1"), Qt::LeftButton);
    w.form->close();
    EXPECT_EQ(w.core.calls.size(), 3u);
}

TEST(PlayerWindowSettings, ClosingTheWindowShutsDownAndSaves) {
    Window w;
    w.form->startUp();
    w.form->close();
    EXPECT_EQ(w.core.calls.back(), "shutdown close");
    EXPECT_EQ(readFile(w.ini()), "[Parvel]\r\nShowErrors=False\r\nPlaySounds=True\r\nPlayMusic=True\r\n");
}

TEST(PlayerWindowOpen, DialogHasTheDesignedTitleFiltersAndFolder) {
    Window w;
    QTemporaryDir games;
    WriteIniValue(w.ini(), "LstDir", dirOf(games), "Parvel");
    QString title, folder;
    QStringList filters;
    w.form->openDialogHook = [&](QFileDialog& d) {
        title = d.windowTitle();
        filters = d.nameFilters();
        folder = d.directory().absolutePath() + "/";
        return QString();
    };
    w.form->startUp();
    w.action("opn")->trigger();
    EXPECT_EQ(title, "Please Choose a valid Game File");
    EXPECT_EQ(folder.toStdString(), dirOf(games));
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(filters[0].startsWith("Gamefile.txt;GameFile.Cgm ("));
    EXPECT_TRUE(filters[1].startsWith("*.* ("));

    // The patterns take the two game file names in any case, and nothing else.
    for (const char* f : {"GAMEFILE.TXT", "gamefile.cgm", "GameFile.Cgm", "Gamefile.txt.bak", "game.txt"})
        writeFile(dirOf(games) + f, "");
    const QString patterns = filters[0].section('(', 1).chopped(1);
    QStringList matched = QDir(games.path()).entryList(patterns.split(' '), QDir::Files | QDir::CaseSensitive,
                                                       QDir::Name);
    EXPECT_EQ(matched, (QStringList{"GAMEFILE.TXT", "GameFile.Cgm", "gamefile.cgm"}));
    const QString all = filters[1].section('(', 1).chopped(1);
    EXPECT_EQ(QDir(games.path()).entryList({all}, QDir::Files).size(), 5);
}

TEST(PlayerWindowOpen, CancelledDialogDoesNothing) {
    Window w("[Parvel]\r\nLstDir = /nowhere/\r\n");
    w.form->openDialogHook = [](QFileDialog&) { return QString(); };
    w.form->startUp();
    w.core.calls.clear();
    w.action("opn")->trigger();
    EXPECT_TRUE(w.core.calls.empty());
    EXPECT_EQ(readFile(w.ini()), "[Parvel]\r\nLstDir = /nowhere/\r\n");
}

TEST(PlayerWindowOpen, ChosenFileSavesItsFolderThenOpens) {
    Window w;
    QTemporaryDir games;
    const std::string game = dirOf(games) + "Gamefile.txt";
    writeFile(game, "");
    w.form->openDialogHook = [&](QFileDialog&) { return QString::fromStdString(game); };
    w.form->startUp();
    w.action("opn")->trigger();
    EXPECT_EQ(w.core.calls.back(), "openGame " + game);
    EXPECT_EQ(readFile(w.ini()), "[Parvel]\r\nLstDir=" + dirOf(games) + "\r\n");
}

TEST(PlayerWindowOpen, CommandLineFileIsFoundWithoutRegardToCase) {
    Window w;
    QTemporaryDir games;
    writeFile(dirOf(games) + "GameFile.Cgm", "");
    w.form->startUp();
    w.form->openChosenFile(QString::fromStdString(dirOf(games) + "gamefile.cgm"));
    EXPECT_EQ(w.core.calls.back(), "openGame " + dirOf(games) + "GameFile.Cgm");

    w.form->openChosenFile(QString::fromStdString(dirOf(games) + "missing.txt"));
    EXPECT_EQ(w.messages, std::vector<std::string>{"Parvel: Cannot find the game file " + dirOf(games) + "missing.txt"});
    EXPECT_EQ(w.core.calls.back(), "openGame " + dirOf(games) + "GameFile.Cgm");

    // A folder name that is no UTF-8, as the command line hands it over.
    const std::string odd = dirOf(games) + "g\xff\xfe/";
    ASSERT_EQ(::mkdir(odd.c_str(), 0700), 0);
    writeFile(odd + "Gamefile.txt", "");
    w.form->openChosenFile(parvel::shelf::pathText(odd + "Gamefile.txt"));
    EXPECT_EQ(w.core.calls.back(), "openGame " + odd + "Gamefile.txt");
    std::filesystem::remove_all(odd);
}

TEST(PlayerWindowOpen, CheckFilesWithoutAGameSaysSo) {
    Window w;
    w.form->startUp();
    w.action("CheckFiles")->trigger();
    EXPECT_EQ(w.messages, std::vector<std::string>{"Parvel: Please open a game first!"});
}

TEST(PlayerWindowInput, ClicksOnWindowLabel2AndPicture1StartTheGame) {
    Window w;
    w.form->startUp();
    w.core.calls.clear();
    QTest::mouseClick(w.widget("Picture1"), Qt::LeftButton);
    QTest::mouseClick(w.widget("Label2"), Qt::LeftButton);
    QTest::mousePress(w.form->centralWidget(), Qt::RightButton, {}, QPoint(270, 470));  // bare window
    EXPECT_EQ(w.core.calls, (std::vector<std::string>{"click", "click", "click"}));

    w.core.calls.clear();
    QTest::mouseClick(w.widget("Picture1"), Qt::RightButton);  // not a click
    QTest::mouseClick(w.widget("HPherol"), Qt::LeftButton);    // labels keep their presses
    QTest::mouseClick(w.widget("eneHPl"), Qt::LeftButton);
    EXPECT_TRUE(w.core.calls.empty());
}

TEST(PlayerWindowInput, KeysReachTheCoreWithTheirOldCodes) {
    Window w;
    w.form->startUp();
    w.core.calls.clear();
    QWidget* pic = w.widget("Picture1");
    QTest::keyPress(pic, Qt::Key_Right);
    QTest::keyRelease(pic, Qt::Key_Right);
    QTest::keyPress(pic, Qt::Key_Left);
    QTest::keyRelease(pic, Qt::Key_Left);
    QTest::keyPress(pic, Qt::Key_Control);
    QTest::keyRelease(pic, Qt::Key_Control);
    QTest::keyClick(pic, Qt::Key_A);
    QTest::keyClick(pic, Qt::Key_Z);
    QTest::keyClick(pic, Qt::Key_F1);
    EXPECT_EQ(w.core.calls,
              (std::vector<std::string>{"keyDown 39", "keyUp 39", "keyDown 37", "keyUp 37", "keyDown 17",
                                        "keyUp 17", "keyDown 65", "keyUp 65", "keyDown 90", "keyUp 90",
                                        "keyDown 0", "keyUp 0"}));

    // A held key repeats its press; only the real release counts.
    w.core.calls.clear();
    QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_S, Qt::NoModifier, QString("s"), true);
    QKeyEvent repeatDown(QEvent::KeyPress, Qt::Key_S, Qt::NoModifier, QString("s"), true);
    QApplication::sendEvent(pic, &repeatUp);
    QApplication::sendEvent(pic, &repeatDown);
    EXPECT_EQ(w.core.calls, std::vector<std::string>{"keyDown 83"});
}

TEST(KeyMap, LettersArrowsAndControl) {
    const std::pair<int, int> cases[] = {
        {Qt::Key_A, 65}, {Qt::Key_S, 83}, {Qt::Key_D, 68}, {Qt::Key_F, 70}, {Qt::Key_G, 71},
        {Qt::Key_Z, 90}, {Qt::Key_Left, 37}, {Qt::Key_Right, 39}, {Qt::Key_Up, 38}, {Qt::Key_Down, 40},
        {Qt::Key_Control, 17}, {Qt::Key_5, 53}, {Qt::Key_Space, 32}, {Qt::Key_Escape, 27},
        {Qt::Key_F1, 0}, {Qt::Key_Meta, 0},
    };
    for (auto [qt, code] : cases) EXPECT_EQ(playerKeyCode(qt), code) << qt;
}

TEST(PlayerWindowInput, OptionLabelsReportHoverAndClickWithTheirNumber) {
    Window w;
    w.form->startUp();
    w.core.calls.clear();
    const char* names[] = {"Label3", "Label4", "Label5", "Label6", "Label7", "Label8"};
    for (int k = 1; k <= 6; ++k) {
        QWidget* l = w.widget(names[k - 1]);
        QTest::mouseMove(l, QPoint(10, 10));
        QMouseEvent move(QEvent::MouseMove, QPointF(12, 12), l->mapToGlobal(QPointF(12, 12)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(l, &move);
        QTest::mouseClick(l, Qt::LeftButton, {}, QPoint(12, 12));
    }
    std::vector<std::string> expected;
    for (int k = 1; k <= 6; ++k) {
        expected.push_back("optionHover " + std::to_string(k));
        expected.push_back("optionClick " + std::to_string(k));
    }
    std::vector<std::string> got;
    for (auto& c : w.core.calls)
        if (got.empty() || got.back() != c) got.push_back(c);  // moves may repeat
    EXPECT_EQ(got, expected);
}

TEST(PlayerWindowHost, CaptionsColoursFontsAndLayout) {
    Window w;
    w.form->startUp();
    auto* label2 = w.form->findChild<QLabel*>("Label2");
    w.form->setCaption(Control::Label2, "Parvel - D\xe9mo\r\n1 2\rAuthor: \r\n\r\n<b>&x</b>");
    EXPECT_EQ(label2->text(), QString::fromUtf8("Parvel - D\u00e9mo\n1 2\nAuthor: \n\n<b>&x</b>"));
    EXPECT_EQ(w.form->caption(Control::Label2), "Parvel - D\xe9mo\r\n1 2\rAuthor: \r\n\r\n<b>&x</b>");
    EXPECT_EQ(label2->textFormat(), Qt::PlainText);

    w.form->setForeColour(Control::Label5, 0x00C0C000);  // 0x00BBGGRR: cyan-ish
    EXPECT_EQ(w.form->foreColour(Control::Label5), 0x00C0C000u);
    EXPECT_EQ(w.form->findChild<QLabel*>("Label5")->palette().color(QPalette::WindowText), QColor(0, 192, 192));
    EXPECT_EQ(PlayerWindow::toQColor(255), QColor(255, 0, 0));

    w.form->setLabelFont("No Such Font Family", 10.5);
    for (const char* name : {"Label2", "Label3", "Label8"}) {
        QFont f = w.form->findChild<QLabel*>(name)->font();
        EXPECT_EQ(f.family(), "No Such Font Family");
        EXPECT_DOUBLE_EQ(f.pointSizeF(), 10.5);
        EXPECT_FALSE(QFontInfo(f).family().isEmpty());  // matched to an installed face
    }
    EXPECT_DOUBLE_EQ(w.form->findChild<QLabel*>("HPherol")->font().pointSizeF(), 8.0);

    w.form->setDescriptionLayout(true, 137);
    EXPECT_EQ(label2->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    w.form->setDescriptionLayout(false, 100);
    EXPECT_EQ(label2->alignment(), Qt::AlignLeft | Qt::AlignTop);
    EXPECT_EQ(label2->geometry(), QRect(0, 120, 275, 100));

    w.form->setTitle("Parvel - \xe9");
    EXPECT_EQ(w.form->windowTitle(), QString::fromUtf8("Parvel - \u00e9"));
    EXPECT_EQ(w.form->title(), "Parvel - \xe9");
}

// Qt reads "[*]" in a title as the place of an unsaved-changes mark and
// drops it; a game's title shows as the game wrote it.
TEST(PlayerWindowHost, TitleShowsSquareBracketStarAsWritten) {
    Window w;
    w.form->startUp();
    w.form->winId();  // the native window, whose title the desktop shows
    w.form->setTitle("Parvel - Star [*] Wars [*][*]");
    EXPECT_EQ(w.form->windowHandle()->title().toStdString(), "Parvel - Star [*] Wars [*][*]");
    EXPECT_EQ(w.form->title(), "Parvel - Star [*] Wars [*][*]");
}

TEST(PlayerWindowHost, BackgroundColourAndPicture) {
    Window w;
    w.form->startUp();
    auto* surface = static_cast<Surface*>(w.form->centralWidget());
    w.form->setWindowBackground(0x00FF0000);
    EXPECT_EQ(surface->background(), QColor(0, 0, 255));

    QTemporaryDir dir;
    QImage red(8, 4, QImage::Format_RGB32);
    red.fill(QColor(255, 0, 0));
    ASSERT_TRUE(red.save(dir.filePath("Back.bmp")));
    w.form->setWindowPicture(dirOf(dir) + "back.BMP");  // found without regard to case
    EXPECT_EQ(surface->picture().size(), QSize(8, 4));
    w.form->setWindowPicture(dirOf(dir) + "missing.bmp");  // keeps the previous one
    EXPECT_EQ(surface->picture().size(), QSize(8, 4));

    QImage shot = w.form->centralWidget()->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(1, 120 + 130)), QColor(0, 0, 255));  // below the picture: background
}

TEST(PlayerWindowHost, VideoAreaReplacesThePicture) {
    Window w;
    w.form->startUp();
    w.form->showVideoArea(true);
    EXPECT_TRUE(w.widget("Picture2")->isVisible());
    EXPECT_FALSE(w.widget("Picture1")->isVisible());
    EXPECT_EQ(w.form->focusWidget(), w.widget("Picture2"));
    w.form->showVideoArea(false);
    EXPECT_FALSE(w.widget("Picture2")->isVisible());
    EXPECT_EQ(w.form->focusWidget(), w.widget("Picture1"));
}

TEST(PlayerWindowHost, PicturePaintsTheCoresImage) {
    Window w;
    w.core.image = QImage(200, 115, QImage::Format_RGB32);
    w.core.image.fill(QColor(10, 20, 30));
    w.core.image.setPixel(199, 114, qRgb(250, 0, 0));
    w.form->startUp();
    w.form->pictureChanged();
    QImage shot = w.widget("Picture1")->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(0, 0)), QColor(10, 20, 30));
    EXPECT_EQ(QColor(shot.pixel(199, 114)), QColor(250, 0, 0));
}

TEST(PlayerWindowHost, WaitUntilSleepsUntilTheDeadlineOrInput) {
    Window w;
    w.form->startUp();
    // Deadline in the past: returns at once.
    const Micros t0 = w.form->now();
    w.form->waitUntil(t0 - 1);
    // No input: wakes at the deadline, not before.
    const Micros deadline = w.form->now() + 30'000;
    while (w.form->now() < deadline) w.form->waitUntil(deadline);
    EXPECT_GE(w.form->now(), deadline);
    // Input wakes it long before a far deadline.
    QTimer::singleShot(20, w.form.get(), [&] { QTest::keyClick(w.widget("Picture1"), Qt::Key_A); });
    w.core.calls.clear();
    const Micros far = w.form->now() + 60 * kMicrosPerSecond;
    while (w.core.calls.empty()) w.form->waitUntil(far);
    EXPECT_LT(w.form->now(), far);
    EXPECT_EQ(w.core.calls.front(), "keyDown 65");

    for (int i = 0; i < 1000; ++i) {
        const double r = w.form->random();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
    }
}

TEST(AboutWindow, AboutWindowShowsWithoutBlocking) {
    Window w;
    w.form->startUp();
    w.action("about")->trigger();
    auto* about = w.form->findChild<QDialog*>("AboutWindow");
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(about->windowTitle(), "About...");
    EXPECT_EQ(about->findChild<QLabel*>("Label1")->text(), "Parvel version 1.0");
}
