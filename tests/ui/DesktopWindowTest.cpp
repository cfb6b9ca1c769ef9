// The player window on a desktop: a real X server with a window manager
// (own_desktop.sh), where frames, focus and dialogs behave as users see them.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "Controls.h"
#include "PlayerCore.h"
#include "PlayerWindow.h"
#include "UiTestSupport.h"

using namespace parvel;
using namespace parvel::ui;
using namespace parvel::ui::test;

namespace {

const char kGame[] =
    "[Setup]\r\n@firstscene = Gate\r\n@fntColor = 000255000\r\n@msOverColor = 255255000\r\n\r\n"
    "[Title]\r\n@name = Desk\r\n\r\n"
    "[Gate]\r\n@description = A gate.\r\n@option1 = Knock\r\n@Link1 = Yard\r\n@option2 = Leave\r\n@Link2 = Gate\r\n\r\n"
    "[Yard]\r\n@description = A yard.\r\n@option1 = Back\r\n@Link1 = Gate\r\n";

// A player window with its own settings and game folder, on the real core
// (or, with `fake`, on a core that records calls).
struct Desk {
    QTemporaryDir root;
    FakeCore fake;
    std::unique_ptr<PlayerWindow> form;
    std::unique_ptr<PlayerCore> core;
    std::vector<std::string> messages;

    explicit Desk(bool useFake = false) {
        QDir(root.path()).mkpath("bin");
        QDir(root.path()).mkpath("game");
        fakeCore = useFake;
        start();
    }
    // A new window on the same settings, as the next run of the program.
    void restart() {
        form->close();
        form->setCore(nullptr);
        core.reset();
        form.reset();
        start();
    }
    bool fakeCore = false;
    void start() {
        const bool useFake = fakeCore;
        app();
        form = std::make_unique<PlayerWindow>(
            PlayerWindow::Options{{dirOf(root) + "bin/", dirOf(root) + "config/"}});
        if (!useFake) core = std::make_unique<PlayerCore>(*form, nullptr);
        form->setCore(useFake ? static_cast<GameCore*>(&fake) : core.get());
        form->messageBoxHook = [this](std::string_view text, MsgButtons b, std::string_view) {
            messages.emplace_back(text);
            return b == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
        };
        form->startUp();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    ~Desk() {
        form->setCore(nullptr);
        form->hide();
    }
    // Until the window manager has framed the window and it kept still for
    // 400 ms (the window looks at its frame every 100 ms after showing).
    // The frame once the window manager has framed the window at its
    // current size and it has kept still; a frame left from the size before
    // a zoom step does not count.
    QRect settled() {
        QRect last;
        int still = 0;
        for (int i = 0; i < 100 && still < 8; ++i) {
            QTest::qWait(50);
            const QRect now = form->frameGeometry();
            const QRect client = form->geometry();
            const bool framed = now.contains(client) && now.size() != client.size();
            still = framed && now == last ? still + 1 : 0;
            last = now;
        }
        return last;
    }
    std::string gameFile() const { return dirOf(root) + "game/Gamefile.txt"; }
    void open(const std::string& script = kGame) {
        writeFile(gameFile(), script);
        form->openChosenFile(QString::fromStdString(gameFile()));
    }
    QAction* action(const char* name) { return form->findChild<QAction*>(name); }
    QLabel* label(const char* name) { return form->findChild<QLabel*>(name); }
    QWidget* picture() { return form->Picture1(); }

    // Clicks the title screen and runs `body` once the first scene shows,
    // inside the main loop (Timer1 starts it after a second), which ends
    // with the window.
    void play(const std::function<void()>& body) {
        bool done = false;
        QTimer::singleShot(1500, form.get(), [this, body, &done] {
            EXPECT_TRUE(QTest::qWaitFor([this] { return !core->player().scene().name.empty(); }, 3000));
            body();
            done = true;
            form->quitNow();
        });
        QTest::mouseClick(picture(), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&done] { return done; }, 20000));
    }
};

}  // namespace

// Enter that closes a dialog is pressed there and released over the game:
// the release alone must not choose the option under the focus ring.
TEST(DesktopKeys, EnterThatClosesADialogNeverReachesTheGame) {
    Desk d(true);
    d.form->setCaption(Control::Label3, "(a) Strike");
    QTest::keyClick(d.picture(), Qt::Key_Tab);  // the ring on option 1
    d.form->messageBoxHook = nullptr;          // the real Controls box
    d.fake.calls.clear();
    QTimer::singleShot(50, d.form.get(), [] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_TRUE(box);
        QTest::keyPress(box, Qt::Key_Return);
    });
    d.action("controls")->trigger();
    QTest::keyRelease(d.picture(), Qt::Key_Return);
    // (The pointer is off the window: the box's opening tells the core so.)
    std::erase(d.fake.calls, "optionHover 0");
    EXPECT_EQ(d.fake.calls, std::vector<std::string>{});

    // A whole press and release over the game still chooses.
    QTest::keyClick(d.picture(), Qt::Key_Return);
    std::erase(d.fake.calls, "optionHover 0");
    EXPECT_EQ(d.fake.calls, (std::vector<std::string>{"keyDown 13", "keyUp 13", "optionClick 1"}));
}

// The mouse's marker goes when the pointer leaves the window; the keyboard's
// ring (drawn round another option) is the only mark left.
TEST(DesktopHover, MarkerClearsWhenThePointerLeavesTheWindow) {
    Desk d;
    d.open();
    d.form->setCaption(Control::Label3, "(a) Knock");
    d.form->setCaption(Control::Label4, "(s) Leave");
    QTest::mouseMove(d.label("Label3"), QPoint(5, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), d.label("Label3")->mapToGlobal(QPointF(5, 5)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(d.label("Label3"), &move);
    ASSERT_EQ(d.label("Label3")->text(), "(a) Knock <--");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(d.form.get(), &leave);
    EXPECT_EQ(d.label("Label3")->text(), "(a) Knock");
    EXPECT_EQ(d.label("Label3")->palette().color(QPalette::WindowText), QColor(0, 255, 0));
}

TEST(DesktopFeedback, QuickSaveAndLoadMuteAndF9WithoutAGameSaySo) {
    Desk d;
    d.action("quickLoad")->trigger();
    EXPECT_EQ(d.messages, std::vector<std::string>{"Please open a game first!"});
    d.action("mute")->trigger();
    EXPECT_EQ(d.form->notice(), "Sound off (Ctrl+M turns it on)");
    d.action("mute")->trigger();
    EXPECT_EQ(d.form->notice(), "Sound on");

    d.open();
    QString saved, loaded;
    d.play([&] {
        d.action("quickSave")->trigger();
        saved = d.form->notice();
        d.action("quickLoad")->trigger();
        loaded = d.form->notice();
    });
    EXPECT_EQ(saved, "Quick save done (F9 loads it)");
    EXPECT_EQ(loaded, "Quick save loaded");
    EXPECT_EQ(d.messages, std::vector<std::string>{"Please open a game first!"});
}

// A speech service that takes the connection and never answers: the window
// goes on drawing, and Read Aloud turns itself off for the run and says why.
TEST(DesktopSpeech, ServiceThatNeverAnswersTurnsReadAloudOffWithoutBlocking) {
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/speechd.sock";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::copy(path.begin(), path.end(), address.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 4), 0);  // connections wait in the backlog, unanswered
    qputenv("SPEECHD_ADDRESS", QByteArray::fromStdString("unix_socket:" + path));

    Desk d(true);
    QAction* item = d.action("rdAloud");
    item->trigger();
    ASSERT_TRUE(d.form->settings().ReadAloud);
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start(50);
    d.form->speak("A gate.");
    EXPECT_TRUE(QTest::qWaitFor([item] { return !item->isEnabled(); }, 15000));
    EXPECT_GT(ticks, 40);  // the window's loop ran all the while
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(d.form->settings().ReadAloud);
    EXPECT_EQ(d.form->notice(), "Read Aloud is off: speech-dispatcher did not answer within 4 seconds.");
    qunsetenv("SPEECHD_ADDRESS");
    ::close(fd);
}

// Save: typing goes to the empty name field, the player's slots show by
// what they are, saving over one asks; Load renames and deletes.
TEST(DesktopSaves, SaveWindowTypesANameAsksBeforeOverwritingAndSlotsRenameAndGo) {
    Desk d;
    d.open();
    std::vector<QString> questions, shown;
    QString focusName = "(none)", prefilled = "(none)";
    d.form->slotQuestionHook = [&](const QString& q) {
        questions.push_back(q);
        return true;
    };
    d.form->slotNameHook = [](const QString&) { return QStringLiteral("before the gate"); };
    bool renamed = false, deleted = false, quickGone = false;
    d.play([&] {
        d.action("quickSave")->trigger();
        QTimer::singleShot(100, [&] {
            QWidget* w = QApplication::activeModalWidget();
            ASSERT_TRUE(w);
            QWidget* focus = QApplication::focusWidget();
            focusName = focus ? focus->objectName() : QString();
            auto* name = w->findChild<QLineEdit*>("slotName");
            prefilled = name->text();
            auto* list = w->findChild<QListWidget*>("slotList");
            for (int r = 0; r < list->count(); ++r) shown.push_back(list->item(r)->text().section('\n', 0, 0));
            QTest::keyClicks(focus, "quick save");
            QTest::keyClick(focus, Qt::Key_Return);
        });
        d.action("saveAs")->trigger();
        QTimer::singleShot(100, [&] {
            QWidget* w = QApplication::activeModalWidget();
            ASSERT_TRUE(w);
            auto* list = w->findChild<QListWidget*>("slotList");
            for (int r = 0; r < list->count(); ++r)
                if (list->item(r)->text().startsWith("Quick save")) list->setCurrentRow(r);
            w->findChild<QPushButton*>("renameSlot")->click();
            renamed = d.core->saves()->saveSlots().exists("before the gate");
            quickGone = !d.core->saves()->saveSlots().exists("quick");
            w->findChild<QPushButton*>("deleteSlot")->click();
            deleted = !d.core->saves()->saveSlots().exists("before the gate");
            QTest::keyClick(w, Qt::Key_Escape);
        });
        d.action("loadFrom")->trigger();
    });
    EXPECT_EQ(focusName, "slotName");
    EXPECT_EQ(prefilled, "");
    std::sort(shown.begin(), shown.end());  // saved within the same second
    EXPECT_EQ(shown, (std::vector<QString>{"Autosave", "Quick save"}));
    EXPECT_EQ(questions, (std::vector<QString>{"Save over \"Quick save\"? What it holds now is lost.",
                                               "Delete \"before the gate\"? It cannot be brought back."}));
    EXPECT_TRUE(renamed);
    EXPECT_TRUE(quickGone);
    EXPECT_TRUE(deleted);
}

// Sizes from the real frame: 1080p starts at 2x (frame and all within 90 %
// of the available height), a factor is the same size whether restarted at
// or reached by keys, and the title bar stays on the screen.
TEST(DesktopSizes, FirstStartRestartAndKeysGiveTheRealSizeOnScreen) {
    Desk d(true);
    const QRect available = d.form->screen()->availableGeometry();
    const QRect first = d.settled();
    const QSize firstClient = d.form->size();
    EXPECT_EQ(d.form->zoom(), 2);
    EXPECT_LE(10 * first.height(), 9 * available.height());
    d.action("zoom1")->trigger();
    const QRect one = d.settled();
    EXPECT_EQ(one.size(), QSize(280, 500));
    d.action("zoomIn")->trigger();
    // Qt renews its copy of the frame only when the window manager moves the
    // window, which a resize in place may never do: the client is compared.
    d.settled();
    EXPECT_EQ(d.form->size(), firstClient);
    d.restart();
    const QRect again = d.settled();
    EXPECT_EQ(d.form->zoom(), 2);
    EXPECT_EQ(again.size(), first.size());
    EXPECT_TRUE(available.contains(again)) << again.x() << "," << again.y();
    EXPECT_GT(d.form->geometry().top(), again.top());  // the title bar above the client
}

// Zoom steps whose framed window the screen cannot take are greyed, saying
// why, and Ctrl+= stops at the largest that fits.
TEST(DesktopSizes, StepsThatDoNotFitAreGreyedAndCtrlPlusStopsAtTheLargest) {
    Desk d(true);
    const QSize free = d.form->screen()->availableGeometry().size();
    const QRect two = d.settled();
    ASSERT_EQ(d.form->zoom(), 2);
    const QSize chrome = two.size() - d.form->designContent() * 2;
    EXPECT_TRUE(d.action("zoom2")->isEnabled());
    for (int k : {3, 4}) {
        QAction* step = d.action(("zoom" + std::to_string(k)).c_str());
        const QSize window = d.form->designContent() * k + chrome;
        EXPECT_FALSE(step->isEnabled()) << k;
        EXPECT_EQ(step->toolTip(), QStringLiteral("Too big for this screen: %1\u00D7 is %2\u00D7%3 pixels, "
                                                  "%4\u00D7%5 are free")
                                       .arg(k).arg(window.width()).arg(window.height())
                                       .arg(free.width()).arg(free.height()));
    }
    QTest::keyClick(d.picture(), Qt::Key_Equal, Qt::ControlModifier);
    d.action("zoomIn")->trigger();
    EXPECT_EQ(d.form->zoom(), 2);
    EXPECT_EQ(d.settled(), two);
}

TEST(DesktopSizes, OnlyOneTimesFitsAt1366x768) {
    Desk d(true);
    const QRect first = d.settled();
    EXPECT_EQ(d.form->zoom(), 1);
    EXPECT_EQ(first.size(), QSize(280, 500));  // as Ctrl+0 makes it
    EXPECT_FALSE(d.action("zoom2")->isEnabled());
    d.action("zoomIn")->trigger();
    EXPECT_EQ(d.form->zoom(), 1);
    EXPECT_TRUE(d.form->screen()->availableGeometry().contains(d.settled()));
}

// A window made larger by hand shows the game in its middle, black around.
TEST(DesktopSizes, WindowEnlargedByHandCentresTheGame) {
    Desk d(true);
    d.settled();
    ASSERT_EQ(d.form->zoom(), 2);
    d.form->setWindowBackground(255);  // red
    d.form->resize(d.form->size() + QSize(200, 100));
    d.settled();
    EXPECT_EQ(d.picture()->geometry(), QRect(QPoint(100 + 80, 50), QSize(400, 230)));
    const QImage shot = d.form->centralWidget()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(50, 300), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(shot.width() - 50, 300), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(150, 300), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(300, 20), QColor(Qt::black));
}

// Full screen: the menu bar is out of sight, the game at the whole screen's
// factor centred below the bar's strip; the pointer at the top edge or Alt
// brings the bar out over that strip without moving the game; shortcuts
// work while it is away; F11 gives back the window as it was.
static void fullScreenRun(Desk& d) {
    d.settled();
    const QSize windowed = d.form->size();
    QMenuBar* bar = d.form->menuBar();
    const int barHeight = bar->height();
    ASSERT_GT(barHeight, 0);
    d.form->setWindowBackground(255);  // red content on black
    QCursor::setPos(960, 600);
    d.action("fullScreen")->trigger();
    const QRect screen(0, 0, 1920, 1080);
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.form->geometry() == screen; }, 5000));
    EXPECT_EQ(bar->height(), 0);
    const QSize design = d.form->designContent();
    const QRect picture(d.picture()->mapToGlobal(QPoint(0, 0)), d.picture()->size());
    EXPECT_EQ(picture, QRect((1920 - 2 * design.width()) / 2 + 80,
                             (1080 - 2 * design.height() + barHeight) / 2, 400, 230));
    // On screen, once the content is drawn: the top edge is black, or the bar.
    const auto topIs = [&](bool bar) {
        const QImage s = d.form->screen()->grabWindow(0).toImage();
        const bool black = s.pixelColor(5, 5) == Qt::black && s.pixelColor(960, 5) == Qt::black &&
                           s.pixelColor(1900, 5) == Qt::black;
        return s.pixelColor(picture.bottomLeft() + QPoint(10, 40)) == Qt::red &&
               s.pixelColor(5, barHeight + 2) == Qt::black && black != bar;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return topIs(false); }, 3000));

    QCursor::setPos(960, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->height() == barHeight; }, 3000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return topIs(true); }, 3000));
    EXPECT_EQ(QRect(d.picture()->mapToGlobal(QPoint(0, 0)), d.picture()->size()), picture);
    QCursor::setPos(960, 600);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->height() == 0; }, 3000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return topIs(false); }, 3000));

    ASSERT_EQ(std::system("xdotool key alt"), 0);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return bar->height() == barHeight && bar->hasFocus(); }, 3000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return topIs(true); }, 3000));
    ASSERT_EQ(std::system("xdotool key Escape"), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->height() == 0; }, 3000));
    EXPECT_TRUE(d.form->fullScreenMode());

    int opened = 0;
    d.form->openDialogHook = [&](QFileDialog&) { ++opened; return QString(); };
    ASSERT_EQ(std::system("xdotool key ctrl+o"), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return opened == 1; }, 3000));
    ASSERT_EQ(std::system("xdotool key F11"), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !d.form->fullScreenMode(); }, 3000));
    d.settled();
    EXPECT_EQ(d.form->size(), windowed);
    EXPECT_EQ(bar->height(), barHeight);
}

TEST(DesktopSizes, FullScreenBarComesOutAtTheTopEdgeAndWithAlt) {
    Desk d(true);
    bool done = false;
    // Inside the main loop, where the menus are on and keys are handled.
    d.fake.mainLoopBody = [&] { fullScreenRun(d); done = true; };
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 40000));
}

// Started in full screen (the setting kept from the last run), the window
// manager holds the window as full screen: asking it for the screen's
// geometry made openbox take it for an ordinary window, framed off screen.
TEST(DesktopSizes, FullScreenAtStartIsTheWindowManagersFullScreen) {
    Desk d(true);
    d.settled();
    d.action("fullScreen")->trigger();
    d.restart();
    const QRect screen(0, 0, 1920, 1080);
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.form->geometry() == screen; }, 5000));
    QTest::qWait(300);  // for a geometry asked after it
    std::string state(256, '\0');
    const std::string query = "xprop -id " + std::to_string(d.form->winId()) + " _NET_WM_STATE";
    if (FILE* p = ::popen(query.c_str(), "r")) {
        state.resize(std::fread(state.data(), 1, state.size(), p));
        ::pclose(p);
    }
    EXPECT_NE(state.find("_NET_WM_STATE_FULLSCREEN"), std::string::npos) << state;
}
