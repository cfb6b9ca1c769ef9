#pragma once
// "Game Shelf": every game found under the folders the user added, with its
// picture, folder and when it was last played. A search box filters by name;
// double-click or Enter opens a game.
//
// The list is read from the cache file and then the folders are scanned
// again, reusing what did not change, each time the window opens and
// whenever a folder is added or removed. Reading, scanning and writing the
// cache happen on a thread of their own: the window only shows the result. A rescan on
// opening rather than a file-system watcher: a watcher would need one watch
// per folder (tens of thousands on a large collection, past the system's
// default limit) and would wake the player while nobody looks at the shelf.

#include <QAbstractTableModel>
#include <QPixmap>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "ShelfData.h"
#include "ShelfScan.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTimer;
class QTreeView;

namespace parvel::ui {

// The games as rows; a column is one enumerator and one case in data().
class ShelfModel : public QAbstractTableModel {
public:
    enum Column { Name, Folder, LastPlayed, Autosave, ColumnCount };
    using LastPlayedFn = std::function<std::optional<std::int64_t>(const std::string&)>;

    explicit ShelfModel(LastPlayedFn lastPlayed, QObject* parent = nullptr)
        : QAbstractTableModel(parent), m_lastPlayed(std::move(lastPlayed)) {}
    // `folders`: the shelf's folders, which the Folder column starts from.
    void setGames(std::vector<shelf::ShelfGame> games, std::vector<std::string> folders = {});
    const std::vector<shelf::ShelfGame>& games() const { return m_games; }
    // The times changed (a game was played).
    void refreshTimes();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    static constexpr int kGameFileRole = Qt::UserRole;
    static constexpr int kSortRole = Qt::UserRole + 1;

    // The game's folder as the column shows it: from the shelf folder it
    // was found under (that folder's own name first).
    QString folderShown(const shelf::ShelfGame& g) const;

private:
    std::vector<shelf::ShelfGame> m_games;
    std::vector<std::string> m_roots;
    std::vector<bool> m_autosaved;  // by row, looked up when the rows change
    std::vector<QPixmap> m_icons;   // by row, all of one size
    LastPlayedFn m_lastPlayed;
};

class GameShelfWindow : public QWidget {
    Q_OBJECT
public:
    struct Hooks {
        // Where the cache file is now (asked on the window's thread; read
        // and written atomically on the scanning thread). Empty: none.
        std::function<std::string()> cacheFile;
        ShelfModel::LastPlayedFn lastPlayed;
        std::function<void(const std::string& gameFile)> open;
    };
    explicit GameShelfWindow(Hooks hooks, QWidget* parent = nullptr);
    ~GameShelfWindow() override;

    void addFolder(const QString& folder);
    void removeFolder(const QString& folder);
    void rescan();
    void cancelScan();
    bool scanning() const { return m_worker.joinable(); }
    void playedChanged();
    // Centres the window over `player`, within the screen's free area.
    void placeOver(const QWidget& player);

    // Tests and scripted runs choose the folder instead of the dialog.
    std::function<QString()> chooseFolderHook;

    ShelfModel& model() { return *m_model; }
    QTreeView* view() const { return m_view; }
    QLabel* status() const { return m_status; }

Q_SIGNALS:
    void scanFinished();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void addFolder_Click();
    void removeFolder_Click();
    void openRow(const QModelIndex& index);
    void showCached(const shelf::ShelfState& cached);
    void finishScan(std::shared_ptr<shelf::ScanReport> report);
    void showFolders();
    void foldersChanged();
    void showCounts();
    void showProgress();

    Hooks m_hooks;
    shelf::ShelfState m_state;
    bool m_loaded = false;
    bool m_rescanAfter = false;

    ShelfModel* m_model = nullptr;
    QSortFilterProxyModel* m_filter = nullptr;
    QLineEdit* m_search = nullptr;
    QTreeView* m_view = nullptr;
    QListWidget* m_folders = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_rescan = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QTimer* m_progressTimer = nullptr;

    // The folders as they are now, for the scanning thread's last write.
    std::mutex m_foldersMutex;
    std::vector<std::string> m_latestFolders;

    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_foldersSeen{0};
    std::atomic<int> m_gamesSeen{0};
};

}  // namespace parvel::ui
