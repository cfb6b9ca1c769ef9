#include "GameShelfWindow.h"

#include "GameSaves.h"
#include "SaveSlots.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "UiLog.h"

namespace parvel::ui {

namespace {

QString fromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// How many reasons the status line's tooltip lists before "…".
constexpr int kReasonsShown = 30;

}  // namespace

// ---- The rows ---------------------------------------------------------------

void ShelfModel::setGames(std::vector<shelf::ShelfGame> games) {
    beginResetModel();
    m_games = std::move(games);
    m_autosaved.clear();
    SaveSlots saves;
    for (const auto& g : m_games) {
        saves.setGame(g.gameFile);
        m_autosaved.push_back(saves.exists(std::string(kAutosaveSlot)));
    }
    endResetModel();
}

void ShelfModel::refreshTimes() {
    if (!m_games.empty())
        Q_EMIT dataChanged(index(0, LastPlayed), index(rowCount() - 1, LastPlayed));
}

int ShelfModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_games.size());
}
int ShelfModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ShelfModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const shelf::ShelfGame& g = m_games[static_cast<size_t>(index.row())];
    if (role == kGameFileRole) return fromUtf8(g.gameFile);
    switch (index.column()) {
        case Name:
            if (role == Qt::DisplayRole || role == kSortRole) return g.name;
            if (role == Qt::DecorationRole && !g.thumbnail.isNull())
                return QPixmap::fromImage(g.thumbnail);
            if (role == Qt::ToolTipRole) return fromUtf8(g.gameFile);
            break;
        case Folder:
            if (role == Qt::DisplayRole || role == kSortRole || role == Qt::ToolTipRole)
                return fromUtf8(shelf::gameFolderOf(g.gameFile));
            break;
        case LastPlayed: {
            if (role != Qt::DisplayRole && role != kSortRole) break;
            const auto when = m_lastPlayed ? m_lastPlayed(g.gameFile) : std::nullopt;
            if (role == kSortRole) return QVariant::fromValue<qint64>(when.value_or(0));
            if (!when) return QString();
            return QLocale().toString(QDateTime::fromMSecsSinceEpoch(*when), QLocale::ShortFormat);
        }
        case Autosave: {
            const bool saved = static_cast<size_t>(index.row()) < m_autosaved.size() &&
                               m_autosaved[static_cast<size_t>(index.row())];
            if (role == kSortRole) return saved;
            if (role == Qt::DisplayRole) return saved ? QStringLiteral("Yes") : QString();
            if (role == Qt::ToolTipRole && saved) return QStringLiteral("File > Continue resumes it");
            break;
        }
        default:
            break;
    }
    return {};
}

QVariant ShelfModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case Name:
            return QStringLiteral("Name");
        case Folder:
            return QStringLiteral("Folder");
        case LastPlayed:
            return QStringLiteral("Last Played");
        case Autosave:
            return QStringLiteral("Autosave");
        default:
            return {};
    }
}

// ---- The window -------------------------------------------------------------

GameShelfWindow::GameShelfWindow(Hooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Window), m_hooks(std::move(hooks)) {
    setObjectName("GameShelf");
    setWindowTitle(QStringLiteral("Game Shelf"));
    resize(640, 480);

    m_model = new ShelfModel(m_hooks.lastPlayed, this);
    m_filter = new QSortFilterProxyModel(this);
    m_filter->setSourceModel(m_model);
    m_filter->setFilterKeyColumn(ShelfModel::Name);
    m_filter->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_filter->setSortRole(ShelfModel::kSortRole);
    m_filter->setSortCaseSensitivity(Qt::CaseInsensitive);

    m_search = new QLineEdit(this);
    m_search->setObjectName("search");
    m_search->setPlaceholderText(QStringLiteral("Search by name"));
    m_search->setAccessibleName(QStringLiteral("Search"));
    m_search->setClearButtonEnabled(true);
    auto* find = new QAction(this);
    find->setShortcut(QKeySequence::Find);
    connect(find, &QAction::triggered, m_search, [this] {
        m_search->setFocus(Qt::ShortcutFocusReason);
        m_search->selectAll();
    });
    addAction(find);
    connect(m_search, &QLineEdit::textChanged, m_filter,
            &QSortFilterProxyModel::setFilterFixedString);

    m_view = new QTreeView(this);
    m_view->setObjectName("games");
    m_view->setAccessibleName(QStringLiteral("Games"));
    m_view->setModel(m_filter);
    m_view->setRootIsDecorated(false);
    m_view->setUniformRowHeights(true);
    m_view->setIconSize(shelf::kThumbnailSize);
    m_view->setSortingEnabled(true);
    m_view->sortByColumn(ShelfModel::Name, Qt::AscendingOrder);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setTextElideMode(Qt::ElideMiddle);  // folders differ at their ends
    m_view->header()->setStretchLastSection(false);
    m_view->header()->setSectionResizeMode(ShelfModel::Folder, QHeaderView::Stretch);
    m_view->setColumnWidth(ShelfModel::Name, 300);
    // Activation is double-click or Enter in every style we run under.
    connect(m_view, &QTreeView::activated, this, &GameShelfWindow::openRow);
    // The search box hands Enter and the arrows to the list, so typing a name
    // and pressing Enter opens the first match.
    connect(m_search, &QLineEdit::returnPressed, this, [this] {
        const QModelIndex current = m_view->currentIndex();
        openRow(current.isValid() ? current : m_filter->index(0, 0));
    });
    m_search->installEventFilter(this);

    m_folders = new QListWidget(this);
    m_folders->setObjectName("folders");
    m_folders->setAccessibleName(QStringLiteral("Folders"));
    m_folders->setMaximumHeight(80);
    m_add = new QPushButton(QStringLiteral("&Add folder…"), this);
    m_add->setObjectName("addFolder");
    m_remove = new QPushButton(QStringLiteral("&Remove"), this);
    m_remove->setObjectName("removeFolder");
    m_rescan = new QPushButton(QStringLiteral("R&escan"), this);
    m_rescan->setObjectName("rescan");
    connect(m_add, &QPushButton::clicked, this, &GameShelfWindow::addFolder_Click);
    connect(m_remove, &QPushButton::clicked, this, &GameShelfWindow::removeFolder_Click);
    connect(m_rescan, &QPushButton::clicked, this, &GameShelfWindow::rescan);
    connect(m_folders, &QListWidget::itemSelectionChanged, this,
            [this] { m_remove->setEnabled(!m_folders->selectedItems().isEmpty()); });
    m_remove->setEnabled(false);

    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 0);
    m_progress->setMaximumWidth(120);
    m_progress->hide();
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName("cancelScan");
    m_cancelButton->hide();
    connect(m_cancelButton, &QPushButton::clicked, this, &GameShelfWindow::cancelScan);
    m_status = new QLabel(this);
    m_status->setObjectName("status");
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(100);
    connect(m_progressTimer, &QTimer::timeout, this, &GameShelfWindow::showProgress);

    auto* folderButtons = new QVBoxLayout;
    folderButtons->addWidget(m_add);
    folderButtons->addWidget(m_remove);
    folderButtons->addWidget(m_rescan);
    folderButtons->addStretch();
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folders, 1);
    folderRow->addLayout(folderButtons);
    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(m_status, 1);
    statusRow->addWidget(m_progress);
    statusRow->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_search);
    layout->addWidget(m_view, 1);
    layout->addLayout(folderRow);
    layout->addLayout(statusRow);
    m_search->setFocus();
}

GameShelfWindow::~GameShelfWindow() {
    m_cancel = true;
    if (m_worker.joinable()) m_worker.join();
}

void GameShelfWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!m_loaded) {
        m_loaded = true;
        if (m_hooks.load) m_state = m_hooks.load();
        m_model->setGames(m_state.games);
        showFolders();
        showCounts();
    }
    m_view->resizeColumnToContents(ShelfModel::LastPlayed);
    rescan();
}

void GameShelfWindow::closeEvent(QCloseEvent* e) {
    // Nobody looks at the list any more: stop the work; the next opening
    // scans again.
    cancelScan();
    QWidget::closeEvent(e);
}

void GameShelfWindow::showFolders() {
    m_folders->clear();
    for (const auto& f : m_state.folders) m_folders->addItem(fromUtf8(f));
}

void GameShelfWindow::showCounts() {
    const int games = static_cast<int>(m_model->games().size());
    QString text = games == 1 ? QStringLiteral("1 game") : QStringLiteral("%1 games").arg(games);
    if (m_state.skipped > 0) text += QStringLiteral(", %1 skipped").arg(m_state.skipped);
    if (m_state.folders.empty()) text = QStringLiteral("Add a folder that holds games.");
    m_status->setText(text);
}

void GameShelfWindow::addFolder_Click() {
    QString folder;
    if (chooseFolderHook) {
        folder = chooseFolderHook();
    } else {
        QFileDialog dialog(this, QStringLiteral("Add a folder of games"), QDir::homePath());
        dialog.setObjectName("chooseFolder");
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            folder = dialog.selectedFiles().constFirst();
    }
    if (!folder.isEmpty()) addFolder(folder);
}

void GameShelfWindow::removeFolder_Click() {
    const auto items = m_folders->selectedItems();
    if (!items.isEmpty()) removeFolder(items.constFirst()->text());
}

void GameShelfWindow::addFolder(const QString& folder) {
    const std::string path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath()).toStdString();
    if (std::find(m_state.folders.begin(), m_state.folders.end(), path) != m_state.folders.end())
        return;
    m_state.folders.push_back(path);
    showFolders();
    saveState();
    rescan();
}

void GameShelfWindow::removeFolder(const QString& folder) {
    const auto before = m_state.folders.size();
    std::erase(m_state.folders, folder.toStdString());
    if (m_state.folders.size() == before) return;
    showFolders();
    saveState();
    rescan();
}

void GameShelfWindow::rescan() {
    if (m_worker.joinable()) {
        // The running scan has the old folders: start again once it ends.
        m_rescanAfter = true;
        m_cancel = true;
        return;
    }
    m_rescanAfter = false;
    m_cancel = false;
    m_foldersSeen = 0;
    m_gamesSeen = 0;
    m_progress->show();
    m_cancelButton->show();
    m_progressTimer->start();
    showProgress();
    auto known = std::make_shared<std::vector<shelf::ShelfGame>>(m_model->games());
    m_worker = std::thread([this, roots = m_state.folders, known] {
        shelf::ScanControl control;
        control.cancel = &m_cancel;
        control.known = known.get();
        control.progress = [this](int folders, int games) {
            m_foldersSeen.store(folders, std::memory_order_relaxed);
            m_gamesSeen.store(games, std::memory_order_relaxed);
        };
        auto report = std::make_shared<shelf::ScanReport>(shelf::scanShelf(roots, control));
        // Queued to the window's thread; the window joins this thread before
        // it goes, so it is still there when this runs.
        QMetaObject::invokeMethod(
            this, [this, report] { finishScan(report); }, Qt::QueuedConnection);
    });
}

void GameShelfWindow::cancelScan() { m_cancel = true; }

void GameShelfWindow::showProgress() {
    m_status->setText(QStringLiteral("Scanning… %1 folders, %2 games")
                          .arg(m_foldersSeen.load(std::memory_order_relaxed))
                          .arg(m_gamesSeen.load(std::memory_order_relaxed)));
}

bool GameShelfWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_search && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Up || key == Qt::Key_PageDown ||
            key == Qt::Key_PageUp) {
            m_view->setFocus();
            // The first step down lands on the first game, not past it.
            if (!m_view->selectionModel()->hasSelection())
                m_view->setCurrentIndex(m_filter->index(0, 0));
            else
                QCoreApplication::sendEvent(m_view, e);
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void GameShelfWindow::finishScan(std::shared_ptr<shelf::ScanReport> report) {
    if (m_worker.joinable()) m_worker.join();
    m_progressTimer->stop();
    m_progress->hide();
    m_cancelButton->hide();
    if (m_rescanAfter) {
        rescan();
        return;
    }
    if (report->cancelled) {
        showCounts();
        m_status->setText(m_status->text() + QStringLiteral(" (scan cancelled)"));
        Q_EMIT scanFinished();
        return;
    }
    const QString current = m_view->currentIndex().data(ShelfModel::kGameFileRole).toString();
    m_state.games = report->games;
    m_state.skipped = static_cast<int>(report->skipped.size());
    m_model->setGames(std::move(report->games));
    for (int row = 0; row < m_filter->rowCount(); ++row)
        if (m_filter->index(row, 0).data(ShelfModel::kGameFileRole).toString() == current)
            m_view->setCurrentIndex(m_filter->index(row, 0));
    showCounts();
    QString why;
    for (size_t i = 0; i < report->skipped.size() && i < kReasonsShown; ++i)
        why += fromUtf8(report->skipped[i].path) + QStringLiteral(": ") +
               fromUtf8(report->skipped[i].why) + QLatin1Char('\n');
    if (report->skipped.size() > kReasonsShown) why += QStringLiteral("…");
    m_status->setToolTip(why.trimmed());
    saveState();
    qCDebug(lcUi) << "shelf:" << m_model->rowCount() << "games," << report->folders << "folders,"
                  << report->skipped.size() << "skipped";
    Q_EMIT scanFinished();
}

void GameShelfWindow::saveState() {
    if (m_hooks.save) m_hooks.save(m_state);
}

void GameShelfWindow::playedChanged() { m_model->refreshTimes(); }

void GameShelfWindow::openRow(const QModelIndex& index) {
    if (!index.isValid()) return;
    const QString file = index.data(ShelfModel::kGameFileRole).toString();
    if (file.isEmpty() || !m_hooks.open) return;
    hide();
    // After this event: loading a game runs event loops of its own.
    QTimer::singleShot(0, this, [this, file] { m_hooks.open(file); });
}

}  // namespace parvel::ui
