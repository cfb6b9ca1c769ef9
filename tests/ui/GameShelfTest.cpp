// The ways to a game besides File > Open: the recent list, the shelf window
// and dropping a game on the window.

#include <gtest/gtest.h>

#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <QUrl>
#include <filesystem>

#include "PlayerWindow.h"
#include "GameLibrary.h"
#include "GameShelfWindow.h"
#include "ShelfScan.h"
#include "TestFiles.h"
#include "UiTestSupport.h"

using namespace parvel;
using namespace parvel::ui;
using namespace parvel::ui::test;

namespace {

// Opening a game shows its title the way OpenGame does: "Parvel - " and the
// name, here the game's folder name.
struct TitledCore : FakeCore {
    PlayerWindow* form = nullptr;
    void openGame(const std::string& p) override {
        FakeCore::openGame(p);
        const std::string folder = p.substr(0, p.find_last_of('/'));
        form->setTitle("Parvel - " + folder.substr(folder.find_last_of('/') + 1));
    }
};

struct Player {
    QTemporaryDir root;
    TitledCore core;
    std::unique_ptr<PlayerWindow> form;

    Player() { start(); }
    void start() {
        app();
        QDir(root.path()).mkpath("bin");
        form = std::make_unique<PlayerWindow>(
            PlayerWindow::Options{{dirOf(root) + "bin/", dirOf(root) + "config/"}});
        core.form = form.get();
        form->setCore(&core);
        form->messageBoxHook = [](std::string_view, MsgButtons, std::string_view) {
            return MsgAnswer::Ok;
        };
        form->startUp();
    }
    void restart() {
        form.reset();
        start();
    }
    std::string game(const std::string& folder, const std::string& name) {
        QDir(root.path()).mkpath(QString::fromStdString("games/" + folder));
        const std::string path = dirOf(root) + "games/" + folder + "/Gamefile.txt";
        writeFile(path,
                  "[Setup]\r\n@firstscene=Start\r\n[Title]\r\n@name=" + name + "\r\n[Start]\r\n");
        return path;
    }
    QStringList recentItems() {
        QMenu* m = form->library()->recentMenu();
        Q_EMIT m->aboutToShow();
        QStringList out;
        for (QAction* a : m->actions())
            if (!a->isSeparator()) out << a->text() + (a->isEnabled() ? "" : " (grey)");
        return out;
    }
};

QStringList shownNames(GameShelfWindow& shelf) {
    QStringList out;
    QAbstractItemModel* m = shelf.view()->model();
    for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, 0).data().toString();
    return out;
}

}  // namespace

TEST(RecentGames, MenuSurvivesARestartStaysAtTenAndDropsDuplicates) {
    Player p;
    for (int i = 1; i <= 12; ++i)
        p.form->openChosenFile(QString::fromStdString(p.game("g" + std::to_string(i), "x")));
    p.form->openChosenFile(QString::fromStdString(p.game("g3", "x")));
    p.restart();
    EXPECT_EQ(p.recentItems(),
              (QStringList{"&1 g3\tCtrl+1", "&2 g12\tCtrl+2", "&3 g11\tCtrl+3", "&4 g10\tCtrl+4",
                           "&5 g9\tCtrl+5", "&6 g8\tCtrl+6", "&7 g7\tCtrl+7", "&8 g6\tCtrl+8",
                           "&9 g5\tCtrl+9", "g4", "&Remove Missing Games (grey)", "&Clear List"}));
    EXPECT_EQ(p.form->library()->recentMenu()->actions()[0]->toolTip(),
              QString::fromStdString(dirOf(p.root) + "games/g3/Gamefile.txt"));

    // Ctrl+2 opens the second; a game that has gone is greyed and can go.
    p.form->findChild<QAction*>("recent2")->trigger();
    EXPECT_EQ(p.core.calls.back(), "openGame " + dirOf(p.root) + "games/g12/Gamefile.txt");
    QFile::remove(QString::fromStdString(dirOf(p.root) + "games/g11/Gamefile.txt"));
    const QStringList items = p.recentItems();
    EXPECT_EQ(items[2], "&3 g11\tCtrl+3 (grey)");
    EXPECT_EQ(items[10], "&Remove Missing Games");
    p.form->findChild<QAction*>("removeMissing")->trigger();
    EXPECT_EQ(p.recentItems()[2], "&3 g10\tCtrl+3");
}

TEST(GameShelf, AddedFolderIsListedFilteredAndEnterOpensTheGame) {
    Player p;
    p.game("b/Beacon", "Beacon Hill");
    p.game("a/Amber", "Amber Coast");
    p.game("a/Lantern", "The Lantern Road");
    p.form->findChild<QAction*>("gameShelf")->trigger();
    GameShelfWindow* shelf = p.form->library()->shelfWindow();
    ASSERT_NE(shelf, nullptr);
    QSignalSpy done(shelf, &GameShelfWindow::scanFinished);
    ASSERT_TRUE(done.wait(5000));  // nothing added yet
    EXPECT_EQ(shelf->status()->text(), "Add a folder that holds games.");
    shelf->chooseFolderHook = [&] { return p.root.path() + "/games"; };
    shelf->findChild<QPushButton*>("addFolder")->click();
    ASSERT_TRUE(done.wait(5000));
    EXPECT_EQ(shownNames(*shelf), (QStringList{"Amber Coast", "Beacon Hill", "The Lantern Road"}));
    EXPECT_EQ(shelf->status()->text(), "3 games");

    auto* search = shelf->findChild<QLineEdit*>("search");
    QTest::keyClicks(search, "HILL");
    EXPECT_EQ(shownNames(*shelf), QStringList{"Beacon Hill"});
    search->clear();
    QTest::keyClick(search, Qt::Key_Down);  // into the list, on the first game
    QTest::keyClick(shelf->view(), Qt::Key_Down);
    QTest::keyClick(shelf->view(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(p.core.calls.back(), "openGame " + dirOf(p.root) + "games/b/Beacon/Gamefile.txt");
    EXPECT_EQ(p.form->windowTitle(), "Parvel - Beacon");
    EXPECT_FALSE(shelf->isVisible());

    // After a restart the cached list shows before the scan ends; the file
    // is read away from the window's thread.
    p.restart();
    p.form->library()->showShelf();
    GameShelfWindow* reopened = p.form->library()->shelfWindow();
    EXPECT_EQ(reopened->view()->model()->rowCount(), 0);
    QStringList firstShown;
    QObject::connect(reopened->view()->model(), &QAbstractItemModel::modelReset, reopened, [&] {
        if (firstShown.isEmpty()) firstShown = shownNames(*reopened);
    });
    QSignalSpy again(reopened, &GameShelfWindow::scanFinished);
    ASSERT_TRUE(again.wait(5000));
    EXPECT_EQ(firstShown, (QStringList{"Amber Coast", "Beacon Hill", "The Lantern Road"}));
    EXPECT_NE(reopened->view()->model()->index(1, 2).data().toString(), "");
}

TEST(GameShelf, RowsKeepOneHeightBrokenGamesSayWhyFoldersShowWholeAndAnyBytesOpen) {
    Player p;
    const std::string games = dirOf(p.root) + "a-folder-with-a-rather-long-name-for-a-shelf/games/";
    // QTemporaryDir cannot remove a name that is no UTF-8.
    struct Cleanup {
        std::string dir;
        ~Cleanup() {
            std::error_code ec;
            std::filesystem::remove_all(dir, ec);
        }
    } cleanup{games};
    auto write = [&](const std::string& folder, const std::string& script, bool picture) {
        std::filesystem::create_directories(games + folder + "/pics");
        writeFile(games + folder + "/Gamefile.txt", parvel::testing::crlf(script));
        if (picture)
            writeFile(games + folder + "/pics/p.bmp",
                      parvel::testing::bmp24(200, 115, [](int, int) { return 0x00FF00u; }));
    };
    const std::string scene = "\n[Start]\n@desc=Hi.\n@image=p.bmp\n";
    write("Amber", "[Setup]\n@firstscene=Start\n[Title]\n@name=Amber Coast\n[Start]\n", false);
    write("cd/Beacon", "[Setup]\n@imagedir=pics\n@firstscene=Start\n[Title]\n@name=Beacon Hill" + scene, true);
    write("Lost", "[Setup]\n@firstscene=Nowhere\n[Title]\n@name=Lost\n[Start]\n", false);
    write("\xff\xfe", "[Setup]\n@imagedir=pics\n@firstscene=Start\n[Title]\n@name=Zed" + scene, true);
    p.form->move(40, 30);
    p.form->library()->showShelf();
    GameShelfWindow* shelf = p.form->library()->shelfWindow();
    QSignalSpy done(shelf, &GameShelfWindow::scanFinished);
    ASSERT_TRUE(done.wait(5000));
    shelf->addFolder(QString::fromStdString(games));
    ASSERT_TRUE(done.wait(5000));
    QAbstractItemModel* m = shelf->view()->model();
    ASSERT_EQ(m->rowCount(), 4);
    EXPECT_EQ(m->index(2, 0).data().toString(),
              "Lost\nCannot start: the first scene \"Nowhere\" is not defined");
    EXPECT_EQ(shelf->status()->text(), "4 games, 1 cannot start");
    // The first row has no picture; the others' are not squeezed to its height.
    for (int r = 0; r < 4; ++r)
        EXPECT_GE(shelf->view()->visualRect(m->index(r, 0)).height(), shelf::kThumbnailSize.height());
    EXPECT_EQ(m->index(1, 0).data(Qt::DecorationRole).value<QPixmap>().toImage().pixel(40, 23),
              qRgb(0, 255, 0));
    // The folder from the shelf folder's own name on, and all of it.
    const QString folder = m->index(1, 1).data().toString();
    EXPECT_EQ(folder, "games/cd/Beacon");
    EXPECT_LT(shelf->view()->fontMetrics().horizontalAdvance(folder),
              shelf->view()->columnWidth(1) - 10);

    auto* search = shelf->findChild<QLineEdit*>("search");
    QTest::keyClicks(search, "co");
    EXPECT_EQ(shownNames(*shelf), (QStringList{"Amber Coast", "Beacon Hill"}));
    EXPECT_EQ(shelf->status()->text(), "2 of 4 games, 1 cannot start");
    search->clear();

    // A folder named with bytes that are no UTF-8 shows its picture and opens.
    EXPECT_EQ(m->index(3, 0).data(Qt::DecorationRole).value<QPixmap>().toImage().pixel(40, 23),
              qRgb(0, 255, 0));
    shelf->view()->setFocus();
    shelf->view()->setCurrentIndex(m->index(3, 0));
    QTest::keyClick(shelf->view(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(p.core.calls.back(), "openGame " + games + "\xff\xfe/Gamefile.txt");
    EXPECT_EQ(p.form->library()->recent().menu()[0].gameFile, games + "\xff\xfe/Gamefile.txt");
}

TEST(GameShelf, OpensOverThePlayerWithinTheScreen) {
    Player p;
    p.form->move(60, 40);
    GameShelfWindow shelf({});
    shelf.resize(200, 150);
    shelf.placeOver(*p.form);
    EXPECT_EQ(shelf.frameGeometry().center(), p.form->frameGeometry().center());
    shelf.resize(700, 500);
    shelf.placeOver(*p.form);
    const QRect free = p.form->screen()->availableGeometry();
    EXPECT_TRUE(free.contains(shelf.frameGeometry())) << shelf.x() << "," << shelf.y();
}

TEST(DroppedGames, AGameFileOrFolderOpensOtherFilesAreRefused) {
    Player p;
    const std::string game = p.game("Drop", "Dropped");
    writeFile(dirOf(p.root) + "picture.bmp", "BM");
    EXPECT_EQ(GameLibrary::droppedGame(dirOf(p.root) + "games/Drop").toStdString(), game);
    EXPECT_EQ(GameLibrary::droppedGame(dirOf(p.root) + "picture.bmp"), QString());
    EXPECT_EQ(GameLibrary::droppedGame(dirOf(p.root) + "games"), QString());

    // The URI list as the platform hands it over (QMimeData::setData would
    // parse it into URLs, which lose a name that is no UTF-8).
    struct Uris : QMimeData {
        QByteArray list;
        QStringList formats() const override { return {"text/uri-list"}; }
        bool hasFormat(const QString& f) const override { return f == "text/uri-list"; }
        QVariant retrieveData(const QString&, QMetaType type) const override {
            if (type.id() == QMetaType::QByteArray) return list;
            return QVariantList{QUrl::fromEncoded(list.trimmed())};
        }
    };
    auto drag = [&](const std::string& path, bool drop) {
        Uris mime;
        mime.list = "file://" + QByteArray::fromStdString(path).toPercentEncoding("/") + "\r\n";
        QDragEnterEvent enter(QPoint(100, 200), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(p.form.get(), &enter);
        if (!drop || !enter.isAccepted()) return enter.isAccepted();
        QDropEvent e(QPointF(100, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(p.form.get(), &e);
        return e.isAccepted();
    };
    EXPECT_FALSE(drag(dirOf(p.root) + "picture.bmp", false));
    EXPECT_TRUE(drag(dirOf(p.root) + "games/Drop", false));
    EXPECT_TRUE(drag(dirOf(p.root) + "games/Drop", true));
    QCoreApplication::processEvents();
    EXPECT_EQ(p.core.calls.back(), "openGame " + game);
    // A folder whose name is no UTF-8, as a file manager sends it.
    const std::string odd = dirOf(p.root) + "g\xff\xfe";
    std::filesystem::create_directories(odd);
    writeFile(odd + "/Gamefile.txt", "[Setup]\r\n");
    EXPECT_TRUE(drag(odd, true));
    QCoreApplication::processEvents();
    EXPECT_EQ(p.core.calls.back(), "openGame " + odd + "/Gamefile.txt");
    std::filesystem::remove_all(odd);
}
