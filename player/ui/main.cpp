// parvel [GAMEFILE]: the player window, opening GAMEFILE when given.

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Form1.h"
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

    parvel::ui::Form1 form;
#ifdef PARVEL_WITH_PLAYER
    auto core = std::make_unique<parvel::ui::PlayerCore>(form, nullptr);
    form.setCore(core.get());
#endif
    form.startUp();
    if (form.quitting()) return 0;
    if (args.size() == 2) {
        const QString game = args.at(1);
        QTimer::singleShot(0, &form, [&form, game] { form.openChosenFile(game); });
    }
    const int rc = app.exec();
#ifdef PARVEL_WITH_PLAYER
    form.setCore(nullptr);
#endif
    return rc;
}
