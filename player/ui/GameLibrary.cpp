#include "GameLibrary.h"

#include <QAction>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <filesystem>

#include "GameFolder.h"
#include "GameShelfWindow.h"
#include "IniFile.h"
#include "Paths.h"
#include "UiLog.h"
#include "Vb.h"

namespace parvel::ui {

namespace {

using shelf::pathShown;
using shelf::pathText;

QString menuText(const QString& name) {
    return QString(name).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

GameLibrary::GameLibrary(QWidget& window, std::function<std::string()> settingsFolder,
                         std::function<void(const QString&)> open)
    : QObject(&window),
      m_window(window),
      m_settingsFolder(std::move(settingsFolder)),
      m_open(std::move(open)) {}

GameLibrary::~GameLibrary() = default;

std::string GameLibrary::filePath(const char* name) const {
    // No settings folder (no home folder): nowhere, never the current folder.
    const std::string folder = m_settingsFolder();
    return folder.empty() ? folder : folder + name;
}

void GameLibrary::addTo(QMenu* file, QAction* before) {
    m_recentMenu = new QMenu(QStringLiteral("Recent &Games"), file);
    m_recentMenu->setAccessibleName(QStringLiteral("Recent Games"));
    m_recentMenu->setObjectName("recentGames");
    m_recentMenu->menuAction()->setObjectName("recentGames");
    m_recentMenu->setToolTipsVisible(true);
    connect(m_recentMenu, &QMenu::aboutToShow, this, &GameLibrary::fillRecentMenu);
    file->insertMenu(before, m_recentMenu);

    auto* shelf = new QAction(QStringLiteral("Game S&helf..."), file);
    shelf->setObjectName("gameShelf");
    shelf->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(shelf, &QAction::triggered, this, &GameLibrary::showShelf);
    file->insertAction(before, shelf);
    // Work without the menu bar's menus being enabled or open.
    m_window.addAction(shelf);

    // The keys are the window's, not the menu items': the items are made
    // only when the menu opens, and one key on two actions would fire neither.
    for (int n = 1; n <= 9; ++n) {
        auto* key = new QAction(&m_window);
        key->setObjectName(QStringLiteral("recent%1").arg(n));
        key->setShortcut(QKeySequence(Qt::CTRL | (Qt::Key_0 + n)));
        connect(key, &QAction::triggered, this, [this, n] { openRecent(n); });
        m_window.addAction(key);
    }
    m_window.setAcceptDrops(true);
    m_window.installEventFilter(this);
}

shelf::RecentGames& GameLibrary::recent() {
    if (!m_recent) {
        const auto text = readIniText(filePath(shelf::kRecentFileName));
        m_recent = std::make_unique<shelf::RecentGames>(
            shelf::RecentGames::fromJson(text ? QByteArray::fromStdString(*text) : QByteArray()));
    }
    return *m_recent;
}

void GameLibrary::saveRecent() {
    const QByteArray json = recent().toJson();
    if (!writeFileAtomically(filePath(shelf::kRecentFileName),
                             std::string_view(json.constData(), json.size())))
        qCWarning(lcUi) << "the recent games could not be saved in" << m_settingsFolder().c_str();
}

void GameLibrary::played(const std::string& gameFile, const QString& name) {
    recent().played(gameFile, name, QDateTime::currentMSecsSinceEpoch());
    saveRecent();
    if (m_shelf) m_shelf->playedChanged();
}

void GameLibrary::fillRecentMenu() {
    m_recentMenu->clear();
    const auto games = recent().menu();
    bool missing = false;
    int n = 0;
    for (const auto& g : games) {
        ++n;
        const QString path = pathText(g.gameFile);
        const QString shown = pathShown(g.gameFile);
        const QString name = g.name.isEmpty()
                                 ? QFileInfo(pathShown(shelf::gameFolderOf(g.gameFile))).fileName()
                                 : g.name;
        QString text =
            n <= 9 ? QStringLiteral("&%1 %2").arg(n).arg(menuText(name)) : menuText(name);
        if (n <= 9) text += QStringLiteral("\tCtrl+%1").arg(n);
        QAction* a = m_recentMenu->addAction(text);
        a->setToolTip(shown);
        if (!shelf::stampOf(g.gameFile)) {
            a->setEnabled(false);
            a->setToolTip(shown + QStringLiteral(" (missing)"));
            missing = true;
        }
        connect(a, &QAction::triggered, this, [this, path] { m_open(path); });
    }
    if (games.empty())
        m_recentMenu->addAction(QStringLiteral("No recent games"))->setEnabled(false);
    m_recentMenu->addSeparator();
    QAction* prune = m_recentMenu->addAction(QStringLiteral("&Remove Missing Games"));
    prune->setObjectName("removeMissing");
    prune->setEnabled(missing);
    connect(prune, &QAction::triggered, this, [this] {
        for (const auto& g : recent().menu())
            if (!shelf::stampOf(g.gameFile)) recent().remove(g.gameFile);
        saveRecent();
    });
    QAction* clear = m_recentMenu->addAction(QStringLiteral("&Clear List"));
    clear->setObjectName("clearRecent");
    clear->setEnabled(!games.empty());
    connect(clear, &QAction::triggered, this, [this] {
        for (const auto& g : recent().menu()) recent().remove(g.gameFile);
        saveRecent();
    });
}

void GameLibrary::openRecent(int n) {
    const auto games = recent().menu();
    if (n >= 1 && n <= static_cast<int>(games.size()))
        m_open(pathText(games[static_cast<size_t>(n - 1)].gameFile));
}

void GameLibrary::showShelf() {
    if (!m_shelf) {
        GameShelfWindow::Hooks hooks;
        hooks.cacheFile = [this] { return filePath(shelf::kShelfFileName); };
        hooks.lastPlayed = [this](const std::string& file) { return recent().lastPlayed(file); };
        hooks.open = [this](const std::string& file) {
            m_window.raise();
            m_window.activateWindow();
            m_open(pathText(file));
        };
        m_shelf = std::make_unique<GameShelfWindow>(std::move(hooks));
        m_shelf->placeOver(m_window);
    }
    m_shelf->show();
    m_shelf->raise();
    m_shelf->activateWindow();
}

void GameLibrary::closeWindows() {
    if (m_shelf) m_shelf->close();
}

namespace {

// The dropped file's path as file-system bytes. Read from the URI list as
// sent: a name that is no UTF-8 comes percent-encoded, and QUrl would turn
// those bytes into U+FFFD.
std::string droppedPath(const QMimeData& mime, const QUrl& url) {
    for (QByteArray line : mime.data(QStringLiteral("text/uri-list")).split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        if (!line.startsWith("file://")) break;
        const qsizetype slash = line.indexOf('/', 7);  // after the host, if any
        if (slash < 0) break;
        return QByteArray::fromPercentEncoding(line.mid(slash)).toStdString();
    }
    return shelf::pathBytes(url.toLocalFile());
}

}  // namespace

QString GameLibrary::droppedGame(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path p(path);
    if (std::filesystem::is_directory(p, ec)) {
        const auto file = shelf::findGameFile(std::filesystem::absolute(p, ec).string());
        return file ? pathText(*file) : QString();
    }
    // Other files would load as a script of garbage: only game files and
    // scripts under another name are taken.
    if (!std::filesystem::is_regular_file(p, ec)) return {};
    const std::string name = p.filename().string();
    const std::string suffix = vb::LCase(p.extension().string());
    if (shelf::isGameFileName(name) || suffix == ".txt" || suffix == ".cgm")
        return pathText(std::filesystem::absolute(p, ec).lexically_normal().string());
    return {};
}

bool GameLibrary::eventFilter(QObject* watched, QEvent* e) {
    if (watched != &m_window) return false;
    auto gameOf = [](const QMimeData* mime) {
        if (!mime || !mime->hasUrls() || mime->urls().size() != 1) return QString();
        const QUrl url = mime->urls().constFirst();
        return url.isLocalFile() ? droppedGame(droppedPath(*mime, url)) : QString();
    };
    switch (e->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(e);
            if (gameOf(drag->mimeData()).isEmpty())
                drag->ignore();
            else
                drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(e);
            const QString game = gameOf(drop->mimeData());
            if (game.isEmpty()) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            // Loading runs event loops: let the drag end first.
            QMetaObject::invokeMethod(
                this, [this, game] { m_open(game); }, Qt::QueuedConnection);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace parvel::ui
