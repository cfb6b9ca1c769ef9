#include "AuthorMode.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "FileWatch.h"
#include "Lint.h"
#include "TextCodec.h"
#include "Vb.h"

namespace parvel::ui {

namespace {

QString text(std::string_view scriptBytes) {
    return QString::fromStdString(cp1252ToUtf8(scriptBytes));
}

std::string bytes(const QString& s) {
    const std::string utf8 = s.toStdString();
    return utf8ToCp1252(utf8).value_or(utf8);
}

// The scene list of Go to Scene: type to narrow it (name, file or first
// words), Enter starts the scene highlighted.
class GoToSceneDialog : public QDialog {
public:
    GoToSceneDialog(const std::vector<Player::SceneEntry>& scenes, const CombatState& combat,
                    QWidget* parent)
        : QDialog(parent), m_scenes(scenes) {
        setObjectName("goToScene");
        setWindowTitle(QStringLiteral("Go to Scene"));
        auto* layout = new QVBoxLayout(this);
        m_search = new QLineEdit(this);
        m_search->setObjectName("search");
        m_search->setPlaceholderText(QStringLiteral("Scene name, file or words"));
        layout->addWidget(m_search);
        m_list = new QListWidget(this);
        m_list->setObjectName("scenes");
        for (const auto& s : m_scenes) {
            const QString file = s.file.empty()
                                     ? QString()
                                     : QFileInfo(QString::fromStdString(s.file)).fileName() +
                                           QLatin1Char(':') + QString::number(s.line);
            m_list->addItem(text(s.name) + QStringLiteral("  \u2014  ") + file +
                            QStringLiteral("  ") + text(s.firstWords));
        }
        layout->addWidget(m_list);
        auto* points = new QHBoxLayout;
        m_setPoints = new QCheckBox(QStringLiteral("Set points:"), this);
        m_setPoints->setObjectName("setPoints");
        points->addWidget(m_setPoints);
        auto spin = [&](const char* name, const QString& caption, int value) {
            points->addWidget(new QLabel(caption, this));
            auto* box = new QSpinBox(this);
            box->setObjectName(name);
            box->setRange(-99999, 99999);
            box->setValue(value);
            connect(box, &QSpinBox::valueChanged, m_setPoints,
                    [this] { m_setPoints->setChecked(true); });
            points->addWidget(box);
            return box;
        };
        m_hero = spin("hero", QStringLiteral("hero"), combat.heroPoints);
        m_enemy = spin("enemy", QStringLiteral("enemy"), combat.enemyPoints);
        layout->addLayout(points);
        auto* go = new QPushButton(QStringLiteral("Go"), this);
        go->setDefault(true);
        layout->addWidget(go);
        connect(go, &QPushButton::clicked, this, &QDialog::accept);
        connect(m_search, &QLineEdit::textChanged, this, [this] { filter(); });
        connect(m_search, &QLineEdit::returnPressed, this, &QDialog::accept);
        connect(m_list, &QListWidget::itemActivated, this, &QDialog::accept);
        m_search->installEventFilter(this);
        filter();
        resize(420, 360);
    }

    // The scene chosen: the highlighted row, else the first one shown.
    std::string chosen() const {
        const int row = m_list->currentRow();
        if (row >= 0 && !m_list->item(row)->isHidden())
            return m_scenes[static_cast<size_t>(row)].name;
        return {};
    }
    std::optional<std::pair<int, int>> points() const {
        if (!m_setPoints->isChecked()) return std::nullopt;
        return std::pair{m_hero->value(), m_enemy->value()};
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        // Up and down in the search field move through the list.
        if (o == m_search && e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                QApplication::sendEvent(m_list, e);
                return true;
            }
        }
        return QDialog::eventFilter(o, e);
    }

private:
    void filter() {
        const QString typed = m_search->text().trimmed();
        int first = -1, exact = -1;
        for (int i = 0; i < m_list->count(); ++i) {
            const bool shown =
                typed.isEmpty() || m_list->item(i)->text().contains(typed, Qt::CaseInsensitive);
            m_list->item(i)->setHidden(!shown);
            if (shown && first < 0) first = i;
            if (shown && exact < 0 &&
                text(m_scenes[static_cast<size_t>(i)].name).compare(typed, Qt::CaseInsensitive) ==
                    0)
                exact = i;
        }
        m_list->setCurrentRow(exact >= 0 ? exact : first);
    }

    std::vector<Player::SceneEntry> m_scenes;
    QLineEdit* m_search;
    QListWidget* m_list;
    QCheckBox* m_setPoints;
    QSpinBox* m_hero;
    QSpinBox* m_enemy;
};

}  // namespace

AuthorMode::AuthorMode(Player& player, QWidget* parent,
                       std::function<void(std::function<void()>)> inCore)
    : QObject(parent), m_player(player), m_inCore(std::move(inCore)) {
    setObjectName("authorMode");
    m_watch = new FileWatch([this] { reload(); }, this);

    // A panel of its own beside the window: the window keeps its designed size.
    m_panel = new QWidget(parent, Qt::Window);
    m_panel->setObjectName("authorPanel");
    m_panel->setWindowTitle(QStringLiteral("Parvel - Author"));
    auto* layout = new QVBoxLayout(m_panel);
    m_scene = new QLabel(m_panel);
    m_scene->setObjectName("authorScene");
    m_scene->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status = new QLabel(m_panel);
    m_status->setObjectName("authorStatus");
    m_status->setWordWrap(true);
    m_count = new QLabel(m_panel);
    m_count->setObjectName("authorFindingCount");
    m_list = new QListWidget(m_panel);
    m_list->setObjectName("authorFindings");
    m_list->setToolTip(QStringLiteral("Double-click copies FILE:LINE"));
    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* name, const QString& caption, auto handler) {
        auto* b = new QPushButton(caption, m_panel);
        b->setObjectName(name);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, handler);
        buttons->addWidget(b);
    };
    button("authorReload", QStringLiteral("Reload"), [this] { reload(); });
    button("authorGoTo", QStringLiteral("Go to Scene..."), [this] { showGoToScene(); });
    button("authorEdit", QStringLiteral("Open in editor"), [this] { openInEditor(); });
    layout->addWidget(m_scene);
    layout->addWidget(m_status);
    layout->addWidget(m_count);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const int row = m_list->row(item);
        if (row < 0 || row >= findingCount()) return;
        const Finding& f = m_findings[static_cast<size_t>(row)];
        const QString where =
            f.line > 0 ? location(f.file, f.line) : QString::fromStdString(f.file);
        QApplication::clipboard()->setText(where);
        setStatus(QStringLiteral("Copied ") + where + QLatin1Char('.'));
    });
    m_panel->resize(380, 300);
    placePanel();
    // Keys stay with the game: the panel never takes the focus by showing.
    m_panel->setAttribute(Qt::WA_ShowWithoutActivating);
    m_panel->show();
    // Turned on from Parvel.ini, this runs before the window has its place.
    QTimer::singleShot(0, this, [this] { placePanel(); });

    m_chained = m_player.onEvent;
    m_player.onEvent = [this](std::string_view line) {
        if (m_chained) m_chained(line);
        if (line.starts_with("scene: ")) sceneStarted(std::string(line.substr(7)));
    };
    gameOpened();
}

AuthorMode::~AuthorMode() {
    // The panel is the window's (so it opens beside it), but ours to end.
    delete m_panel.data();
}

void AuthorMode::detach() {
    m_player.onEvent = m_chained;
    m_chained = {};
}

void AuthorMode::placePanel() {
    if (auto* window = qobject_cast<QWidget*>(parent()))
        m_panel->move(window->frameGeometry().right() + 1, window->frameGeometry().top());
}

void AuthorMode::gameOpened() {
    m_sceneName.clear();
    m_sceneFile.clear();
    m_sceneLine = 0;
    m_scene->setText(m_player.gameScript().path.empty() ? QStringLiteral("No game open")
                                                        : QStringLiteral("Title screen"));
    refreshWatch();
    refreshFindings();
}

void AuthorMode::sceneStarted(const std::string& name) {
    m_sceneName = name;
    m_sceneFile.clear();
    m_sceneLine = 0;
    const int slot = m_player.sceneTable().FindScene(name);
    for (const auto& e : m_player.sceneIndex())
        if (e.slot == slot) {
            m_sceneFile = e.file;
            m_sceneLine = e.line;
        }
    m_scene->setText(text(name) +
                     (m_sceneFile.empty()
                          ? QString()
                          : QStringLiteral(" at ") +
                                QFileInfo(QString::fromStdString(m_sceneFile)).fileName() +
                                QLatin1Char(':') + QString::number(m_sceneLine)));
    m_scene->setToolTip(location(m_sceneFile, m_sceneLine));
    refreshWatch();
    showFindings();
}

void AuthorMode::refreshWatch() { m_watch->setFiles(m_player.authorFiles()); }

void AuthorMode::reload() {
    Player::ReloadOutcome outcome;
    m_inCore([&] { outcome = m_player.reload(); });
    setStatus(text(outcome.status));
    refreshWatch();
    // The lint reads the whole game: after the reloaded scene has shown.
    QTimer::singleShot(0, this, [this] { refreshFindings(); });
}

bool AuthorMode::goTo(const std::string& scene) {
    bool started = false;
    m_inCore([&] { started = m_player.goTo(scene); });
    if (!started) setStatus(QStringLiteral("No scene \"") + text(scene) + QStringLiteral("\"."));
    return started;
}

void AuthorMode::showGoToScene() {
    if (m_player.gameScript().path.empty()) {
        setStatus(QStringLiteral("No game open."));
        return;
    }
    auto* parent = qobject_cast<QWidget*>(this->parent());
    GoToSceneDialog dialog(m_player.sceneIndex(), m_player.combat(), parent);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (parent) parent->activateWindow();
    if (!accepted || dialog.chosen().empty()) return;
    if (auto p = dialog.points()) m_inCore([&] { m_player.setPoints(p->first, p->second); });
    goTo(dialog.chosen());
}

void AuthorMode::setStatus(const QString& message) { m_status->setText(message); }

QString AuthorMode::sceneLine() const { return m_scene->text(); }
QString AuthorMode::statusLine() const { return m_status->text(); }

QString AuthorMode::location(const std::string& file, int line) const {
    return QString::fromStdString(file) + QLatin1Char(':') + QString::number(line);
}

void AuthorMode::refreshFindings() {
    m_findings.clear();
    if (!m_player.gameScript().path.empty()) {
        // The file the game was opened from: chained files are checked through it.
        const auto state = m_player.saveState();
        const std::string first = state ? state->gamePath : m_player.gameScript().path;
        std::vector<LintFinding> found = lintGame(first, {.labelText = true});
        for (auto& f : lintStory(first)) found.push_back(std::move(f));
        for (const auto& f : found)
            m_findings.push_back({f.scene, f.file, f.line, formatFinding(f)});
    }
    showFindings();
}

void AuthorMode::showFindings() {
    m_count->setText(m_findings.empty()
                         ? QStringLiteral("No findings")
                         : QString::number(m_findings.size()) +
                               (m_findings.size() == 1 ? QStringLiteral(" finding")
                                                       : QStringLiteral(" findings")));
    m_list->clear();
    const std::string current = vb::UCase(m_sceneName);
    for (const auto& f : m_findings) {
        const bool here = !current.empty() && vb::UCase(f.scene) == current;
        // The list names the file alone; its tooltip has the whole path.
        QString shown = text(f.text);
        const QString path = QString::fromStdString(f.file);
        if (!path.isEmpty() && shown.startsWith(path))
            shown.replace(0, path.size(), QFileInfo(path).fileName());
        auto* item = new QListWidgetItem((here ? QStringLiteral("\u25B6 ") : QString()) + shown);
        item->setToolTip(location(f.file, f.line));
        if (here) {
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
        }
        m_list->addItem(item);
    }
}

void AuthorMode::openInEditor() {
    // The finding chosen, else the scene playing.
    std::string file = m_sceneFile;
    int line = m_sceneLine;
    if (const int row = m_list->currentRow(); row >= 0 && row < findingCount()) {
        file = m_findings[static_cast<size_t>(row)].file;
        line = m_findings[static_cast<size_t>(row)].line;
    }
    if (file.empty()) file = m_player.gameScript().path;
    if (file.empty()) return;
    // Editors take "+LINE FILE"; the desktop's default for text takes the file.
    for (const char* var : {"VISUAL", "EDITOR"}) {
        const QString editor = qEnvironmentVariable(var).trimmed();
        if (editor.isEmpty()) continue;
        QStringList args = QProcess::splitCommand(editor);
        const QString program = args.takeFirst();
        if (line > 0) args << QStringLiteral("+") + QString::number(line);
        args << QString::fromStdString(file);
        if (QProcess::startDetached(program, args)) return;
    }
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(file)}))
        setStatus(QStringLiteral("No editor could be started: set VISUAL or EDITOR."));
}

std::vector<std::string> AuthorMode::stateLines() const {
    return {"author-scene: " + bytes(sceneLine()), "author-status: " + bytes(statusLine()),
            "author-findings: " + std::to_string(findingCount()),
            "author-watching: " + std::to_string(m_watch->watched().size())};
}

}  // namespace parvel::ui
