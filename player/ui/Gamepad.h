#pragma once
// Game controllers in the window: SDL's controller module is loaded once a
// controller is plugged in (a joystick device appears in /dev/input), and
// read by a timer only while one is attached, so a player without one
// spends nothing on them.

#include <QDeadlineTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <functional>

#include "PadInput.h"

namespace parvel::ui {

class PadBackend;

class Gamepad : public QObject {
public:
    explicit Gamepad(QObject* parent = nullptr);
    ~Gamepad() override;

    // What the controller does: Qt keys pressed and released on the picture,
    // and clicks.
    std::function<void(int qtKey, bool down)> key;
    std::function<void()> click;

    // Watches for controllers; loads the module at once when one is there.
    void start(const QString& inputFolder = QStringLiteral("/dev/input"));
    // Loads the module and starts SDL's controller subsystem; false when
    // either fails (said once on stderr).
    bool activate();
    PadBackend* backend() const { return m_backend; }
    // Reads the controllers now.
    void poll();
    bool polling() const { return m_timer.isActive(); }

private:
    bool joystickPresent() const;
    void schedule();

    PadMapper m_mapper;
    PadBackend* m_backend = nullptr;
    bool m_tried = false;
    QDeadlineTimer m_watchUntil;  // a device node changed: look for a while
    QString m_folder;
    QFileSystemWatcher m_watcher;
    QTimer m_timer;
};

}  // namespace parvel::ui
