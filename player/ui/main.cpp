// parvel [GAMEFILE]: the player window, opening GAMEFILE when given.

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Form1.h"
#include "MediaSystem.h"
#include "PlayerCore.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] auto n = ::write(g_signalPipe[1], &c, 1);
}

// SIGTERM, SIGINT and SIGHUP close the window like its close button does,
// so a logout or a kill still saves the settings. The handler only wakes
// the event loop; the window does the work.
void closeOnSignals(QWidget& window) {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char buffer[16];
        while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        window.close();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}

bool haveDisplay() {
    // An explicit platform (offscreen, a test's Xvfb) is the user's choice.
    for (const char* var : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (const char* v = std::getenv(var); v && *v) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::printf("usage: parvel [GAMEFILE]\n");
            return 0;
        }
    }
    if (!haveDisplay()) {
        std::fprintf(stderr,
                     "parvel: no display found (DISPLAY is not set), so the player window "
                     "cannot open.\n");
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parvel"));
    const QStringList args = QApplication::arguments();
    if (args.size() > 2) {
        std::fprintf(stderr, "usage: parvel [GAMEFILE]\n");
        return 2;
    }

    // Built in this order and torn down in reverse: the media's threads
    // stop before the window that shows their frames goes away.
    parvel::ui::Form1 form;
    // The audio library would take these signals for itself and swallow them.
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
    closeOnSignals(form);
    parvel::MediaOptions mediaOptions;
    mediaOptions.soundFont = form.settingsFile().read("SoundFont");
    auto media = std::make_unique<parvel::MediaSystem>(form, mediaOptions);
    media->setVideoSink(parvel::kVideoAreaHandle, form.videoSink());
    auto core = std::make_unique<parvel::ui::PlayerCore>(form, media.get());
    form.setCore(core.get());
    form.startUp();
    if (form.quitting()) return 0;
    if (args.size() == 2) {
        const QString game = args.at(1);
        QTimer::singleShot(0, &form, [&form, game] { form.openChosenFile(game); });
    }
    const int rc = app.exec();
    form.setCore(nullptr);
    return rc;
}
