// The main window at any size (zoom, full screen), the Options items for
// volume and the soundfont, and game controllers.

#include <QActionGroup>
#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMoveEvent>
#include <QWindow>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

#include "Controls.h"
#include "PlayerWindow.h"
#include "Gamepad.h"
#include "TextCodec.h"
#include "UiLog.h"
#include "VolumeWindow.h"
#include "WindowScale.h"

namespace parvel::ui {

namespace {

// Whether a window manager looks after the windows. On X11 one that follows
// the desktop conventions names itself on the root window; elsewhere the
// platform itself does.
bool windowManagerRuns() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return true;
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return true;
    static constexpr char kName[] = "_NET_SUPPORTING_WM_CHECK";
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof kName - 1, kName), nullptr),
        &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE) return false;
    const xcb_screen_t* root = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!root) return true;
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> value(
        xcb_get_property_reply(
            c, xcb_get_property(c, 0, root->root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr),
        &std::free);
    return value && xcb_get_property_value_length(value.get()) > 0;
}

// How close to the top the pointer calls the menu bar in full screen.
constexpr int kBarEdge = 3;

constexpr char kControlsText[] =
    "Mouse: click the title screen to start; click an option to choose it.\r\n"
    "Keys: A S D F G Z choose options 1 to 6; Left and Right walk the sprite; "
    "Ctrl takes a hot spot that needs an action; Tab, Up and Down move the focus "
    "ring, Enter or Space chooses.\r\n"
    "Window: Ctrl+= and Ctrl+- zoom in and out, Ctrl+0 goes back to 1x; "
    "F11 turns full screen on and off, Esc leaves it (there the menus show when the pointer "
    "reaches the top or Alt is pressed); Ctrl+M mutes.\r\n"
    "Saves: F5 quick save, F9 quick load, Ctrl+R continues the last game; Backspace goes back "
    "one scene; Ctrl+H shows the story so far.\r\n"
    "Menus: Ctrl+O opens a game, Ctrl+Q exits; Alt and a menu's underlined letter open it.\r\n"
    "Game controller: A B X Y and the left and right shoulder buttons choose options 1 to 6; "
    "the D-pad or left stick walks left and right and moves the focus ring up and down; "
    "either trigger acts as Ctrl; Start starts the title screen.";

std::string messageBytes(const QString& text) {
    const std::string utf8 = text.toStdString();
    return utf8ToCp1252(utf8).value_or(utf8);
}

}  // namespace

void PlayerWindow::addViewItems() {
    if (m_muteItem) return;
    auto action = [this](QMenu* m, const char* name, const QString& caption, auto handler) {
        QAction* a = m->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    // Window managers tell the frame when they like, and not always with a
    // move: it is looked at for a few seconds after each showing.
    m_frameWatch.setInterval(100);
    connect(&m_frameWatch, &QTimer::timeout, this, [this] {
        if (++m_frameWatchTicks >= 30) m_frameWatch.stop();
        if (!m_fullScreen && isVisible() && frameSize() != m_frameSeen) fitFrame();
    });
    m_opns->addSeparator();
    QMenu* zoom = m_opns->addMenu(QStringLiteral("&Zoom"));
    zoom->setObjectName("zoomMenu");
    zoom->setAccessibleName(QStringLiteral("Zoom"));
    auto* group = new QActionGroup(this);
    for (int k = kMinZoom; k <= kMaxZoom; ++k) {
        const QByteArray name = "zoom" + QByteArray::number(k);
        QAction* a = action(zoom, name.constData(), QString::number(k) + QChar(0x00D7),
                            [this, k] { zoom_Click(k); });
        a->setCheckable(true);
        a->setActionGroup(group);
        m_zoomItems[static_cast<std::size_t>(k - 1)] = a;
    }
    // Ctrl with a key the game does not read: Ctrl alone takes hot spots.
    m_zoomItems[0]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    zoom->addSeparator();
    zoom->setToolTipsVisible(true);  // why a step is greyed
    // Ctrl+= stops at the largest factor the screen takes.
    action(zoom, "zoomIn", QStringLiteral("&Bigger"), [this] {
        if (m_zoom < largestFittingZoom()) zoom_Click(m_zoom + 1);
    })
        ->setShortcuts(
            {QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)});
    action(zoom, "zoomOut", QStringLiteral("&Smaller"), [this] {
        zoom_Click(std::max(m_zoom - 1, kMinZoom));
    })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    m_fullScreenItem =
        action(m_opns, "fullScreen", QStringLiteral("&Full screen"), [this] { fullScreen_Click(); });
    m_fullScreenItem->setCheckable(true);
    m_fullScreenItem->setShortcut(QKeySequence(Qt::Key_F11));
    // Esc leaves full screen from wherever the focus is; otherwise it stays
    // a key the game gets.
    m_leaveFullScreen = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_leaveFullScreen->setEnabled(false);
    connect(m_leaveFullScreen, &QShortcut::activated, this, [this] {
        if (m_iniFullScreen >= 0) m_iniFullScreen = 0;
        setFullScreen(false);
    });
    m_opns->addSeparator();
    action(m_opns, "volume", QStringLiteral("&Volume..."), [this] { volume_Click(); });
    m_muteItem = action(m_opns, "mute", QStringLiteral("&Mute"), [this] { mute_Click(); });
    m_muteItem->setCheckable(true);
    m_muteItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    action(m_opns, "soundFont", QStringLiteral("S&oundfont..."), [this] { soundFont_Click(); });
    m_opns->addSeparator();
    action(m_Help, "controls", QStringLiteral("&Controls..."), [this] { controls_Click(); });
}

void PlayerWindow::applyViewSettings() {
    const ViewSettings saved = loadViewSettings(m_settingsFile);
    int zoom = saved.Zoom;
    m_iniZoom = saved.Zoom;
    if (m_options.zoom >= kMinZoom && m_options.zoom <= kMaxZoom) {
        zoom = m_options.zoom;  // this run only
    } else {
        // A first start: as large as fits the screen, within reason; a
        // factor saved on a larger screen: what fits this one, the key kept.
        m_startZoom = zoom;
        zoom = startZoom();
    }
    if (!m_settingsFile.read("FullScreen").empty()) m_iniFullScreen = saved.FullScreen;
    m_muteItem->setChecked(m_settings.Mute);
    setZoom(zoom);
    watchFrame();
    if (saved.FullScreen || m_options.fullScreen) setFullScreen(true);
}

QMargins PlayerWindow::frameMarginsNow() const {
    // The window's own view: QWidget keeps the frame it saw at the last move.
    const QWindow* w = windowHandle();
    return w && isVisible() ? w->frameMargins() : QMargins();
}

QSize PlayerWindow::frameSize() const {
    const QMargins m = frameMarginsNow();
    return QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize PlayerWindow::chrome() const {
    const QSize frame = frameSize();
    const int bar = menuBar()->isVisible() ? menuBar()->height() : 0;
    return QSize(std::max(0, frame.width()), std::max(0, frame.height()) + bar);
}

QRect PlayerWindow::availableArea() const {
    const QScreen* s = screen();
    return s ? s->availableGeometry() : QRect(0, 0, kFormWidth, kFormHeight);
}

int PlayerWindow::startZoom() const {
    const QSize content = QSize(kFormWidth, kFormHeight) - chrome();
    const QSize available = availableArea().size();
    if (m_startZoom == 0) return fittingZoom(content, chrome(), available);
    return std::min(m_startZoom, largestZoomInside(content, chrome(), available));
}

int PlayerWindow::largestFittingZoom() const {
    const QSize content = QSize(kFormWidth, kFormHeight) - chrome();
    return largestZoomInside(content, chrome(), availableArea().size());
}

void PlayerWindow::markZoom(int zoom) {
    m_zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    if (m_startZoom == 0) m_iniZoom = m_zoom > 1 ? m_zoom : 0;
    const int fits = largestFittingZoom();
    const QSize content = QSize(kFormWidth, kFormHeight) - chrome();
    const QSize free = availableArea().size();
    for (int k = kMinZoom; k <= kMaxZoom; ++k) {
        QAction* a = m_zoomItems[static_cast<std::size_t>(k - 1)];
        if (!a) continue;
        a->setChecked(k == m_zoom);
        // The factor in use stays choosable even when it does not fit.
        const bool usable = k <= fits || k == m_zoom;
        a->setEnabled(usable);
        const QSize window = content * k + chrome();
        a->setToolTip(usable ? QString()
                             : QStringLiteral("Too big for this screen: %1\u00D7 is %2\u00D7%3 pixels, "
                                              "%4\u00D7%5 are free")
                                   .arg(k)
                                   .arg(window.width())
                                   .arg(window.height())
                                   .arg(free.width())
                                   .arg(free.height()));
    }
}

void PlayerWindow::keepOnScreen() {
    if (m_fullScreen || !isVisible()) return;
    const QRect area = availableArea();
    const QMargins m = frameMarginsNow();
    const QRect frame = geometry().marginsAdded(m);
    // The top left corner wins over the bottom right: the title bar and the
    // menus stay reachable on a screen the window does not fit.
    const int x = std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width()));
    const int y = std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height()));
    if (QPoint(x, y) != frame.topLeft())
        setGeometry(QRect(QPoint(x + m.left(), y + m.top()), size()));
}

void PlayerWindow::watchFrame() {
    m_frameWatchTicks = 0;
    m_frameWatch.start();
}

void PlayerWindow::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    // The window manager tells the frame late, and by moving the window.
    if (!m_fullScreen && isVisible() && frameSize() != m_frameSeen) fitFrame();
}

void PlayerWindow::saveViewSettings() {
    std::vector<std::pair<std::string, std::string>> keys;
    if (m_iniZoom > 0) keys.emplace_back("Zoom", std::to_string(m_iniZoom));
    if (m_iniFullScreen >= 0) keys.emplace_back("FullScreen", iniWord(m_iniFullScreen == 1));
    if (!keys.empty() && !m_settingsFile.write(keys))
        qCWarning(lcUi) << "the window size could not be saved";
}

void PlayerWindow::setZoom(int zoom) {
    markZoom(zoom);
    if (m_fullScreen)
        layoutContent();
    else
        fitFrame();
}

void PlayerWindow::setFullScreen(bool on) {
    m_fullScreen = on;
    if (m_fullScreenItem) m_fullScreenItem->setChecked(on);
    if (m_leaveFullScreen) m_leaveFullScreen->setEnabled(on);
    if (on) {
        if (!m_barEdge) {
            m_barEdge = new QWidget(this);
            m_barEdge->setObjectName("menuBarEdge");
        }
        showFullScreen();
        // Without a window manager nobody else makes the window that big.
        // With one, asking for the screen's geometry could undo what it did
        // (openbox then takes the window for an ordinary one, framed).
        if (const QScreen* s = screen(); s && !windowManagerRuns()) setGeometry(s->geometry());
        // Pointer and keys anywhere in the program may call or dismiss the bar.
        qApp->installEventFilter(this);
        setBarTucked(true);
        layoutContent();
    } else {
        qApp->removeEventFilter(this);
        setBarTucked(false);
        showNormal();
        fitFrame();
        watchFrame();
    }
}

// In full screen the menu bar keeps its place in the layout at no height:
// tucked so, its shortcuts, access keys and Alt keep working. It comes out
// over the black strip above the content, so nothing moves when it does.
void PlayerWindow::setBarTucked(bool tucked) {
    QMenuBar* bar = menuBar();
    m_barTucked = tucked;
    if (tucked) {
        bar->setFixedHeight(0);
    } else {
        bar->setMinimumHeight(0);
        bar->setMaximumHeight(QWIDGETSIZE_MAX);
    }
    if (m_barEdge) {
        m_barEdge->setGeometry(0, 0, width(), kBarEdge);
        m_barEdge->setVisible(m_fullScreen && tucked);
        m_barEdge->raise();
    }
    if (layout()) layout()->activate();
    if (m_fullScreen) layoutContent();
}

// Once the events of the moment are through: the bar goes when no menu is
// open, it has no keyboard focus (Alt) and the pointer is not on it.
void PlayerWindow::barMayGo() {
    if (m_barCheckQueued) return;
    m_barCheckQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_barCheckQueued = false;
        const QMenuBar* bar = menuBar();
        if (!m_fullScreen || m_barTucked || QApplication::activePopupWidget() || bar->hasFocus())
            return;
        if (bar->rect().contains(bar->mapFromGlobal(QCursor::pos()))) return;
        setBarTucked(true);
    });
}

// Alt and a menu's access key, before the shortcut opens the menu: the bar
// comes out first so the menu drops from it.
bool PlayerWindow::barWanted(QEvent* e) {
    const auto* k = static_cast<QKeyEvent*>(e);
    if (!(k->modifiers() & Qt::AltModifier) || k->key() == Qt::Key_Alt || !isActiveWindow())
        return false;
    const QKeySequence pressed(QKeyCombination(Qt::AltModifier, Qt::Key(k->key())));
    for (const QAction* a : menuBar()->actions())
        if (a->isVisible() && a->isEnabled() && QKeySequence::mnemonic(a->text()) == pressed)
            return true;
    return false;
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* e) {
    if (!m_fullScreen) return QMainWindow::eventFilter(watched, e);
    switch (e->type()) {
    case QEvent::Enter:
        if (watched == m_barEdge && m_barTucked) setBarTucked(false);
        else if (!m_barTucked) barMayGo();
        break;
    case QEvent::Leave:
    case QEvent::FocusOut:
    case QEvent::Hide:  // a menu closed
        if (!m_barTucked) barMayGo();
        break;
    case QEvent::FocusIn:  // Alt alone: the bar takes the keyboard
        if (watched == menuBar() && m_barTucked) setBarTucked(false);
        break;
    case QEvent::ShortcutOverride:
        if (m_barTucked && barWanted(e)) setBarTucked(false);
        break;
    case QEvent::KeyRelease:
        if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Alt && !m_barTucked) barMayGo();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, e);
}

void PlayerWindow::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    if (m_barEdge) m_barEdge->setGeometry(0, 0, width(), kBarEdge);
    const bool centred = !m_origin.isNull();
    if (m_fullScreen || centred || m_surface->size() != m_designContent * m_zoom) layoutContent();
}

void PlayerWindow::place(QWidget* w, const QRect& design) {
    w->setProperty("designGeometry", design);
    const int k = m_shownZoom;
    w->setGeometry(QRect(m_origin + design.topLeft() * k, design.size() * k));
    if (auto* l = dynamic_cast<ControlLabel*>(w)) l->setZoom(k, design.width());
}

void PlayerWindow::layoutContent() {
    if (m_designContent.isEmpty()) return;
    if (m_fullScreen) {
        // The largest whole factor the whole screen takes, on black; placed
        // in the window, not the surface, which moves down when the bar
        // comes out.
        const QSize screen = size();
        m_shownZoom = largestZoomInside(m_designContent, screen);
        const QSize content = m_designContent * m_shownZoom;
        const QPoint at = fullScreenOrigin(content, screen, menuBar()->sizeHint().height());
        m_origin = at - m_surface->pos();
        m_surface->setContent(m_shownZoom, QRect(m_origin, content));
    } else {
        // A window made larger by hand: the game in the middle, black around.
        m_shownZoom = m_zoom;
        const QSize content = m_designContent * m_zoom;
        m_origin = QPoint(std::max(0, (m_surface->width() - content.width()) / 2),
                          std::max(0, (m_surface->height() - content.height()) / 2));
        m_surface->setContent(m_zoom, m_zoom == 1 && m_origin.isNull() ? QRect()
                                                                       : QRect(m_origin, content));
    }
    m_picture1->zoom = m_shownZoom;
    m_picture2->zoom = m_shownZoom;
    for (QObject* o : m_surface->children())
        if (auto* w = qobject_cast<QWidget*>(o); w && w->property("designGeometry").isValid())
            place(w, w->property("designGeometry").toRect());
}

void PlayerWindow::zoom_Click(int zoom) {
    m_startZoom = -1;
    m_iniZoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    setZoom(zoom);
}

void PlayerWindow::fullScreen_Click() {
    m_iniFullScreen = m_fullScreenItem->isChecked();
    setFullScreen(m_fullScreenItem->isChecked());
}

void PlayerWindow::volume_Click() {
    if (m_quitting) return;
    if (!m_volumeWindow) {
        m_volumeWindow = new VolumeWindow(this);
        m_volumeWindow->onChange = [this](int master, int music, int sounds) {
            m_settings.MasterVolume = master;
            m_settings.MusicVolume = music;
            m_settings.SoundVolume = sounds;
            if (m_core) m_core->volumeChanged();
        };
    }
    m_volumeWindow->setValues(m_settings.MasterVolume, m_settings.MusicVolume,
                              m_settings.SoundVolume);
    m_volumeWindow->show();
    m_volumeWindow->raise();
    m_volumeWindow->activateWindow();
}

void PlayerWindow::mute_Click() {
    m_settings.Mute = m_muteItem->isChecked();
    if (m_core) m_core->volumeChanged();
    showNotice(m_settings.Mute ? QStringLiteral("Sound off (Ctrl+M turns it on)") : QStringLiteral("Sound on"));
}

void PlayerWindow::soundFont_Click() {
    if (m_quitting) return;
    QString chosen;
    if (soundFontDialogHook) {
        chosen = soundFontDialogHook();
    } else {
        const QString current = QString::fromStdString(m_settingsFile.read("SoundFont"));
        chosen = QFileDialog::getOpenFileName(
            this, QStringLiteral("Choose a Soundfont"),
            current.isEmpty() ? QStringLiteral("/usr/share/sounds") : QFileInfo(current).path(),
            QStringLiteral("Soundfonts (*.sf2 *.sf3 *.SF2 *.SF3);;All files (*)"));
    }
    if (!chosen.isEmpty()) chooseSoundFont(chosen);
}

QString PlayerWindow::chooseSoundFont(const QString& path) {
    const std::string why = m_core ? m_core->switchSoundFont(path.toStdString()) : "no game core";
    if (why.empty()) {
        m_settingsFile.write("SoundFont", path.toStdString());
        return {};
    }
    const QString message =
        QStringLiteral("Cannot use the soundfont %1: %2. Music keeps the soundfont it had.")
            .arg(path, QString::fromStdString(why));
    messageBox(messageBytes(message));
    return message;
}

void PlayerWindow::startGamepad() {
    if (m_gamepad) return;
    m_gamepad = new Gamepad(this);
    m_gamepad->key = [this](int qtKey, bool down) {
        if (m_quitting) return;
        down ? Picture1_KeyDown(qtKey) : Picture1_KeyUp(qtKey);
    };
    m_gamepad->click = [this] { Form_MouseDown(); };
    m_gamepad->start();
}

void PlayerWindow::controls_Click() {
    if (m_quitting) return;
    messageBox(kControlsText, MsgButtons::Ok, "Controls");
    rereadScene();
}

}  // namespace parvel::ui
