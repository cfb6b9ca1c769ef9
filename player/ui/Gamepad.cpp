#include "Gamepad.h"

#include <QDir>

#include "Modules.h"
#include "PadBackend.h"
#include "Player.h"
#include "UiLog.h"

namespace parvel::ui {

namespace {

int qtKeyFor(int code) {
    switch (code) {
        case key::Left:
            return Qt::Key_Left;
        case key::Right:
            return Qt::Key_Right;
        case key::Ctrl:
            return Qt::Key_Control;
        case 38:
            return Qt::Key_Up;
        case 40:
            return Qt::Key_Down;
        default:
            return code;  // letters: the same numbers as Qt's keys
    }
}

}  // namespace

Gamepad::Gamepad(QObject* parent) : QObject(parent) {
    m_mapper.key = [this](int code, bool down) {
        if (key) key(qtKeyFor(code), down);
    };
    m_mapper.click = [this] {
        if (click) click();
    };
    // About a frame: a held stick or button is seen as the game sees keys.
    m_timer.setInterval(16);
    connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
    // A new device node comes before its permissions are set: keep looking
    // for a few seconds after the folder changes.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        m_watchUntil = QDeadlineTimer(3000);
        if (m_backend)
            poll();
        else if (joystickPresent())
            activate();
    });
}

Gamepad::~Gamepad() = default;

void Gamepad::start(const QString& inputFolder) {
    m_folder = inputFolder;
    if (QDir(m_folder).exists()) m_watcher.addPath(m_folder);
    if (joystickPresent()) activate();
}

bool Gamepad::joystickPresent() const {
    return !m_folder.isEmpty() &&
           !QDir(m_folder).entryList({QStringLiteral("js*")}, QDir::System | QDir::Files).isEmpty();
}

bool Gamepad::activate() {
    if (m_tried) return m_backend != nullptr;
    m_tried = true;
    const ModuleEntry m = loadModuleEntry(moduleFolders(PARVEL_BUILD_MODULE_DIR),
                                          "libparvel_pad.so", "parvelPadBackend");
    PadBackend* backend =
        m.entry ? reinterpret_cast<ParvelPadBackendFn>(m.entry)(kPadModuleAbi) : nullptr;
    std::string why = m.entry ? (backend ? "" : "of another version") : m.why;
    if (backend && !backend->start(why)) backend = nullptr;
    if (!backend) {
        qCCritical(lcUi, "game controllers cannot be used (%s)", why.c_str());
        return false;
    }
    m_backend = backend;
    poll();
    return true;
}

void Gamepad::poll() {
    if (!m_backend) return;
    std::vector<PadEvent> events;
    m_backend->poll(events);
    for (const PadEvent& e : events) {
        switch (e.kind) {
            case PadEvent::Added:
                qCInfo(lcUi) << "game controller attached";
                break;
            case PadEvent::Removed:
                qCInfo(lcUi) << "game controller detached";
                if (m_backend->controllers() == 0) m_mapper.releaseAll();
                break;
            case PadEvent::Button:
                m_mapper.button(static_cast<PadButton>(e.code), e.value != 0);
                break;
            case PadEvent::Axis:
                m_mapper.axis(static_cast<PadAxis>(e.code), e.value);
                break;
        }
    }
    schedule();
}

void Gamepad::schedule() {
    // With no controller attached nothing is read until /dev/input changes.
    const bool read = m_backend && (m_backend->controllers() > 0 || !m_watchUntil.hasExpired());
    if (read && !m_timer.isActive()) m_timer.start();
    if (!read && m_timer.isActive()) m_timer.stop();
}

}  // namespace parvel::ui
