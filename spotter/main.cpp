// Spotter: lay out a walking scene by eye. Shows a scene's whole background
// with its sprite, walks it by the player's rules, places hot spots and
// writes the sprite commands back; or, with just a background and a sprite,
// shows the X and Y of the sprite under the pointer.

#include <QApplication>

#include "CommandLine.h"
#include "ParvelVersion.h"
#include "Paths.h"
#include "SceneWindow.h"
#include "TextCodec.h"

namespace {

constexpr char kHelp[] =
    "Usage: spotter [OPTION]... [GAMEFILE SCENE]\n"
    "Lay out a walking scene by eye. With GAMEFILE and SCENE, show that scene's\n"
    "whole background with its sprite at @X and @Y, the places the walker can\n"
    "stand on and the hot spots with their Ctrl windows; walk with the arrow\n"
    "keys as the player does, drag hot spots and the sprite, and write @X, @Y,\n"
    "@xmove and @hotspots back to the script (File > Save to Script).\n"
    "Without them, load a background and a sprite from the File menu and read\n"
    "off the X and Y of the pointer.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Qt's own options (-platform NAME, -style NAME, ...) are passed to Qt.\n"
    "Exit status: 0 when the window closes, 1 when the scene cannot be opened,\n"
    "2 on a usage error. See spotter(1).\n";

}  // namespace

int main(int argc, char** argv) {
    const parvel::CommandLine line =
        parvel::parseCommandLine(argc, argv, "spotter", kHelp, parvel::versionText(), 2);
    if (line.exitCode) return *line.exitCode;
    if (line.operands.size() == 1) {
        std::fprintf(stderr,
                     "spotter: missing SCENE after '%s'\nTry 'spotter --help' for more information.\n",
                     line.operands[0].c_str());
        return 2;
    }
    QApplication app(argc, argv);
    spotter::SceneWindow window(parvel::findProgramFile("blk.bmp"));
    if (line.operands.size() == 2) {
        // A scene name typed in a terminal is UTF-8; the script's is Windows-1252.
        const std::string& typed = line.operands[1];
        const std::string scene = parvel::utf8ToCp1252(typed).value_or(typed);
        const QString why = window.openScene(QString::fromStdString(line.operands[0]),
                                             QByteArray::fromStdString(scene));
        if (!why.isEmpty()) {
            std::fprintf(stderr, "spotter: %s\n", why.toStdString().c_str());
            return 1;
        }
    }
    window.show();
    window.activateWindow();
    return app.exec();
}
