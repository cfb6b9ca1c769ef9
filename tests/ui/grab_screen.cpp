// grab_screen DELAY_MS OUT.png: waits, then saves the whole X screen.
// Runs beside the player in the same Xvfb server.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: grab_screen DELAY_MS OUT.png\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    int rc = 1;
    QTimer::singleShot(atoi(argv[1]), [&] {
        rc = QGuiApplication::primaryScreen()->grabWindow(0).save(out) ? 0 : 1;
        QGuiApplication::quit();
    });
    app.exec();
    return rc;
}
