// Spotter: load a background and a sprite, move the sprite with the mouse,
// read off the X and Y to write into a scene's sprite commands.

#include <QApplication>

#include "Paths.h"
#include "SpotterWindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    spotter::SpotterWindow window(parvel::findProgramFile("blk.bmp"));
    window.show();
    window.activateWindow();
    return app.exec();
}
