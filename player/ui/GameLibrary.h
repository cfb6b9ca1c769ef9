#pragma once
// The main window's ways to a game besides File > Open: File > Recent Games
// (Ctrl+1…9), File > Game Shelf… (Ctrl+L) and dropping a game file or game
// folder on the window. Their files live in the settings folder beside
// Parvel.ini; nothing is read until one of them is first used, so start-up
// costs nothing.

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "ShelfData.h"

class QAction;
class QMenu;
class QWidget;

namespace parvel::ui {

class GameShelfWindow;

class GameLibrary : public QObject {
    Q_OBJECT
public:
    // `settingsFolder` answers where Parvel.ini goes now (ending in "/");
    // `open` opens a game file as File > Open would.
    GameLibrary(QWidget& window, std::function<std::string()> settingsFolder,
                std::function<void(const QString& gameFile)> open);
    ~GameLibrary() override;

    // Adds "Recent Games" and "Game Shelf..." to `file` before `before`, the
    // Ctrl+1…9 keys to the window, and lets games be dropped on it.
    void addTo(QMenu* file, QAction* before);

    // A game was opened: it goes to the front of the recent list.
    void played(const std::string& gameFile, const QString& name);
    void showShelf();
    void closeWindows();

    shelf::RecentGames& recent();
    GameShelfWindow* shelfWindow() const { return m_shelf.get(); }
    QMenu* recentMenu() const { return m_recentMenu; }
    // The game file a dropped path (file-system bytes) stands for, as path
    // text; empty when it is none.
    static QString droppedGame(const std::string& path);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void fillRecentMenu();
    void openRecent(int n);
    void saveRecent();
    std::string filePath(const char* name) const;

    QWidget& m_window;
    std::function<std::string()> m_settingsFolder;
    std::function<void(const QString&)> m_open;
    std::unique_ptr<shelf::RecentGames> m_recent;  // loaded on first use
    QMenu* m_recentMenu = nullptr;
    std::unique_ptr<GameShelfWindow> m_shelf;
};

}  // namespace parvel::ui
