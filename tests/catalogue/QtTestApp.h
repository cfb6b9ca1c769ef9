#pragma once
// One QApplication for the whole test run, and waiting on the event loop.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

// Runs events until `done` holds or `ms` pass; returns `done()`.
inline bool waitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return done();
}

// Runs events for `ms`.
inline void spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
}
