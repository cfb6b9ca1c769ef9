// Figures of the real main window with the real core:
//   start-up   construction to the window being exposed on screen (ms)
//   rss        resident memory after opening the demo game (MiB)
//   idle cpu   CPU time / wall time over 10 s on its title screen (%)

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "PlayerWindow.h"
#include "MediaSystem.h"
#include "PlayerCore.h"

namespace {

double rssMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const double idleSeconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    QTemporaryDir settings;

    parvel::ui::PlayerWindow form(parvel::ui::PlayerWindow::Options{{settings.path().toStdString(), settings.path().toStdString()}});
    parvel::MediaSystem media(form);
    parvel::ui::PlayerCore core(form, &media);
    form.setCore(&core);
    form.startUp();
    while (!form.windowHandle() || !form.windowHandle()->isExposed()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (clock.elapsed() > 10000) break;
    }
    const double startMs = clock.nsecsElapsed() / 1e6;

    form.openChosenFile(QStringLiteral(PARVEL_SOURCE_DIR "/games/demo/Gamefile.txt"));
    const double rss = rssMiB();

    // Title screen: MainLoop starts at one second; measure from two seconds.
    double cpu0 = 0, idle = 0;
    QElapsedTimer wall;
    QTimer::singleShot(2000, &form, [&] {
        cpu0 = cpuSeconds();
        wall.start();
    });
    QTimer::singleShot(2000 + static_cast<int>(idleSeconds * 1000), &form, [&] {
        idle = 100.0 * (cpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9);
        form.close();
    });
    app.exec();
    form.setCore(nullptr);

    std::printf("platform            %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("start-up to window  %.1f ms\n", startMs);
    std::printf("rss after opening   %.1f MiB\n", rss);
    std::printf("idle cpu (%.0f s)     %.2f %%\n", idleSeconds, idle);
    return 0;
}
