// Spotter: load a background and a sprite, move the sprite with the mouse,
// read off the X and Y to write into a scene's sprite commands.

#include <QApplication>

#include "CommandLine.h"
#include "ParvelVersion.h"
#include "Paths.h"
#include "SpotterWindow.h"

namespace {

constexpr char kHelp[] =
    "Usage: spotter [OPTION]...\n"
    "Show where a sprite stands over a background picture, in the X and Y\n"
    "that a scene's @X, @Y and @hotspots commands expect. Load both pictures\n"
    "from the window, then drag the sprite.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Qt's own options (-platform NAME, -style NAME, ...) are passed to Qt.\n"
    "Exit status: 0 when the window closes, 2 on a usage error. See spotter(1).\n";

}  // namespace

int main(int argc, char** argv) {
    const parvel::CommandLine line =
        parvel::parseCommandLine(argc, argv, "spotter", kHelp, parvel::versionText(), 0);
    if (line.exitCode) return *line.exitCode;
    QApplication app(argc, argv);
    spotter::SpotterWindow window(parvel::findProgramFile("blk.bmp"));
    window.show();
    window.activateWindow();
    return app.exec();
}
