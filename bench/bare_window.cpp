// The floor for start-up figures: a bare Qt window with a menu and a label,
// measured by scripts/measure.sh beside the player.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("File"))->addAction(QStringLiteral("Exit"), &app,
                                                                 &QApplication::quit);
    window.setCentralWidget(new QLabel(QStringLiteral("Bare window")));
    window.resize(280, 500);
    window.show();
    return app.exec();
}
