#pragma once
// "Game Shelf": every game found under the folders the user added, with its
// picture, folder and when it was last played. A search box filters by name;
// double-click or Enter opens a game.
//
// The list is read from the cache file at once and then the folders are
// scanned again in the background, reusing what did not change, each time
// the window opens and whenever a folder is added or removed. A rescan on
// opening rather than a file-system watcher: a watcher would need one watch
// per folder (tens of thousands on a large collection, past the system's
// default limit) and would wake the player while nobody looks at the shelf.

#include <QAbstractTableModel>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
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
    void setGames(std::vector<shelf::ShelfGame> games);
    const std::vector<shelf::ShelfGame>& games() const { return m_games; }
    // The times changed (a game was played).
    void refreshTimes();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    static constexpr int kGameFileRole = Qt::UserRole;
    static constexpr int kSortRole = Qt::UserRole + 1;

private:
    std::vector<shelf::ShelfGame> m_games;
    std::vector<bool> m_autosaved;  // by row, looked up when the rows change
    LastPlayedFn m_lastPlayed;
};

class GameShelfWindow : public QWidget {
    Q_OBJECT
public:
    struct Hooks {
        std::function<shelf::ShelfState()> load;             // the cache file
        std::function<void(const shelf::ShelfState&)> save;  // written atomically
        ShelfModel::LastPlayedFn lastPlayed;
        std::function<void(const QString& gameFile)> open;
    };
    explicit GameShelfWindow(Hooks hooks, QWidget* parent = nullptr);
    ~GameShelfWindow() override;

    void addFolder(const QString& folder);
    void removeFolder(const QString& folder);
    void rescan();
    void cancelScan();
    bool scanning() const { return m_worker.joinable(); }
    void playedChanged();

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
    void finishScan(std::shared_ptr<shelf::ScanReport> report);
    void showFolders();
    void saveState();
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

    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_foldersSeen{0};
    std::atomic<int> m_gamesSeen{0};
};

}  // namespace parvel::ui
