// Author mode in the window: off by default, and then nothing of it exists
// (no watch, no timer, no panel, no items); on, it watches the game's files
// and its items and panel are there; off again, all of it goes.

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFileSystemWatcher>
#include <QTimer>

#include "AuthorMode.h"
#include "FileWatch.h"
#include "PlayerCore.h"
#include "PlayerWindow.h"
#include "UiTestSupport.h"

using namespace parvel;
using namespace parvel::ui;
using namespace parvel::ui::test;

TEST(AuthorModeWindow, OffByDefaultWithNothingOfItAndOnWatchesTheGame) {
    app();
    QTemporaryDir root;
    QDir(root.path()).mkpath("bin");
    QDir(root.path()).mkpath("game");
    const std::string game = dirOf(root) + "game/Gamefile.txt";
    writeFile(game,
              "[Setup]\r\n@firstscene = Start\r\n\r\n[Start]\r\n@description = Here.\r\n@option1 = "
              "On\r\n@Link1 = Gone\r\n");
    auto form = std::make_unique<PlayerWindow>(
        PlayerWindow::Options{{dirOf(root) + "bin/", dirOf(root) + "config/"}});
    auto core = std::make_unique<PlayerCore>(*form, nullptr);
    form->setCore(core.get());
    form->messageBoxHook = [](std::string_view, MsgButtons, std::string_view) {
        return MsgAnswer::Ok;
    };
    form->startUp();
    form->openChosenFile(QString::fromStdString(game));

    auto timers = [&] { return form->findChildren<QTimer*>().size(); };
    const auto timersOff = timers();
    EXPECT_EQ(form->authorMode(), nullptr);
    EXPECT_TRUE(form->findChildren<QFileSystemWatcher*>().isEmpty());
    EXPECT_EQ(form->findChild<QWidget*>("authorPanel"), nullptr);
    EXPECT_EQ(form->findChild<QAction*>("goToScene"), nullptr);
    QAction* item = form->findChild<QAction*>("authorMode");
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->isChecked());

    item->trigger();
    ASSERT_NE(form->authorMode(), nullptr);
    EXPECT_EQ(form->findChildren<QFileSystemWatcher*>().size(), 1);
    EXPECT_EQ(timers(), timersOff + 1);
    EXPECT_EQ(form->authorMode()->watch()->files(), std::vector<std::string>{game});
    EXPECT_NE(form->findChild<QAction*>("goToScene"), nullptr);
    EXPECT_EQ(form->authorMode()->findingCount(), 1);  // the link to Gone
    EXPECT_EQ(form->settingsFile().read("AuthorMode"), "True");

    item->trigger();
    EXPECT_EQ(form->authorMode(), nullptr);
    EXPECT_TRUE(form->findChildren<QFileSystemWatcher*>().isEmpty());
    EXPECT_EQ(timers(), timersOff);
    EXPECT_EQ(form->findChild<QWidget*>("authorPanel"), nullptr);
    EXPECT_EQ(form->findChild<QAction*>("goToScene"), nullptr);
    EXPECT_EQ(form->settingsFile().read("AuthorMode"), "False");
    form->setCore(nullptr);
}
