// parvel [GAMEFILE]: the player window, opening GAMEFILE when given.

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Form1.h"
#include "MediaSystem.h"
#ifdef PARVEL_WITH_PLAYER
#include "PlayerCore.h"
#endif

namespace {

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
    parvel::MediaOptions mediaOptions;
    mediaOptions.soundFont = form.settingsFile().read("SoundFont");
    auto media = std::make_unique<parvel::MediaSystem>(form, mediaOptions);
#ifdef PARVEL_WITH_PLAYER
    media->setVideoSink(parvel::kVideoAreaHandle, form.videoSink());
    auto core = std::make_unique<parvel::ui::PlayerCore>(form, media.get());
    form.setCore(core.get());
#endif
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
