#include "PlayerWindow.h"
#include "AuthorMode.h"

#include "GameSaves.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <sstream>
#include <chrono>
#include <cmath>
#include <limits>
#include <utility>

#include "AboutWindow.h"
#include "Controls.h"
#include "GameLibrary.h"
#include "KeyMap.h"
#include "LabelText.h"
#include "NewGamesWindow.h"
#include "Paths.h"
#include "ShelfData.h"
#include "Speaker.h"
#include "TextCodec.h"
#include "UiLog.h"
#include "UnusedFilesWindow.h"

namespace parvel::ui {

namespace {

struct Placement {
    Control control;
    const char* name;
    QRect geometry;
};

constexpr int kOptionTop = 256;
constexpr int kOptionPitch = 32;

const Placement kPlacements[kControlCount] = {
    {Control::Label2, "Label2", {0, 120, kTextLabelWidth, kTitleBlockHeight}},
    {Control::Label3, "Label3", {0, kOptionTop + 0 * kOptionPitch, kOptionLabelWidth, kOptionLabelHeight}},
    {Control::Label4, "Label4", {0, kOptionTop + 1 * kOptionPitch, kOptionLabelWidth, kOptionLabelHeight}},
    {Control::Label5, "Label5", {0, kOptionTop + 2 * kOptionPitch, kOptionLabelWidth, kOptionLabelHeight}},
    {Control::Label6, "Label6", {0, kOptionTop + 3 * kOptionPitch, kOptionLabelWidth, kOptionLabelHeight}},
    {Control::Label7, "Label7", {0, kOptionTop + 4 * kOptionPitch, kOptionLabelWidth, kOptionLabelHeight}},
    {Control::Label8, "Label8", {0, kOptionTop + 5 * kOptionPitch, kOptionLabelWidth, kOptionLabelHeight}},
    {Control::HPherol, "HPherol", {0, 24, 41, 17}},
    {Control::maxHerol, "maxHerol", {0, 40, 41, 25}},
    {Control::eneHPl, "eneHPl", {240, 24, 49, 17}},
    {Control::enemAxl, "enemAxl", {240, 40, 49, 25}},
};

// Captions break lines at CR (the scripts' CR LF counts once).
QString captionText(std::string_view bytes) { return render::labelText(bytes); }

QString fromBytes(std::string_view bytes) { return QString::fromStdString(cp1252ToUtf8(bytes)); }

// Messages about file names: the names are UTF-8 on disk, the message box
// takes script bytes.
std::string pathForMessage(const std::string& utf8) { return utf8ToCp1252(utf8).value_or(utf8); }

constexpr Colour kDefaultTextColour = 49152;  // green 192, as games default to

}  // namespace

PlayerWindow::PlayerWindow() : PlayerWindow(Options{}) {}

PlayerWindow::PlayerWindow(Options options)
    : m_options(std::move(options)), m_settingsFile(m_options.settings) {
    setObjectName("PlayerWindow");
    m_clock.start();
    m_rng.seed(static_cast<std::uint64_t>(
        std::chrono::system_clock::now().time_since_epoch().count()));

    m_timer1.setObjectName("Timer1");
    m_timer1.setInterval(1000);
    m_timer1.setSingleShot(true);
    connect(&m_timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);

    installAccessibility();
    buildMenus();
    buildControls();
    m_title = std::string(kProgramTitle);
    setWindowTitle(fromBytes(m_title));
    setWindowIcon(QIcon());
}

PlayerWindow::~PlayerWindow() = default;

void PlayerWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    // The five menus must fit the 280-pixel window side by side, as they did
    // in the small menu font they were laid out for; the usual font and
    // padding would push "Help" into an overflow button.
    QFont barFont = bar->font();
    barFont.setPointSizeF(8);
    bar->setFont(barFont);
    bar->setStyleSheet(QStringLiteral("QMenuBar::item { padding: 2px 3px; }"));
    auto menu = [&](const char* name, const char* caption) {
        QMenu* m = bar->addMenu(QString::fromLatin1(caption));
        m->setObjectName(name);
        // A popup is read by its own name, which Qt leaves empty.
        m->setAccessibleName(QString::fromLatin1(caption).remove(QLatin1Char('&')));
        m->menuAction()->setObjectName(name);
        m->menuAction()->setEnabled(false);  // MainLoop enables them
        return m;
    };
    auto item = [&](QMenu* m, const char* name, const char* caption, void (PlayerWindow::*handler)()) {
        QAction* a = m->addAction(QString::fromLatin1(caption));
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    auto checkItem = [&](QMenu* m, const char* name, const char* caption, bool checked,
                         void (PlayerWindow::*handler)()) {
        QAction* a = item(m, name, caption, handler);
        a->setCheckable(true);
        a->setChecked(checked);
        return a;
    };

    m_Fle = menu("Fle", "&File");
    item(m_Fle, "opn", "&Open", &PlayerWindow::opn_Click)->setShortcut(QKeySequence::Open);
    item(m_Fle, "CheckFiles", "&Check Files...", &PlayerWindow::CheckFiles_Click);
    m_Fle->addSeparator()->setObjectName("hyp");
    item(m_Fle, "Exitt", "E&xit", &PlayerWindow::Exitt_Click)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    m_opns = menu("opns", "&Options");
    m_sE = checkItem(m_opns, "sE", "Show Errors", false, &PlayerWindow::sE_Click);
    m_plySnds = checkItem(m_opns, "plySnds", "Play Sounds", true, &PlayerWindow::plySnds_Click);
    m_plyMusic = checkItem(m_opns, "plyMusic", "Play Music", true, &PlayerWindow::plyMusic_Click);

    m_getGame = menu("getGame", "&GetGames");
    item(m_getGame, "chckNG", "&Check for new Games!", &PlayerWindow::chckNG_Click);

    m_sprtSpd = menu("sprtSpd", "&SpriteSpeed");
    m_slwr = checkItem(m_sprtSpd, "slwr", "Normal", true, &PlayerWindow::slwr_Click);
    m_nrml = checkItem(m_sprtSpd, "nrml", "Faster", false, &PlayerWindow::nrml_Click);
    m_fast = checkItem(m_sprtSpd, "fast", "Fastest", false, &PlayerWindow::fast_Click);
    m_nrml->setEnabled(false);  // MainLoop enables it

    m_Help = menu("Help", "&Help");
    item(m_Help, "about", "&About", &PlayerWindow::about_Click);
}

void PlayerWindow::buildControls() {
    m_surface = new Surface(this);
    m_surface->setObjectName("PlayerWindowSurface");
    setCentralWidget(m_surface);
    m_surface->onMouseDown = [this] { Form_MouseDown(); };

    for (const Placement& p : kPlacements) {
        auto* l = new ControlLabel(m_surface);
        l->setObjectName(p.name);
        place(l, p.geometry);
        m_labels[idx(p.control)] = l;
        setForeColour(p.control, kDefaultTextColour);
    }
    m_labels[idx(Control::Label2)]->onClick = [this] { Label2_Click(); };
    for (int k = 1; k <= 6; ++k) {
        ControlLabel* l = m_labels[idx(optionLabel(k))];
        l->onMouseMove = [this, k] { Option_MouseMove(k); };
        l->onClick = [this, k] { Option_Click(k); };
        l->raise();  // the row they share with Label2 belongs to the options
    }
    // What a screen reader hears: the title screen's block as the game's
    // name, options as buttons named by their text (without the key prefix
    // or the hover marker), the points as "Hero 15 of 20".
    m_labels[idx(Control::Label2)]->accessibleText = [this] {
        const QString text = m_labels[idx(Control::Label2)]->caption();
        const bool title = m_labels[idx(Control::Label2)]->alignment() & Qt::AlignHCenter;
        return title ? text.section(QLatin1Char('\n'), 0, 0) : text;
    };
    for (int k = 1; k <= 6; ++k) {
        ControlLabel* l = m_labels[idx(optionLabel(k))];
        l->role = LabelRole::Option;
        l->accessibleText = [this, k] {
            QString t = captionText(m_captions[idx(optionLabel(k))]);
            if (t.endsWith(QLatin1String(" <--"))) t.chop(4);
            if (t.size() >= 4 && t[0] == QLatin1Char('(') && t[2] == QLatin1Char(')') &&
                t[3] == QLatin1Char(' '))
                t.remove(0, 4);
            return t.trimmed();
        };
    }
    auto points = [this](Control value, Control maximum, const char* who) {
        m_labels[idx(maximum)]->role = LabelRole::Hidden;  // read with the value
        m_labels[idx(value)]->accessibleText = [this, value, maximum, who] {
            const QString p = fromBytes(m_captions[idx(value)]).trimmed();
            if (p.isEmpty()) return QString();
            QString m = fromBytes(m_captions[idx(maximum)]).trimmed();
            if (m.startsWith(QLatin1Char('/'))) m.remove(0, 1);
            return QLatin1String(who) + QLatin1Char(' ') + p +
                   (m.isEmpty() ? QString() : QLatin1String(" of ") + m);
        };
    };
    points(Control::HPherol, Control::maxHerol, "Hero");
    points(Control::eneHPl, Control::enemAxl, "Enemy");
    setLabelFont("MS Sans Serif", 8);
    QFont hpFont = m_labels[idx(Control::Label2)]->designFont();
    for (Control c : {Control::HPherol, Control::maxHerol, Control::eneHPl, Control::enemAxl})
        m_labels[idx(c)]->setDesignFont(hpFont);

    m_picture1 = new PictureBox(m_surface);
    m_picture1->setObjectName("Picture1");
    place(m_picture1, {40, 0, 200, 115});
    m_picture1->source = [this]() -> const QImage* { return m_core ? m_core->picture() : nullptr; };
    m_picture1->onClick = [this] { Picture1_Click(); };
    m_picture1->onKeyDown = [this](int k) { Picture1_KeyDown(k); };
    m_picture1->onKeyUp = [this](int k) { Picture1_KeyUp(k); };
    m_picture1->onTab = [this](bool back) { moveRing(back ? -1 : 1); };
    m_picture1->setAccessibleName(QStringLiteral("Scene picture"));

    for (auto& a : m_announcers) {
        a = new Announcer(m_surface);
        place(a, {0, 120, kTextLabelWidth, kTitleBlockHeight});  // where the scene text shows
        a->lower();
    }
    m_announceTimer.setSingleShot(true);
    m_announceTimer.setInterval(0);
    connect(&m_announceTimer, &QTimer::timeout, this, [this] { flushAnnouncement(); });

    m_picture2 = new VideoArea(m_surface);
    m_picture2->setObjectName("Picture2");
    place(m_picture2, {40, 0, 198, 115});
    m_picture2->hide();
}

QWidget* PlayerWindow::Picture1() const { return m_picture1; }
QWidget* PlayerWindow::Picture2() const { return m_picture2; }
VideoSink* PlayerWindow::videoSink() const { return m_picture2; }
QLabel* PlayerWindow::label(Control c) const { return m_labels[idx(c)]; }

QColor PlayerWindow::toQColor(Colour c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// ---- Start-up and shut-down --------------------------------------------

void PlayerWindow::startUp() {
    const LoadedSettings loaded = loadPlayerSettings(m_settingsFile);
    m_settings.ShowErrors = loaded.settings.ShowErrors;
    m_settings.PlaySounds = loaded.settings.PlaySounds;
    m_settings.PlayMusic = loaded.settings.PlayMusic;
    m_settings.ReadAloud = loaded.settings.ReadAloud;
    m_settings.MasterVolume = loaded.settings.MasterVolume;
    m_settings.MusicVolume = loaded.settings.MusicVolume;
    m_settings.SoundVolume = loaded.settings.SoundVolume;
    m_settings.Mute = loaded.settings.Mute;
    if (m_core) m_core->volumeChanged();
    addViewItems();
    addAuthorItems();
    addReadAloudItem();
    addSaveItems();
    m_library = new GameLibrary(
        *this, [this] { return folderOf(m_settingsFile.path()); },
        [this](const QString& file) { openChosenFile(file); });
    m_library->addTo(m_Fle, findChild<QAction*>("CheckFiles"));
    syncCheckMarks();
    for (const std::string& key : loaded.badKeys) {
        qCWarning(lcUi) << "Parvel.ini:" << key.c_str() << "is neither True nor False";
        messageBox("ERROR IN LOAD - 13 Type mismatch");
        if (messageBox("Attempt to run?", MsgButtons::YesNo, "Continue?") == MsgAnswer::No) {
            quitNow();
            return;
        }
    }

    placeWindow();
    show();
    fitFrame();
    QTimer::singleShot(0, this, [this] { fitFrame(); });
    applyViewSettings();
    startGamepad();
    m_picture1->setFocus(Qt::OtherFocusReason);
    if (m_core) inCore([&] { m_core->startUp(); });
    m_timer1.start();
}

void PlayerWindow::placeWindow() {
    move(0, 0);
    resize(kFormWidth, kFormHeight);
}

void PlayerWindow::fitFrame() {
    // The designed size is the outer one, frame included; window managers
    // tell the frame only once the window is shown, sometimes a bit later.
    if (m_fullScreen) return;
    const QSize frame = frameSize();
    const int bar = menuBar()->isVisible() ? menuBar()->height() : 0;
    m_designContent = QSize(kFormWidth - std::max(0, frame.width()),
                            kFormHeight - std::max(0, frame.height()) - bar);
    const bool newFrame = frame != m_frameSeen;
    m_frameSeen = frame;
    if (newFrame) markZoom(m_startZoom >= 0 ? startZoom() : m_zoom);
    if (m_zoom > 1) {
        resize(m_designContent.width() * m_zoom, m_designContent.height() * m_zoom + bar);
        layoutContent();
        keepOnScreen();
        return;
    }
    if (frame.width() > 0 || frame.height() > 0)
        resize(kFormWidth - frame.width(), kFormHeight - frame.height());
    const bool scaled = m_shownZoom != 1 || !m_origin.isNull();
    if (scaled && frame.width() <= 0 && frame.height() <= 0) resize(kFormWidth, kFormHeight);
    if (scaled) layoutContent();
    move(0, 0);
    keepOnScreen();
}

void PlayerWindow::shutDown(bool fromExitCommand) {
    if (m_quitting) return;
    if (m_core && m_core->saves()) m_core->saves()->saveOnExit();
    if (m_core) m_core->shutdown(fromExitCommand);
    if (m_speechFailed) m_settings.ReadAloud = true;
    if (!savePlayerSettings(m_settingsFile, m_settings))
        qCWarning(lcUi) << "the settings could not be saved";
    saveViewSettings();
    m_quitting = true;
    m_timer1.stop();
    closeSideWindows();
    hide();
    QCoreApplication::exit(0);
}

void PlayerWindow::closeSideWindows() {
    if (m_aboutWindow) m_aboutWindow->close();
    if (m_newGamesWindow) m_newGamesWindow->close();
    if (m_unusedFilesWindow) m_unusedFilesWindow->close();
    if (m_library) m_library->closeWindows();
}

void PlayerWindow::closeEvent(QCloseEvent* e) {
    shutDown(false);
    e->accept();
}

void PlayerWindow::quitNow() {
    if (m_quitting) return;
    m_quitting = true;
    m_timer1.stop();
    closeSideWindows();
    hide();
    QCoreApplication::exit(0);
}

void PlayerWindow::Timer1_Timer() {
    if (m_quitting) return;
    // MainLoop runs for the rest of the program; started inside a core call
    // (a slow load from the command line), that call would never finish.
    if (m_coreDepth > 0) {
        m_timer1.start(50);
        return;
    }
    m_timer1.stop();
    for (QMenu* m : {m_Fle, m_opns, m_getGame, m_Help}) m->menuAction()->setEnabled(true);
    m_nrml->setEnabled(true);
    if (m_core) inCore([&] { m_core->MainLoop(); });
    // MainLoop only returns once the program ends.
    quitNow();
}

// ---- Menu commands ------------------------------------------------------

std::unique_ptr<QFileDialog> PlayerWindow::makeOpenDialog(const QString& folder) {
    auto d = std::make_unique<QFileDialog>(this, QStringLiteral("Please Choose a valid Game File"), folder);
    d->setObjectName("Cd1");
    d->setAcceptMode(QFileDialog::AcceptOpen);
    d->setFileMode(QFileDialog::ExistingFile);
    // Our own dialog: the platform ones disagree on bracket patterns, which
    // are what makes the game file names match in any case.
    d->setOption(QFileDialog::DontUseNativeDialog);
    d->setOption(QFileDialog::HideNameFilterDetails);
    d->setNameFilters({QStringLiteral("Gamefile.txt;GameFile.Cgm ("
                                      "[Gg][Aa][Mm][Ee][Ff][Ii][Ll][Ee].[Tt][Xx][Tt] "
                                      "[Gg][Aa][Mm][Ee][Ff][Ii][Ll][Ee].[Cc][Gg][Mm])"),
                       QStringLiteral("*.* (*)")});
    return d;
}

void PlayerWindow::opn_Click() {
    if (m_quitting) return;
    CheckP();
    const QString folder = QString::fromStdString(lastFolder(m_settingsFile));
    auto dialog = makeOpenDialog(folder);
    QString chosen;
    if (openDialogHook) {
        chosen = openDialogHook(*dialog);
    } else if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
        chosen = dialog->selectedFiles().constFirst();
    }
    dialog.reset();
    // A cancelled dialog changes nothing: no folder saved, no reset, no load.
    if (chosen.isEmpty() || m_quitting) return;
    openChosenFile(chosen);
}

void PlayerWindow::openChosenFile(const QString& path) {
    if (m_quitting) return;
    // The file system's bytes, also for names that are no UTF-8 (pathText).
    std::string full = shelf::pathBytes(QFileInfo(path).absoluteFilePath());
    if (!QFileInfo(path).isFile()) {
        const std::string resolved = resolvePath(full);
        if (!fileExists(resolved)) {
            messageBox("Cannot find the game file " + pathForMessage(full));
            return;
        }
        full = resolved;
    }
    CheckP();
    // Saved before loading, so the next dialog starts here even when the
    // game fails to load.
    m_settingsFile.write("LstDir", folderOf(full));
    if (m_core) inCore([&] { m_core->openGame(full); });
    if (m_author) m_author->gameOpened();
    const std::string_view shown = m_title, prefix = "Parvel - ";
    const std::string_view name = shown.starts_with(prefix) ? shown.substr(prefix.size()) : "";
    if (m_library && !m_quitting) m_library->played(full, fromBytes(name));
}

void PlayerWindow::CheckFiles_Click() {
    if (m_quitting) return;
    if (!m_unusedFilesWindow) m_unusedFilesWindow = std::make_unique<UnusedFilesWindow>();
    m_unusedFilesWindow->clearLists();
    const GameScript* game = m_core ? m_core->game() : nullptr;
    SceneTable* scenes = m_core ? m_core->scenes() : nullptr;
    if (!m_core || m_core->gamePath().empty() || !game || !scenes) {
        messageBox("Please open a game first!");
        return;
    }
    m_unusedFilesWindow->show();
    m_unusedFilesWindow->raise();
    m_unusedFilesWindow->CheckFiles(*game, *scenes, *this);
}

void PlayerWindow::Exitt_Click() { shutDown(true); }

void PlayerWindow::syncCheckMarks() {
    m_sE->setChecked(m_settings.ShowErrors);
    m_plySnds->setChecked(m_settings.PlaySounds);
    m_plyMusic->setChecked(m_settings.PlayMusic);
    if (m_rdAloud) m_rdAloud->setChecked(m_settings.ReadAloud);
}

// Added with the settings it shows, at the load event. Whether an engine is
// there is asked when the menu first opens, not at start-up.
void PlayerWindow::addReadAloudItem() {
    if (m_rdAloud) return;
    m_rdAloud = m_opns->addAction(QStringLiteral("&Read Aloud"));
    m_rdAloud->setObjectName("rdAloud");
    m_rdAloud->setCheckable(true);
    connect(m_rdAloud, &QAction::triggered, this, [this] { rdAloud_Click(); });
    connect(m_opns, &QMenu::aboutToShow, this, [this] {
        const QString why = Speaker::unavailableReason();
        if (why.isEmpty() || !m_rdAloud->isEnabled()) return;
        m_rdAloud->setEnabled(false);
        m_rdAloud->setToolTip(why);
        m_opns->setToolTipsVisible(true);
    });
}

void PlayerWindow::rdAloud_Click() {
    m_settings.ReadAloud = m_rdAloud->isChecked();
    if (!m_settings.ReadAloud) stopSpeaking();
}

// Qt has already inverted the check mark; the flag follows it.
void PlayerWindow::sE_Click() { m_settings.ShowErrors = m_sE->isChecked(); }
void PlayerWindow::plySnds_Click() { m_settings.PlaySounds = m_plySnds->isChecked(); }
void PlayerWindow::plyMusic_Click() { m_settings.PlayMusic = m_plyMusic->isChecked(); }

void PlayerWindow::setSpriteSpeed(int bonus) {
    m_settings.SpriteSpeedBonus = bonus;
    m_slwr->setChecked(bonus == 0);
    m_nrml->setChecked(bonus == 2);
    m_fast->setChecked(bonus == 5);
}
void PlayerWindow::slwr_Click() { setSpriteSpeed(0); }
void PlayerWindow::nrml_Click() { setSpriteSpeed(2); }
void PlayerWindow::fast_Click() { setSpriteSpeed(5); }

void PlayerWindow::chckNG_Click() {
    if (m_quitting) return;
    // Read each time, so hosts set in the file while the player runs count.
    catalogue::CatalogueHosts hosts{m_settingsFile.read(catalogue::kCatalogueHostKey),
                                    m_settingsFile.read(catalogue::kCatalogueWebHostKey),
                                    m_settingsFile.read(catalogue::kEnhancedHostKey)};
    if (!m_newGamesWindow)
        m_newGamesWindow = std::make_unique<NewGamesWindow>(std::move(hosts));
    else
        m_newGamesWindow->setHosts(std::move(hosts));
    m_newGamesWindow->show();
    m_newGamesWindow->raise();
    m_newGamesWindow->activateWindow();
}

void PlayerWindow::about_Click() {
    if (m_quitting) return;
    if (!m_aboutWindow) m_aboutWindow = new AboutWindow(this);
    m_aboutWindow->show();
    m_aboutWindow->raise();
    m_aboutWindow->activateWindow();
}

// ---- Input ----------------------------------------------------------------

void PlayerWindow::Form_MouseDown() {
    if (!m_quitting && m_core) inCore([&] { m_core->click(); });
}
void PlayerWindow::Label2_Click() { Form_MouseDown(); }
void PlayerWindow::Picture1_Click() { Form_MouseDown(); }

void PlayerWindow::Picture1_KeyDown(int qtKey) {
    if (!m_quitting && m_core) inCore([&] { m_core->keyDown(playerKeyCode(qtKey)); });
    if (qtKey == Qt::Key_Up || qtKey == Qt::Key_Down) moveRing(qtKey == Qt::Key_Up ? -1 : 1);
}
void PlayerWindow::Picture1_KeyUp(int qtKey) {
    if (!m_quitting && m_core) inCore([&] { m_core->keyUp(playerKeyCode(qtKey)); });
    if (qtKey != Qt::Key_Return && qtKey != Qt::Key_Enter && qtKey != Qt::Key_Space) return;
    // Enter and Space choose the option the ring is on, or start a game
    // waiting on its title screen, as a click would.
    if (m_ring > 0 && !m_captions[idx(optionLabel(m_ring))].empty())
        Option_Click(m_ring);
    else
        Form_MouseDown();
}

void PlayerWindow::moveRing(int step) {
    m_keyboardPlay = true;
    // After a new scene the reader has heard its text, not the option the
    // ring waits on: the first move names that option instead of passing it.
    if (QAccessible::isActive() && m_ring > 0 && !m_captions[idx(optionLabel(m_ring))].empty() &&
        !m_labels[idx(optionLabel(m_ring))]->accessibleFocus)
        return placeRing(m_ring, true);
    std::vector<int> shown;
    for (int k = 1; k <= 6; ++k)
        if (!m_captions[idx(optionLabel(k))].empty()) shown.push_back(k);
    if (shown.empty()) return placeRing(0, false);
    const auto at = std::find(shown.begin(), shown.end(), m_ring);
    const int n = static_cast<int>(shown.size());
    int i = at == shown.end() ? (step > 0 ? 0 : n - 1)
                              : ((static_cast<int>(at - shown.begin()) + step) % n + n) % n;
    placeRing(shown[static_cast<std::size_t>(i)], true);
}

// A new scene's options: once the keyboard plays, the ring starts on the
// first one.
void PlayerWindow::followOptions() {
    if (!m_keyboardPlay) return;
    if (m_ring > 0 && !m_captions[idx(optionLabel(m_ring))].empty()) return;
    int first = 0;
    for (int k = 6; k >= 1; --k)
        if (!m_captions[idx(optionLabel(k))].empty()) first = k;
    placeRing(first, false);
}

void PlayerWindow::placeRing(int k, bool moved) {
    m_ring = k;
    for (int o = 1; o <= 6; ++o) {
        ControlLabel* l = m_labels[idx(optionLabel(o))];
        l->setFocusRing(o == k);
        l->accessibleFocus = o == k && moved;
    }
    if (!moved || k == 0 || !QAccessible::isActive()) return;
    for (Announcer* a : m_announcers) a->focused = false;
    QAccessibleEvent e(m_labels[idx(optionLabel(k))], QAccessible::Focus);
    QAccessible::updateAccessibility(&e);
}

void PlayerWindow::announce(Control c, bool shownOrHidden) {
    if (!QAccessible::isActive()) return;
    if (c == Control::maxHerol) c = Control::HPherol;
    if (c == Control::enemAxl) c = Control::eneHPl;
    ControlLabel* l = m_labels[idx(c)];
    if (shownOrHidden) {
        // Labels without text are left out of the tree: they come and go.
        QAccessibleEvent e(l, m_captions[idx(c)].empty() ? QAccessible::ObjectHide
                                                         : QAccessible::ObjectShow);
        QAccessible::updateAccessibility(&e);
        // "Showing" alone leaves "visible" as the reader cached it: a shown
        // label is announced afresh, with all its states.
        QAccessible::State visible;
        visible.invisible = true;
        QAccessibleStateChangeEvent v(l, visible);
        QAccessible::updateAccessibility(&v);
        if (!m_captions[idx(c)].empty()) {
            QAccessibleEvent created(l, QAccessible::ObjectCreated);
            QAccessible::updateAccessibility(&created);
        }
    }
    QAccessibleEvent changed(l, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void PlayerWindow::flushAnnouncement() {
    if (m_pendingAnnouncement.isEmpty() || m_quitting || !QAccessible::isActive()) return;
    for (Announcer* other : m_announcers) other->focused = false;
    Announcer* a = m_announcers[static_cast<std::size_t>(m_nextAnnouncer)];
    m_nextAnnouncer = (m_nextAnnouncer + 1) % static_cast<int>(m_announcers.size());
    for (int k = 1; k <= 6; ++k) m_labels[idx(optionLabel(k))]->accessibleFocus = false;
    a->text = m_pendingAnnouncement;
    a->focused = true;
    m_unheardAnnouncement = isActiveWindow() ? QString() : m_pendingAnnouncement;
    m_pendingAnnouncement.clear();
    // The name first: readers keep names they have read before.
    QAccessibleEvent named(a, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    QAccessibleEvent focus(a, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

void PlayerWindow::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() != QEvent::ActivationChange || !isActiveWindow() ||
        m_unheardAnnouncement.isEmpty())
        return;
    // After the reader has heard of the activation.
    if (!m_pendingAnnouncement.isEmpty())
        m_unheardAnnouncement += QLatin1Char('\n') + m_pendingAnnouncement;
    m_pendingAnnouncement = std::exchange(m_unheardAnnouncement, QString());
    m_announceTimer.start();
}

void PlayerWindow::leaveEvent(QEvent* e) {
    QMainWindow::leaveEvent(e);
    Form_MouseLeave();
}

void PlayerWindow::Form_MouseLeave() {
    if (!m_quitting && m_core) inCore([&] { m_core->optionHover(0); });
}

void PlayerWindow::Option_MouseMove(int k) {
    if (!m_quitting && m_core) inCore([&] { m_core->optionHover(k); });
}
void PlayerWindow::Option_Click(int k) {
    if (!m_quitting && m_core) inCore([&] { m_core->optionClick(k); });
}

// ---- Host -------------------------------------------------------------------

void PlayerWindow::processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void PlayerWindow::waitUntil(Micros deadline) {
    const Micros left = deadline - now();
    if (left <= 0 || m_quitting) {
        processEvents();
        return;
    }
    // Sleep in the event loop: the wake timer is one more event, so this
    // returns after the first input or at the deadline, without spinning.
    const Micros ms = (left + 999) / 1000;
    m_wake.start(static_cast<int>(std::min<Micros>(ms, std::numeric_limits<int>::max())));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    m_wake.stop();
}

Micros PlayerWindow::now() const { return m_clock.nsecsElapsed() / 1000; }

double PlayerWindow::random() { return std::uniform_real_distribution<double>(0.0, 1.0)(m_rng); }

std::string PlayerWindow::randomState() const {
    std::ostringstream out;
    out << m_rng;
    return out.str();
}

bool PlayerWindow::setRandomState(std::string_view state) {
    std::istringstream in{std::string(state)};
    std::mt19937_64 rng;
    if (!(in >> rng)) return false;
    m_rng = rng;
    return true;
}

MsgAnswer PlayerWindow::messageBox(std::string_view text, MsgButtons buttons, std::string_view title) {
    if (messageBoxHook) return messageBoxHook(text, buttons, title);
    if (m_quitting) return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
    QMessageBox box(QMessageBox::NoIcon, fromBytes(title), fromBytes(text),
                    buttons == MsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    isVisible() ? this : nullptr);
    if (!screenReaderAttached()) speak(text);  // a reader reads the box itself
    const int answer = box.exec();
    if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    return answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

void PlayerWindow::setTitle(std::string_view text) {
    m_title = std::string(text);
    // Qt reads "[*]" as the place of the unsaved-changes mark and drops it;
    // doubled, it shows as the game wrote it.
    setWindowTitle(fromBytes(text).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
}

void PlayerWindow::setCaption(Control c, std::string_view text) {
    const bool shownBefore = !m_captions[idx(c)].empty();
    m_captions[idx(c)] = std::string(text);
    m_labels[idx(c)]->setCaption(captionText(text));
    announce(c, shownBefore != !text.empty());
    if (c >= optionLabel(1) && c <= optionLabel(6)) followOptions();
}

bool PlayerWindow::screenReaderAttached() const { return QAccessible::isActive(); }

// After a dialog closes the reader is back in the window with nothing new
// to say: it hears the scene again.
void PlayerWindow::rereadScene() {
    if (screenReaderAttached()) speak(m_captions[idx(Control::Label2)]);
}

// Beside a screen reader the texts go to the reader alone, in its voice and
// at its rate, so nothing is said twice; Read Aloud speaks without one.
void PlayerWindow::speak(std::string_view text) {
    if (m_quitting) return;
    if (screenReaderAttached()) {
        const QString t = captionText(text).trimmed();
        if (t.isEmpty()) return;
        if (!m_pendingAnnouncement.isEmpty()) m_pendingAnnouncement += QLatin1Char('\n');
        m_pendingAnnouncement += t;
        m_announceTimer.start();  // what the rest of this pass says comes along
        return;
    }
    if (!m_settings.ReadAloud) return;
    if (!m_speaker) {
        m_speaker = std::make_unique<Speaker>();
        // Off for this run; the file keeps the choice for the next.
        m_speaker->onFailure = [this](const QString& why) {
            m_speechFailed = m_settings.ReadAloud;
            m_settings.ReadAloud = false;
            showNotice(QStringLiteral("Read Aloud is off: ") + why + QLatin1Char('.'));
            if (!m_rdAloud) return;
            m_rdAloud->setChecked(false);
            m_rdAloud->setEnabled(false);
            m_rdAloud->setToolTip(why);
            m_opns->setToolTipsVisible(true);
        };
    }
    m_speaker->say(captionText(text));
}

void PlayerWindow::stopSpeaking() {
    if (m_speaker) m_speaker->stop();
}

void PlayerWindow::setForeColour(Control c, Colour colour) {
    m_colours[idx(c)] = colour;
    QLabel* l = m_labels[idx(c)];
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, toQColor(colour));
    l->setPalette(pal);
}

void PlayerWindow::setLabelFont(std::string_view family, double points) {
    // An unknown family falls back through the system's font matching to a
    // sans-serif face, which is what "MS Sans Serif" games were drawn with.
    const QFont font = render::labelFont(family, points);
    for (int c = idx(Control::Label2); c <= static_cast<int>(idx(Control::Label8)); ++c)
        m_labels[c]->setDesignFont(font);
}

void PlayerWindow::setDescriptionLayout(bool centred, int height) {
    QLabel* l = m_labels[idx(Control::Label2)];
    l->setAlignment((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    QRect design = l->property("designGeometry").toRect();
    design.setHeight(height);
    place(l, design);
}

void PlayerWindow::setWindowBackground(Colour colour) { m_surface->setBackground(toQColor(colour)); }

void PlayerWindow::setWindowPicture(std::string_view path) {
    QImage picture;
    if (!picture.load(QString::fromStdString(resolvePath(path)))) {
        qCInfo(lcUi) << "background picture not loaded:" << QString::fromUtf8(path.data(), path.size());
        return;
    }
    m_surface->setPicture(picture);
}

void PlayerWindow::setSpriteSpeedEnabled(bool enabled) {
    m_sprtSpd->menuAction()->setEnabled(enabled);
    // Only walking scenes enable the sprite speeds: the picture tells a
    // screen reader how to walk there.
    const QString walk = enabled ? QStringLiteral("You can walk with the arrow keys") : QString();
    if (m_picture1->accessibleDescription() != walk) m_picture1->setAccessibleDescription(walk);
}

void PlayerWindow::showVideoArea(bool video) {
    if (video) {
        m_picture2->show();
        m_picture2->raise();
        m_picture2->setFocus(Qt::OtherFocusReason);
        m_picture1->hide();
    } else {
        m_picture2->hide();
        m_picture2->clearFrame();
        m_picture1->show();
        m_picture1->setFocus(Qt::OtherFocusReason);
    }
}

void PlayerWindow::showNotice(const QString& text) {
    if (!m_notice) {
        m_notice = new QLabel(this);
        m_notice->setObjectName("notice");
        m_notice->setAlignment(Qt::AlignCenter);
        m_notice->setWordWrap(true);
        m_notice->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_notice->setStyleSheet(QStringLiteral(
            "QLabel { background: rgba(0, 0, 0, 200); color: white; padding: 4px; border-radius: 3px; }"));
        m_noticeTimer.setSingleShot(true);
        connect(&m_noticeTimer, &QTimer::timeout, m_notice, &QWidget::hide);
    }
    m_notice->setText(text);
    // Over the foot of the window, where the last options are, for a moment.
    const QRect area = centralWidget()->geometry();
    const int width = std::min(area.width() - 8, std::max(160, area.width() * 3 / 4));
    m_notice->setFixedWidth(width);
    m_notice->adjustSize();
    m_notice->move(area.x() + (area.width() - width) / 2, area.bottom() - m_notice->height() - 8);
    m_notice->show();
    m_notice->raise();
    m_noticeTimer.start(kNoticeMs);
    if (QAccessible::isActive()) {
        QAccessibleEvent e(m_notice, QAccessible::Alert);
        QAccessible::updateAccessibility(&e);
    }
}

QString PlayerWindow::notice() const {
    return m_notice && !m_notice->isHidden() ? m_notice->text() : QString();
}

void PlayerWindow::focusPicture() { m_picture1->setFocus(Qt::OtherFocusReason); }

void PlayerWindow::pictureChanged() { m_picture1->update(); }

}  // namespace parvel::ui
