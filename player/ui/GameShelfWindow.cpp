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
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "AtomicFile.h"
#include "IniFile.h"
#include "UiLog.h"

namespace parvel::ui {

namespace {

using shelf::pathBytes;
using shelf::pathShown;
using shelf::pathText;

// Every row's picture has the thumbnail's size, so every row has one height
// (the view takes it from the first row) and no picture is squeezed.
QPixmap iconFor(const QImage& thumbnail) {
    QPixmap icon(shelf::kThumbnailSize);
    icon.fill(Qt::transparent);
    if (thumbnail.isNull()) return icon;
    const QImage fitted =
        thumbnail.size().boundedTo(shelf::kThumbnailSize) == thumbnail.size()
            ? thumbnail
            : thumbnail.scaled(shelf::kThumbnailSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&icon);
    painter.drawImage((icon.width() - fitted.width()) / 2, (icon.height() - fitted.height()) / 2, fitted);
    return icon;
}

shelf::ShelfState readCache(const std::string& file) {
    if (file.empty()) return {};
    const auto text = readIniText(file);
    return shelf::shelfFromJson(text ? QByteArray::fromStdString(*text) : QByteArray());
}

void writeCache(const std::string& file, const shelf::ShelfState& state) {
    if (file.empty()) return;
    const QByteArray json = shelf::shelfToJson(state);
    if (!writeFileAtomically(file, std::string_view(json.constData(), json.size())))
        qCWarning(lcUi) << "the game shelf could not be saved as" << file.c_str();
}

// How many reasons the status line's tooltip lists before "…".
constexpr int kReasonsShown = 30;

}  // namespace

// ---- The rows ---------------------------------------------------------------

void ShelfModel::setGames(std::vector<shelf::ShelfGame> games, std::vector<std::string> folders) {
    beginResetModel();
    m_games = std::move(games);
    m_roots = std::move(folders);
    m_autosaved.clear();
    m_icons.clear();
    SaveSlots saves;
    for (const auto& g : m_games) {
        saves.setGame(g.gameFile);
        m_autosaved.push_back(saves.exists(std::string(kAutosaveSlot)));
        m_icons.push_back(iconFor(g.thumbnail));
    }
    endResetModel();
}

QString ShelfModel::folderShown(const shelf::ShelfGame& g) const {
    const std::string folder = shelf::gameFolderOf(g.gameFile);
    // The deepest shelf folder it is in; its parent is left out.
    size_t from = 0;
    for (const auto& root : m_roots) {
        const size_t slash = root.find_last_of('/');
        if (slash == std::string::npos || root.size() <= 1) continue;
        if (folder.size() >= root.size() && folder.compare(0, root.size(), root) == 0 &&
            (folder.size() == root.size() || folder[root.size()] == '/'))
            from = std::max(from, slash + 1);
    }
    return pathShown(folder.substr(from));
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
    if (role == kGameFileRole) return pathText(g.gameFile);
    switch (index.column()) {
        case Name:
            if (role == kSortRole) return g.name;
            // A game that cannot start says why, on a second line.
            if (role == Qt::DisplayRole)
                return g.problem.isEmpty() ? g.name : g.name + QLatin1Char('\n') + g.problem;
            if (role == Qt::DecorationRole && static_cast<size_t>(index.row()) < m_icons.size())
                return m_icons[static_cast<size_t>(index.row())];
            if (role == Qt::ToolTipRole)
                return g.problem.isEmpty() ? pathShown(g.gameFile)
                                           : pathShown(g.gameFile) + QLatin1Char('\n') + g.problem;
            if (role == Qt::ForegroundRole && !g.problem.isEmpty())
                return QPalette().brush(QPalette::Disabled, QPalette::Text);
            break;
        case Folder:
            if (role == Qt::DisplayRole || role == kSortRole) return folderShown(g);
            if (role == Qt::ToolTipRole) return pathShown(shelf::gameFolderOf(g.gameFile));
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
    resize(760, 480);

    m_model = new ShelfModel(m_hooks.lastPlayed, this);
    m_filter = new QSortFilterProxyModel(this);
    m_filter->setSourceModel(m_model);
    m_filter->setFilterKeyColumn(ShelfModel::Name);
    m_filter->setFilterRole(ShelfModel::kSortRole);  // the name, not the reason beside it
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
    connect(m_search, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_filter->setFilterFixedString(text);
        if (!scanning()) showCounts();
    });

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
    m_view->header()->setMinimumSectionSize(60);
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

void GameShelfWindow::placeOver(const QWidget& player) {
    const QRect over = player.frameGeometry();
    QRect r(QPoint(), frameGeometry().size());
    r.moveCenter(over.center());
    if (const QScreen* screen = player.screen()) {
        const QRect free = screen->availableGeometry();
        r.moveLeft(std::max(free.left(), std::min(r.left(), free.right() + 1 - r.width())));
        r.moveTop(std::max(free.top(), std::min(r.top(), free.bottom() + 1 - r.height())));
    }
    move(r.topLeft());
}

void GameShelfWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    m_view->resizeColumnToContents(ShelfModel::LastPlayed);
    rescan();
}

void GameShelfWindow::showCached(const shelf::ShelfState& cached) {
    // Folders added before the file was read stay.
    std::vector<std::string> added = std::move(m_state.folders);
    m_state = cached;
    for (auto& f : added)
        if (std::find(m_state.folders.begin(), m_state.folders.end(), f) == m_state.folders.end())
            m_state.folders.push_back(std::move(f));
    m_model->setGames(m_state.games, m_state.folders);
    showFolders();
    {
        std::lock_guard lock(m_foldersMutex);
        m_latestFolders = m_state.folders;
    }
}

void GameShelfWindow::closeEvent(QCloseEvent* e) {
    // Nobody looks at the list any more: stop the work; the next opening
    // scans again.
    cancelScan();
    QWidget::closeEvent(e);
}

void GameShelfWindow::showFolders() {
    m_folders->clear();
    for (const auto& f : m_state.folders) {
        auto* item = new QListWidgetItem(pathShown(f), m_folders);
        item->setData(Qt::UserRole, pathText(f));
    }
}

void GameShelfWindow::foldersChanged() {
    showFolders();
    {
        std::lock_guard lock(m_foldersMutex);
        m_latestFolders = m_state.folders;
    }
    rescan();
}

void GameShelfWindow::showCounts() {
    const int games = static_cast<int>(m_model->games().size());
    const int shown = m_filter->rowCount();
    QString text = games == 1 ? QStringLiteral("1 game") : QStringLiteral("%1 games").arg(games);
    // While a search narrows the list, the count is of what it shows.
    if (!m_search->text().isEmpty()) text = QStringLiteral("%1 of %2").arg(shown).arg(text);
    const auto broken = std::count_if(m_model->games().begin(), m_model->games().end(),
                                      [](const shelf::ShelfGame& g) { return !g.problem.isEmpty(); });
    if (broken > 0) text += QStringLiteral(", %1 cannot start").arg(broken);
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
    if (!items.isEmpty()) removeFolder(items.constFirst()->data(Qt::UserRole).toString());
}

void GameShelfWindow::addFolder(const QString& folder) {
    const std::string path = pathBytes(QDir::cleanPath(QDir::current().absoluteFilePath(folder)));
    if (std::find(m_state.folders.begin(), m_state.folders.end(), path) != m_state.folders.end())
        return;
    m_state.folders.push_back(path);
    foldersChanged();
}

void GameShelfWindow::removeFolder(const QString& folder) {
    const auto before = m_state.folders.size();
    std::erase(m_state.folders, pathBytes(folder));
    if (m_state.folders.size() == before) return;
    foldersChanged();
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
    const bool load = !m_loaded;
    m_loaded = true;
    const std::string cacheFile = m_hooks.cacheFile ? m_hooks.cacheFile() : std::string();
    m_worker = std::thread([this, load, cacheFile, roots = m_state.folders,
                            known = m_model->games()]() mutable {
        // Results go to the window's thread queued; the window joins this
        // thread before it goes, so it is still there when they arrive.
        if (load) {
            auto cached = std::make_shared<shelf::ShelfState>(readCache(cacheFile));
            known = cached->games;
            for (const auto& f : cached->folders)
                if (std::find(roots.begin(), roots.end(), f) == roots.end()) roots.push_back(f);
            QMetaObject::invokeMethod(
                this, [this, cached] { showCached(*cached); }, Qt::QueuedConnection);
        }
        shelf::ScanControl control;
        control.cancel = &m_cancel;
        control.known = &known;
        control.progress = [this](int folders, int games) {
            m_foldersSeen.store(folders, std::memory_order_relaxed);
            m_gamesSeen.store(games, std::memory_order_relaxed);
        };
        auto report = std::make_shared<shelf::ScanReport>(shelf::scanShelf(roots, control));
        // The folders as the window has them now; a scan cut short keeps
        // the games it started from.
        shelf::ShelfState state;
        {
            std::lock_guard lock(m_foldersMutex);
            state.folders = m_latestFolders;
        }
        // Before the window had the file's folders, it could only add.
        if (load)
            for (const auto& f : roots)
                if (std::find(state.folders.begin(), state.folders.end(), f) == state.folders.end())
                    state.folders.push_back(f);
        if (report->cancelled) {
            state.games = std::move(known);
        } else {
            state.games = report->games;
            state.skipped = static_cast<int>(report->skipped.size());
        }
        writeCache(cacheFile, state);
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
    m_model->setGames(std::move(report->games), m_state.folders);
    m_view->resizeColumnToContents(ShelfModel::Name);
    m_view->setColumnWidth(ShelfModel::Name, std::min(m_view->columnWidth(ShelfModel::Name), 320));
    for (int row = 0; row < m_filter->rowCount(); ++row)
        if (m_filter->index(row, 0).data(ShelfModel::kGameFileRole).toString() == current)
            m_view->setCurrentIndex(m_filter->index(row, 0));
    showCounts();
    QString why;
    for (size_t i = 0; i < report->skipped.size() && i < kReasonsShown; ++i)
        why += pathShown(report->skipped[i].path) + QStringLiteral(": ") +
               QString::fromStdString(report->skipped[i].why) + QLatin1Char('\n');
    if (report->skipped.size() > kReasonsShown) why += QStringLiteral("…");
    m_status->setToolTip(why.trimmed());
    qCDebug(lcUi) << "shelf:" << m_model->rowCount() << "games," << report->folders << "folders,"
                  << report->skipped.size() << "skipped";
    Q_EMIT scanFinished();
}

void GameShelfWindow::playedChanged() { m_model->refreshTimes(); }

void GameShelfWindow::openRow(const QModelIndex& index) {
    if (!index.isValid()) return;
    const std::string file = pathBytes(index.data(ShelfModel::kGameFileRole).toString());
    if (file.empty() || !m_hooks.open) return;
    hide();
    // After this event: loading a game runs event loops of its own.
    QTimer::singleShot(0, this, [this, file] { m_hooks.open(file); });
}

}  // namespace parvel::ui
